#pragma once
// Declarations of the data-aware grid library's classes, for headers that
// only pass them around.

#include <cstdint>

enum TdxOperatorCode : std::uint8_t;
enum TdxJunction : std::uint8_t;
class TdxAbstractOperator;
class TdxCustomCriteriaItem;
class TdxCriteriaItemList;
class TdxCriteriaItem;
class TdxCriteria;

struct TdxDBNodeValue;
class TdxDBTreeListControlNode;
class TdxDBGridNode;
class TdxDBTreeListControlDataLink;
class TdxGridDataLink;
class TdxDBTreeListColumn;
class TdxDBTreeListMaskColumn;
class TdxDBGridColumn;
class TdxDBGridMaskColumn;
class TCustomdxDBTreeListControl;
class TCustomdxDBGrid;
class TdxDBGrid;
