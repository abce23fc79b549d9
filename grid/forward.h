#pragma once
// Declarations of the grid library's classes, for headers that only pass
// them around.

class EInvaliddxTreeListOperation;
class TdxNodeList;
class TdxTreeListNode;
class TdxTreeListTextNode;
class TdxTreeListNodeOwner;
class TdxTreeListUpdateLock;
class TdxNodeSortComparer;
struct TdxSortKey;
struct TdxNodeSortKeys;
struct TdxSortColumn;
enum TdxNodeMoveMode : int;
class TdxVisibleOrder;
class TdxTreeListHostBase;
class TCustomdxTreeList;
class TdxSelectionChangeScope;
struct TdxOptionsChange;
