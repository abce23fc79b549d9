// The grid's side of filtering: which record nodes the criteria hide and
// show again, the expression passed to the dataset, the header filter
// buttons and their drop-down, and the filter status panel.
//
// Hidden records are detached from the tree (they keep their data) and
// listed in the grid; hiding and showing go through one pass over each
// list of siblings, so filtering a million rows costs about one evaluation
// per row.

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "datagrid/control/db_column.h"
#include "datagrid/control/db_node.h"
#include "datagrid/filter/filter_drop_down.h"
#include "datagrid/filter/filter_pass_scope.h"
#include "datagrid/filter/grid_filter.h"
#include "datagrid/grid/db_grid.h"
#include "framework/core/base/scope_exit.h"
#include "framework/core/data/dataset.h"
#include "framework/gui/controls/keys.h"
#include "framework/gui/controls/messages.h"
#include "framework/gui/graphics/bitmap.h"
#include "grid/support/draw_helpers.h"
#include "grid/tree_list/tree_list_layout.h"

TdxDBGridFilter& TCustomdxDBGrid::Filter() {
  if (!FFilter) FFilter = std::make_unique<TdxDBGridFilter>(this);
  return *FFilter;
}

void TCustomdxDBGrid::SetFilter(const TdxDBGridFilter& value) {
  Filter().Assign(&value);
  FilterChanged();
}

bool TCustomdxDBGrid::NodePassesFilter(const TdxTreeListNode* node) const {
  // A compiled program exists only while filtering.
  if (FFilterProgram != nullptr) return FFilterProgram->Passes(node);
  return !IsFiltering() || FFilter == nullptr || FFilter->NodePasses(node);
}

void TCustomdxDBGrid::FilterChanged() {
  FFilterActive = FFilter != nullptr && !FFilter->IsEmpty();
  Refilter();
  PassFilterToDataSet();
  // The status panel may come or go, the header buttons change their look.
  LayoutChanged();
  Invalidate();
}

void TCustomdxDBGrid::ReapplyFilter() {
  if (FFilter != nullptr) FilterChanged();
}

void TCustomdxDBGrid::ResetFilter() {
  FFilterActive = false;
  FilterChanged();
}

void TCustomdxDBGrid::Refilter() {
  if (FFilter) FFilter->CurrentCriteria();
  FilterNodes(nullptr, true);
}

void TCustomdxDBGrid::PassFilterToDataSet() {
  std::string text = FFilter ? FFilter->FilterText() : std::string();
  TDataSet* dataSet = DataSet();
  if (OnFilterChanged) OnFilterChanged(this, dataSet, text);
  if (FFilter == nullptr || !FFilter->AutoDataSetFilter() || dataSet == nullptr) return;
  dataSet->SetFilterExpression(text);
  TFilterOptions options = dataSet->FilterOptions();
  if (FFilter->CaseInsensitive())
    options.Include(foCaseInsensitive);
  else
    options.Exclude(foCaseInsensitive);
  dataSet->SetFilterOptionSet(options);
  dataSet->SetFilteredFlag(!text.empty());
}

namespace {
// Filters the children of parent (the top level when nil) in one pass:
// leaves that fail go to hidden, group rows left empty to emptied.
template <class TPasses>
void FilterSiblings(TCustomdxDBGrid& grid, const TPasses& passes, TdxTreeListNode* parent,
                    std::vector<TdxTreeListNode*>& hidden, std::vector<TdxTreeListNode*>& emptied,
                    std::vector<TdxTreeListNode*>* reshown) {
  const int count = parent != nullptr ? parent->Count() : grid.Count();
  std::vector<TdxTreeListNode*> kept;
  bool changed = false;
  const auto item = [&](int i) { return parent != nullptr ? parent->Items(i) : grid.Items(i); };
  // The nodes lie apart in memory: each node, then its cells, are asked
  // for some rows ahead of their test.
  constexpr int NodesAhead = 16;
  constexpr int CellsAhead = 8;
  for (int i = 0; i < count; ++i) {
    if (i + NodesAhead < count) __builtin_prefetch(item(i + NodesAhead));
    if (i + CellsAhead < count) static_cast<const TdxDBTreeListControlNode*>(item(i + CellsAhead))->PrefetchValue(0);
    TdxTreeListNode* child = item(i);
    if (child->Count() > 0) {
      FilterSiblings(grid, passes, child, hidden, emptied, nullptr);
      if (child->Count() == 0) {
        emptied.push_back(child);
        changed = true;
        continue;
      }
      kept.push_back(child);
    } else if (passes(child)) {
      kept.push_back(child);
    } else {
      hidden.push_back(child);
      changed = true;
    }
  }
  if (reshown != nullptr && !reshown->empty()) {
    kept.insert(kept.end(), reshown->begin(), reshown->end());
    changed = true;
  }
  if (changed) grid.ReplaceSiblings(parent, kept);
}

// The top level of an ungrouped grid, all records: each tested and, when
// it fails, detached in the same pass (one look at each node). A node with
// children (none is expected without grouping) is kept here and the
// general pass then runs over the level.
template <class TPasses>
void FilterRecords(TCustomdxDBGrid& grid, const TPasses& passes, std::vector<TdxTreeListNode*>& hidden,
                   std::vector<TdxTreeListNode*>& emptied) {
  bool nested = false;
  grid.DetachRefusedSiblings(
      nullptr,
      [&](TdxTreeListNode* node) {
        if (node->Count() > 0) {
          nested = true;
          return true;
        }
        if (passes(node)) return true;
        hidden.push_back(node);
        return false;
      },
      [](const TdxTreeListNode* ahead) { static_cast<const TdxDBTreeListControlNode*>(ahead)->PrefetchValue(0); });
  if (nested) FilterSiblings(grid, passes, nullptr, hidden, emptied, nullptr);
}
}  // namespace

bool TCustomdxDBGrid::FilterNodes(TdxTreeListNode* node, bool regroup) {
  if (node != nullptr) {
    if (NodePassesFilter(node)) return true;
    if (SelectedBookmarkCount() > 0 && IsNodeSelected(node)) SetNodeSelected(node, false);
    if (FocusedNode() == node) SetFocusedNodeField(nullptr);
    if (TopVisibleNode() == node) SetTopVisibleNode(nullptr);
    if (node == FInsertedNode) FInsertedNode = nullptr;
    TdxTreeListNode* parent = node->Parent();
    node->Detach();
    FHiddenNodes.push_back(node);
    // Group rows left without records go, upwards.
    while (parent != nullptr && parent->Count() == 0) {
      TdxTreeListNode* up = parent->Parent();
      parent->Free();
      parent = up;
    }
    return false;
  }
  if (IsBufferMode()) return true;
  CloseEditor();
  TdxTreeListNode* focused = FocusedNode();
  TdxTreeListNode* top = TopVisibleNode();
  const int focusedColumn = FocusedColumnIndex();
  std::vector<TdxTreeListNode*> hidden;
  std::vector<TdxTreeListNode*> emptied;
  std::vector<TdxTreeListNode*> reshown;
  bool hiddenAny = false;
  {
    TFilterPassScope pass(*this);
    const bool filtering = IsFiltering();
    const TdxDBGridFilterProgram* program = FFilterProgram;
    const auto passes = [this, filtering, program](const TdxTreeListNode* n) {
      return !filtering || (program != nullptr ? program->Passes(n) : NodePassesFilter(n));
    };
    TdxTreeListUpdateLock lock(*this);
    ResetNodeReferences();
    // Hidden records that pass now come back (in the order they left).
    std::vector<TdxTreeListNode*> stillHidden;
    for (TdxTreeListNode* hiddenNode : FHiddenNodes) {
      if (passes(hiddenNode))
        reshown.push_back(hiddenNode);
      else
        stillHidden.push_back(hiddenNode);
    }
    // Emptied while the groups left empty are freed below, so that freeing
    // them does not search the list; a failure on the way (a value that
    // does not compare) lists again every record still out of the tree.
    FHiddenNodes.clear();
    bool listed = false;
    TAtScopeExit relist([&] {
      if (listed) return;
      FHiddenNodes = stillHidden;
      for (TdxTreeListNode* n : reshown)
        if (n->IsDetached()) FHiddenNodes.push_back(n);
    });
    const bool grouped = HasGrouping();
    if (!reshown.empty() && !grouped) {
      // Back in their place among the records: by load order (a sort by
      // columns follows below).
      // Each node's record index is read once, some nodes ahead, into
      // pairs that the order is then worked out on.
      struct TRecord {
        int Index;
        TdxTreeListNode* Node;
      };
      const auto records = [](const auto& at, std::size_t count) {
        constexpr std::size_t Ahead = 16;
        std::vector<TRecord> result(count);
        for (std::size_t i = 0; i < count; ++i) {
          if (i + Ahead < count) __builtin_prefetch(at(i + Ahead));
          TdxTreeListNode* node = at(i);
          result[i] = {static_cast<const TdxDBGridNode*>(node)->RecordIndex(), node};
        }
        return result;
      };
      const std::vector<TRecord> shown =
          records([this](std::size_t i) { return Items(static_cast<int>(i)); }, static_cast<std::size_t>(Count()));
      const std::vector<TRecord> back = records([&](std::size_t i) { return reshown[i]; }, reshown.size());
      const auto byRecord = [](const TRecord& a, const TRecord& b) { return a.Index < b.Index; };
      std::vector<TRecord> order(shown.size() + back.size());
      // Both are in load order unless the rows were sorted since: then a
      // merge does, else a sort.
      if (std::is_sorted(shown.begin(), shown.end(), byRecord) && std::is_sorted(back.begin(), back.end(), byRecord)) {
        std::merge(shown.begin(), shown.end(), back.begin(), back.end(), order.begin(), byRecord);
      } else {
        std::copy(back.begin(), back.end(), std::copy(shown.begin(), shown.end(), order.begin()));
        std::stable_sort(order.begin(), order.end(), byRecord);
      }
      std::vector<TdxTreeListNode*> merged(order.size());
      for (std::size_t i = 0; i < order.size(); ++i) merged[i] = order[i].Node;
      ReplaceSiblings(nullptr, merged);
      // Without a filter every row passes: nothing more to test.
      if (filtering) FilterRecords(*this, passes, hidden, emptied);
    } else if (!grouped) {
      // Nothing to show again here: the merge above takes every record back.
      FilterRecords(*this, passes, hidden, emptied);
    } else {
      FilterSiblings(*this, passes, nullptr, hidden, emptied, &reshown);
    }
    if (SelectedBookmarkCount() > 0)
      for (TdxTreeListNode* n : hidden)
        if (IsNodeSelected(n)) SetNodeSelected(n, false);
    const std::unordered_set<const TdxTreeListNode*> freed(emptied.begin(), emptied.end());
    if (freed.count(focused) != 0) focused = nullptr;
    if (freed.count(top) != 0) top = nullptr;
    for (TdxTreeListNode* group : emptied) group->Free();
    if (stillHidden.empty()) {
      FHiddenNodes = std::move(hidden);
      hidden.clear();
      hiddenAny = !FHiddenNodes.empty();
    } else {
      hiddenAny = !hidden.empty();
      FHiddenNodes = std::move(stillHidden);
      FHiddenNodes.insert(FHiddenNodes.end(), hidden.begin(), hidden.end());
    }
    listed = true;
    if (FInsertedNode != nullptr && FInsertedNode->IsDetached()) FInsertedNode = nullptr;
    // Rows shown again take their places among the groups and the sorted
    // rows; hiding leaves the order as it was.
    if (regroup && !reshown.empty()) {
      // Records shown again wait at the top level for their group rows.
      if (grouped) {
        // Regrouping builds the group rows anew: only records stay.
        if (top != nullptr && top->Count() > 0) top = nullptr;
        if (focused != nullptr && focused->Count() > 0) focused = nullptr;
        RegroupAll();
      }
      // Without groups or sorted columns the merge by load order is the
      // order already, and the rows were counted again as they came back.
      if (grouped || SortedColumnCount() > 0) SortNodes();
    }
    // Totals count only the rows shown.
    if (regroup && (grouped || ShowSummaryFooter()) &&
        (!reshown.empty() || !FHiddenNodes.empty() || hiddenAny))
      RecalcSummaries();
    if (top != nullptr && !top->IsDetached())
      SetTopVisibleNode(top);
    else if (FirstNode() != nullptr)
      SetTopVisibleNode(FirstNode());
    lock.Close();
  }
  // The focus: back on the node it was on when that is still shown, else on
  // the first row, with the dataset following.
  if (focused != nullptr && !focused->IsDetached()) {
    SetFocusedNodeField(nullptr);
    SetFocusedNodeAndColumn(focused, focusedColumn, true);
  } else if (FirstNode() != nullptr) {
    SetFocusedNodeAndColumn(FirstNode(), focusedColumn, false);
    if (focused != nullptr && LinkActive()) MoveDataSetToNode(FocusedNode());
  }
  return !hiddenAny;
}

void TCustomdxDBGrid::ColumnRemoving(TdxTreeListColumn* column) {
  TCustomdxDBTreeListControl::ColumnRemoving(column);
  if (FFilterDropDown != nullptr && FFilterDropDown->Column() == column) {
    // Closed here, not through the list: the column is half gone already.
    FFilterDropDown->SetColumn(nullptr);
    if (FFilterDropDownOpen) {
      FFilterDropDown->SetVisible(false);
      FFilterDropDownOpen = false;
    }
  }
  // While the grid goes, its filter goes with it: nothing to tell anyone.
  if (IsDestroying() || FFilter == nullptr || !FFilter->HasColumnFilter(column)) return;
  FFilter->Criteria().RemoveColumn(column);
  // The nodes' cells are shifting now; they are read once the column has
  // left the list.
  FFilterColumnGone = true;
}

void TCustomdxDBGrid::ColumnsChanged(TdxTreeListColumn* column) {
  TCustomdxDBTreeListControl::ColumnsChanged(column);
  if (!FFilterColumnGone) return;
  FFilterColumnGone = false;
  FilterChanged();
}

void TCustomdxDBGrid::DeleteColumnNodeData(int absoluteIndex) {
  TCustomdxDBTreeListControl::DeleteColumnNodeData(absoluteIndex);
  for (TdxTreeListNode* node : FHiddenNodes)
    if (auto* dbNode = dynamic_cast<TdxDBTreeListControlNode*>(node)) dbNode->DropColumn(absoluteIndex);
}

// --- Header buttons and the status panel ---------------------------------------------------------

int TCustomdxDBGrid::GetColumnHeaderButtonState(int absoluteIndex) const {
  const TdxTreeListColumn* column = Columns(absoluteIndex);
  if (column == nullptr || !OptionExOn(tloHeaderButtonClicking) || !column->CanShowHeaderButton()) return 0;
  int state = 1;
  if (FFilterDropDownOpen && FFilterDropDown != nullptr && FFilterDropDown->Column() == column) state |= 2;
  if (FFilter != nullptr && FFilter->HasColumnFilter(column)) state |= 8;
  return state;
}

bool TCustomdxDBGrid::IsBottomPanelShown() const {
  if (FFilter == nullptr) return false;
  switch (FFilter->FilterStatus()) {
    case fsNone:
      return false;
    case fsAlways:
      return true;
    default:
      return FFilterActive && !FFilter->IsEmpty();
  }
}

bool TCustomdxDBGrid::IsBottomPanelButtonShown() const { return FFilter != nullptr && !FFilter->IsEmpty(); }

std::string TCustomdxDBGrid::GetBottomPanelText() const {
  return FFilter != nullptr ? FFilter->DisplayText() : std::string();
}

std::string TCustomdxDBGrid::GetBottomPanelButtonHint() const { return "Clear Filter"; }

void TCustomdxDBGrid::BottomPanelButtonClick() {
  if (FFilter != nullptr) FFilter->ClearAll();
}

// --- The header drop-down -----------------------------------------------------------------------

TRect TCustomdxDBGrid::FilterButtonRect(const TdxTreeListColumn* column) {
  if (column == nullptr || GetColumnHeaderButtonState(column->Index()) == 0) return {};
  TdxTreeListLayoutInfo layout;
  CalculateLayout(layout);
  for (const TdxTreeListHeaderItem& cell : layout.Headers) {
    if (cell.AbsoluteIndex != column->Index() || cell.Rect.Width() <= 14) continue;
    // The box at the header's right, with the header's edge beside it.
    return Rect(cell.Rect.Right - 17, cell.Rect.Top, cell.Rect.Right, cell.Rect.Bottom);
  }
  return {};
}

void TCustomdxDBGrid::DropDownFilter(TdxDBTreeListColumn* column) {
  if (column == nullptr) return;
  const TRect box = FilterButtonRect(column);
  if (box.IsEmpty()) return;
  TRect header = box;
  {
    TdxTreeListLayoutInfo layout;
    CalculateLayout(layout);
    for (const TdxTreeListHeaderItem& cell : layout.Headers)
      if (cell.AbsoluteIndex == column->Index()) header = cell.Rect;
  }
  if (FFilterDropDown == nullptr) FFilterDropDown = new TdxDBGridFilterPopupListBox(this);
  TdxDBGridFilterPopupListBox& list = *FFilterDropDown;
  list.SetVisible(false);
  list.SetParent(this);
  list.SetColumn(column);
  list.SetColor(Color());
  list.SetFont(Font());
  list.SetPopupBorderStyle(LookAndFeel() == lfUltraFlat ? pbsFlat : pbsThick);
  list.ClearSearchText();

  TdxDBGridFilter& filter = Filter();
  TdxDBGridFilterValues& values = list.Values();
  values.Clear();
  values.SetLocaleCompare(OptionExOn(tloAnsiSort));
  values.SetCaseInsensitive(filter.CaseInsensitive());
  values.SetMaxCount(filter.MaxDropDownCount());
  bool blanks = false;
  auto add = [&](const std::string& text, const Variant& value) {
    const std::string* s = value.StringPtr();
    if (value.IsNull() || value.IsEmpty() || (s != nullptr && s->empty())) {
      blanks = true;
      return;
    }
    values.AddValue(text, value);
  };
  if (IsLoadAllMode()) {
    const int index = column->Index();
    auto visit = [&](const TdxTreeListNode* node) {
      add(GetCellText(node, index), dxFilterCellValue(*this, *column, node));
    };
    for (TdxTreeListNode* node = FirstNode(); node != nullptr; node = node->GetNext())
      if (node->Count() == 0) visit(node);
    for (const TdxTreeListNode* node : FHiddenNodes) visit(node);
  } else if (OnEnumFilterValues) {
    bool more = true;
    while (more) {
      std::string text;
      Variant value = Variant::Null();
      OnEnumFilterValues(this, column, more, text, value);
      if (more) add(text, value);
    }
  }
  list.FillItems(blanks);

  // The current item follows the column's condition.
  Variant current;
  int item = 0;
  switch (filter.ColumnFilterState(column, current)) {
    case cfsBlanks:
      if (blanks) item = 2;
      break;
    case cfsNonBlanks:
      if (blanks) item = 3;
      break;
    case cfsValue: {
      for (int i = 0; i < list.Count(); ++i) {
        const int valueIndex = list.ValueIndexOf(i);
        if (valueIndex >= 0 && CompareVariants(values.Values(valueIndex), current) == 0) {
          item = i;
          break;
        }
      }
      break;
    }
    case cfsCustom:
      item = 1;
      break;
    default:
      break;
  }

  // Size: whole items, DropDownCount rows at most, as wide as the widest text.
  const int itemHeight = list.MeasuredItemHeight();
  const int rows = filter.DropDownCount() > 0 && list.Count() >= filter.DropDownCount()
                       ? filter.DropDownCount()
                       : list.Count();
  int clientWidth = header.Width();
  if (filter.DropDownWidth() != 0) {
    clientWidth = filter.DropDownWidth();
  } else {
    TBitmap probe(1, 1);
    TCanvas& canvas = probe.Canvas();
    canvas.Font().Assign(&list.Font());
    for (int i = 0; i < list.Count(); ++i)
      clientWidth = std::max(clientWidth, canvas.TextWidth(list.Items().Strings(i)));
  }
  clientWidth += 4;
  const int border = list.BorderWidth();
  const int width = clientWidth + 2 * border;
  const int height = itemHeight * rows + 2 * border;
  TPoint origin = ClientToScreen(Point(header.Left, header.Bottom));
  FitPopupToWorkArea(origin, width, height, header.Height());
  list.SetBounds(origin.X, origin.Y, width, height);
  list.SetItemIndex(item);
  list.SetVisible(true);
  FFilterDropDownOpen = true;
  if (HandleAllocated()) SetCapture(*this);
  Invalidate();
}

void TCustomdxDBGrid::CancelMouseState() {
  if (FFilterDropDownOpen && FFilterDropDown != nullptr) FFilterDropDown->CloseUp(false);
  TCustomdxDBTreeListControl::CancelMouseState();
}

void TCustomdxDBGrid::WndProc(TMessage& message) {
  if (FFilterDropDownOpen && FFilterDropDown != nullptr &&
      (message.Msg == WM_KILLFOCUS || message.Msg == WM_CANCELMODE || message.Msg == CM_DEACTIVATE)) {
    const bool fromList = message.Msg == WM_KILLFOCUS && message.WParam == ControlParam(FFilterDropDown);
    if (!fromList) FFilterDropDown->CloseUp(false);
  }
  // A press on the open list is no press elsewhere: the grid's mouse
  // state, and with it the list, stays.
  if (FFilterDropDownOpen && FFilterDropDown != nullptr && message.Msg == CM_CANCELMODE &&
      ControlOf(static_cast<std::uintptr_t>(message.LParam)) == FFilterDropDown) {
    message.Result = 0;
    return;
  }
  // The grid holds the mouse while the list is open: what falls on the
  // list goes to it; a press elsewhere is the grid's (and closes the list);
  // moves and releases elsewhere are nobody's.
  if (FFilterDropDownOpen && FFilterDropDown != nullptr && message.Msg >= WM_MOUSEMOVE &&
      message.Msg <= WM_MBUTTONDBLCLK) {
    TdxDBGridFilterPopupListBox& list = *FFilterDropDown;
    const TPoint at = list.ScreenToClient(ClientToScreen(PointOf(message.LParam)));
    if (list.ClientRect().Contains(at)) {
      list.Perform(message.Msg, message.WParam, PointParam(at));
      message.Result = 0;
      return;
    }
    const bool press = message.Msg == WM_LBUTTONDOWN || message.Msg == WM_RBUTTONDOWN ||
                       message.Msg == WM_MBUTTONDOWN || message.Msg == WM_LBUTTONDBLCLK ||
                       message.Msg == WM_RBUTTONDBLCLK || message.Msg == WM_MBUTTONDBLCLK;
    if (!press) {
      message.Result = 0;
      return;
    }
  }
  // Typed characters choose the list's items, not the grid's rows.
  if (FFilterDropDownOpen && FFilterDropDown != nullptr && message.Msg == WM_CHAR) {
    FFilterDropDown->Perform(WM_CHAR, message.WParam, message.LParam);
    message.Result = 0;
    return;
  }
  TCustomdxDBTreeListControl::WndProc(message);
}

bool TCustomdxDBGrid::FilterDropDownKey(TKey& key) {
  if (!FFilterDropDownOpen || FFilterDropDown == nullptr) return false;
  FFilterDropDown->Perform(WM_KEYDOWN, static_cast<WPARAM>(key), 0);
  key = 0;
  return true;
}

bool TCustomdxDBGrid::FilterDropDownPress(int x, int y) {
  if (FFilterDropDownOpen && FFilterDropDown != nullptr) {
    // A press outside the open list closes it and is handled as usual.
    FFilterDropDown->CloseUp(false);
    return false;
  }
  if (!OptionExOn(tloHeaderButtonClicking)) return false;
  for (int i = 0; i < ColumnCount(); ++i) {
    auto* column = dynamic_cast<TdxDBTreeListColumn*>(Columns(i));
    if (column == nullptr || !column->Visible()) continue;
    if (FilterButtonRect(column).Contains(Point(x, y))) {
      DropDownFilter(column);
      return FFilterDropDownOpen;
    }
  }
  return false;
}
