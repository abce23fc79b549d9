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
class TdxEditStyleLink;
class TdxStyleController;
class TdxEditStyleController;
class TdxCheckEditStyleController;
class TdxEditStyle;
class TdxRegIniWrapper;
class TdxInplaceEdit;
class TdxInplaceTextEdit;
class TdxInplaceTreeListTextEdit;
class TdxEditViewData;
class TdxTextEditViewData;
struct TdxEditBorderGeometry;
class TCustomdxContainer;
class TdxContainerHintWindow;
class TdxEditorInitScope;
class TdxVisibleOrder;
class TCustomdxTreeList;
class TdxSelectionChangeScope;
struct TdxOptionsChange;
class TdxTreeListBand;
class TdxTreeListBands;
class TdxTreeListColumn;
class TdxTreeListMaskColumn;
class TdxTreeListColumnClass;
class TCustomdxTreeListControl;
struct TdxHeaderPosInfo;
class TdxLayoutInteraction;
class TdxTreeListEditStyle;
struct TdxTreeListCellViewData;
class TdxInplaceMaskEdit;
class TdxInplaceTreeListMaskEdit;
class TEditMask;
