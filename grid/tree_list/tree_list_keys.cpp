// The tree list's keyboard: focus moves by row, page, column and header
// row, node selection with Shift and Ctrl, expanding and collapsing, the
// keys that start and end editing, and the incremental search that typing
// runs in the focused column. Everything a key does runs inside one
// selection-change bracket, so OnSelectedCountChange fires once per key.

#include <algorithm>
#include <string>
#include <string_view>

#include "framework/gui/application/screen.h"
#include "grid/nodes/sort_comparers.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_column.h"

namespace {

bool IsExtensionKey(TKey key) {
  return key == VK_PRIOR || key == VK_NEXT || key == VK_END || key == VK_HOME || key == VK_UP || key == VK_DOWN;
}

}  // namespace

// --- Focus moves ------------------------------------------------------------------------

bool TCustomdxTreeList::AtFirstNode() const {
  return Count() == 0 || (FocusedNode() != nullptr && FocusedNode() == FirstNode());
}

bool TCustomdxTreeList::AtLastNode() const {
  return Count() == 0 || (FocusedNode() != nullptr && FocusedNode() == LastVisibleNode());
}

void TCustomdxTreeList::FocusAbsoluteIndex(int index) {
  if (Count() == 0) return;
  const int count = VisibleNodeCount();
  if (count == 0) return;
  index = std::clamp(index, 0, count - 1);
  if (FocusedNode() != nullptr && index == GetAbsoluteIndex(FocusedNode())) return;
  SetFocusedNodeAndColumn(GetAbsoluteNode(index), FocusedColumnIndex(), true);
}

// Moves the focus to node (with column) and, when exactly the old focused
// node was selected, the selection with it.
static bool MoveSelectionAlong(TCustomdxTreeList& tree, TdxTreeListNode* node, int column) {
  TdxTreeListNode* old = tree.FocusedNode();
  if (node == nullptr) return false;
  const bool along =
      tree.IsMultiSelect() && old != nullptr && tree.SelectedCount() == 1 && tree.IsNodeSelected(old);
  TdxSelectionChangeScope bracket(tree);
  tree.SetFocusedNodeAndColumn(node, column, true);
  if (along && node != old) {
    tree.SetNodeSelected(old, false);
    if (tree.CanSelectNode(node)) tree.SetNodeSelected(node, true);
  }
  bracket.Close();
  return true;
}

bool TCustomdxTreeList::FocusNext(bool fullTree) {
  TdxTreeListNode* old = FocusedNode();
  if (old == nullptr) return false;
  return MoveSelectionAlong(*this, GetRelativeNode(old, rnNext, fullTree), FocusedColumnIndex());
}

bool TCustomdxTreeList::FocusPrior(bool fullTree) {
  TdxTreeListNode* old = FocusedNode();
  if (old == nullptr) return false;
  return MoveSelectionAlong(*this, GetRelativeNode(old, rnPrev, fullTree), FocusedColumnIndex());
}

// One row up or down. With multi-select and Shift the selection grows from
// the anchor (the first such move) and shrinks again when a later move
// heads back towards it; without Shift the anchor goes.
void TCustomdxTreeList::MoveFocusByRow(int direction, TShiftState shift) {
  if (!IsMultiSelect() || !shift.Contains(ssShift)) {
    SetSelectionAnchor(nullptr);
    if (direction > 0)
      FocusNext(false);
    else
      FocusPrior(false);
    return;
  }
  TdxTreeListNode* focused = FocusedNode();
  if (focused == nullptr) return;
  TdxTreeListNode* target = direction > 0 ? GetNextVisibleNode(focused) : GetPrevVisibleNode(focused);
  if (target == nullptr) return;
  const int side = FSelectionAnchor != nullptr ? CompareWithAnchor(focused) : 0;
  const bool towardsAnchor = (side > 0 && direction < 0) || (side < 0 && direction > 0);
  if (!FShiftExtending) {
    if (CanExtendSelection() && FSelectionAnchor != nullptr) {
      SelectRange(FSelectionAnchor, focused);
      if (towardsAnchor) SetNodeSelected(focused, false);
    } else {
      SetSelectionAnchor(focused);
      if (CanSelectNode(focused)) SetNodeSelected(focused, true);
    }
    FShiftExtending = true;
  } else if (towardsAnchor) {
    SetNodeSelected(focused, false);
  }
  SetFocusedNodeAndColumn(target, FocusedColumnIndex(), true);
  if (CanSelectNode(target)) SetNodeSelected(target, true);
}

// Inside the page the focus goes to its first (last) fully visible row;
// from there it moves by a page less one row.
void TCustomdxTreeList::MoveFocusByPage(int direction) {
  if (FocusedNode() == nullptr) return;
  const int count = VisibleNodeCount();
  const int focused = GetAbsoluteIndex(FocusedNode());
  if (count < 2) {
    FocusAbsoluteIndex(focused + direction);
    return;
  }
  CalcRowsInView();
  const int top = std::max(TopIndex(), 0);
  const int page = FFullRowsInView;
  const int last = std::min(top + page - 1, count - 1);
  if (focused > top && focused < last)
    FocusAbsoluteIndex(direction < 0 ? top : last);
  else
    FocusAbsoluteIndex(focused + direction * (page < 2 ? 1 : page - 1));
}

// Up and Down between the header rows of a band with several: the column
// at the same place in the next row, wrapping to the other end of the band
// together with a row move. False when the key is a plain row move.
bool TCustomdxTreeList::MoveThroughHeaderRows(int direction) {
  if (OptionOn(tloRowSelect) || IsGroupNode(FocusedNode())) return false;
  const int column = FocusedColumnAbsoluteIndex();
  int band = 0;
  int row = 0;
  int position = 0;
  if (column < 0 || !FindColumnPlace(column, band, row, position)) return false;
  const int rows = GetBandHeaderRowCount(band);
  if (rows < 2) return false;
  int target = row + direction;
  bool wrap = false;
  if (target < 0 || target >= rows) {
    if (direction < 0 ? AtFirstNode() : AtLastNode()) return true;
    target = direction < 0 ? rows - 1 : 0;
    wrap = true;
  }
  const int count = GetHeaderColumnCount(band, target);
  if (count == 0) return false;
  const int targetColumn = GetHeaderAbsoluteIndex(band, target, std::min(position, count - 1));
  if (targetColumn < 0) return false;
  if (wrap) MoveFocusByRow(direction, {});
  SetFocusedNodeAndColumn(FocusedNode(), GetVisibleColumnIndex(targetColumn), true);
  return true;
}

// Tab in cell mode: the next (previous) column whose TabStop is set; past
// the last one, with tloTabThrough, the next row's first (the previous
// row's last) such column, the selection cleared. keepRow: the row
// changes only for tloTabThrough (Tab); Left and Right with tloHorzThrough
// always go on to the neighbouring row.
void TCustomdxTreeList::MoveToTabStop(bool backwards, bool keepRow) {
  const int count = GetVisibleColumnCount();
  const auto tabStop = [this](int visible) {
    const TdxTreeListColumn* column = Columns(GetAbsoluteColumnIndex(visible));
    return column == nullptr || column->TabStop();
  };
  const int step = backwards ? -1 : 1;
  for (int i = FocusedColumnIndex() + step; i >= 0 && i < count; i += step)
    if (tabStop(i)) {
      SetFocusedColumnIndex(i);
      return;
    }
  if (keepRow && !OptionOn(tloTabThrough)) return;
  TdxTreeListNode* focused = FocusedNode();
  TdxTreeListNode* target = focused == nullptr   ? nullptr
                            : backwards          ? GetPrevVisibleNode(focused)
                                                 : GetNextVisibleNode(focused);
  if (target == nullptr) return;
  int column = backwards ? count - 1 : 0;
  for (int i = column; i >= 0 && i < count; i -= step)
    if (tabStop(i)) {
      column = i;
      break;
    }
  if (keepRow) {
    ClearSelection();
    SetFocusedNodeAndColumn(target, column, true);
  } else {
    MoveSelectionAlong(*this, target, column);
  }
}

// --- KeyDown --------------------------------------------------------------------------------

void TCustomdxTreeList::KeyDown(TKey& key, TShiftState shift) {
  // The keypad's plus and minus belong to a node drag while it lasts.
  if (DragKeyDown(key)) {
    key = 0;
    return;
  }
  TCustomdxContainer::KeyDown(key, shift);
  if (key == 0) return;
  HandleKey(key, shift);
}

void TCustomdxTreeList::HandleKey(TKey& key, TShiftState shift) {
  TdxSelectionChangeScope bracket(*this);
  if (!IsKeyAllowed(key, shift)) key = 0;
  switch (FState) {
    case tsColumnSizing:
    case tsColumnDragging:
    case tsBandSizing:
    case tsBandDragging:
    case tsBandPanelSizing:
    case tsHeaderPanelSizing:
    case tsRowSizing:
      if (key == VK_ESCAPE) CancelMouseState();
      bracket.Close();
      return;
    default:
      break;
  }
  if (Count() == 0 || key == 0) {
    bracket.Close();
    return;
  }
  if (FState == tsEditing) {
    switch (key) {
      case VK_TAB:
      case VK_RETURN:
      case VK_ESCAPE:
      case VK_PRIOR:
      case VK_NEXT:
      case VK_UP:
      case VK_DOWN:
        CloseEditorAndFocus();
        if (key == VK_ESCAPE) {
          bracket.Close();
          return;
        }
        break;
      default:
        break;
    }
  }
  if (IsNewItemRowActive() && (key == VK_NEXT || key == VK_DOWN)) {
    LeaveNewItemRow();
    SetFocusedNodeAndColumn(FocusedNode(), FocusedColumnIndex(), true);
    if (!shift.Contains(ssCtrl) && !shift.Contains(ssShift)) {
      ClearSelection();
      SetSelectionAnchor(nullptr);
      if (FocusedNode() != nullptr && CanSelectNode(FocusedNode())) SetNodeSelected(FocusedNode(), true);
    }
    bracket.Close();
    return;
  }
  if (FSearching && SearchKeyDown(key, shift)) {
    bracket.Close();
    return;
  }
  const bool extending = shift.Contains(ssShift) && IsExtensionKey(key) && CanExtendSelection();
  if (shift.Contains(ssCtrl) && !extending) {
    FShiftExtending = false;
    KeyDownWithCtrl(key);
  } else {
    if (!shift.Contains(ssShift)) FShiftExtending = false;
    KeyDownPlain(key, shift);
  }
  if (IsMultiSelect() && SelectedCount() == 0 && FocusedNode() != nullptr && CanSelectNode(FocusedNode()))
    SetNodeSelected(FocusedNode(), true);
  bracket.Close();
}

// The keys that work on an active search: Backspace takes its last
// character, Delete its whole text, Esc ends it, Ctrl+Enter finds the next
// match below the focused row and Shift+Enter the one above it. False for
// every other key, which then works as without a search.
bool TCustomdxTreeList::SearchKeyDown(TKey key, TShiftState shift) {
  int mode = 0;
  switch (key) {
    case VK_ESCAPE:
      EndAutoSearch();
      return true;
    case VK_BACK:
    case VK_DELETE:
      break;
    case VK_RETURN:
      if (shift.Contains(ssCtrl) == shift.Contains(ssShift)) return false;
      mode = shift.Contains(ssCtrl) ? 2 : 1;
      break;
    default:
      return false;
  }
  if (!OptionOn(tloRowSelect)) {
    const int column = FocusedColumnAbsoluteIndex();
    if (column != FSearchColumn) {
      FSearchColumn = column;
      FSearchText.clear();
    }
  }
  if (key == VK_BACK && !FSearchText.empty()) FSearchText.pop_back();
  if (key == VK_DELETE) FSearchText.clear();
  AutoSearchStep(FSearchText, mode, false);
  return true;
}

void TCustomdxTreeList::KeyDownWithCtrl(TKey key) {
  TdxTreeListNode* focused = FocusedNode();
  switch (key) {
    case VK_SPACE:
      if (focused != nullptr && (OptionOn(tloRowSelect) || !OptionOn(tloEditing))) {
        const bool select = !IsNodeSelected(focused);
        if (!select || CanSelectNode(focused)) SetNodeSelected(focused, select);
        SetSelectionAnchor(focused);
      }
      break;
    case VK_PRIOR:
    case VK_NEXT:
      MoveFocusByPage(key == VK_PRIOR ? -1 : 1);
      break;
    case VK_END:
      FocusAbsoluteIndex(VisibleNodeCount() - 1);
      break;
    case VK_HOME:
      FocusAbsoluteIndex(0);
      break;
    case VK_LEFT:
      SetFocusedColumnIndex(0);
      break;
    case VK_RIGHT:
      SetFocusedColumnIndex(GetVisibleColumnCount() - 1);
      break;
    case VK_UP:
      if (AtFirstNode() && ShowNewItemRow())
        ActivateNewItemRow();
      else
        FocusAbsoluteIndex(FocusedAbsoluteIndex() - 1);
      break;
    case VK_DOWN:
      FocusAbsoluteIndex(FocusedAbsoluteIndex() + 1);
      break;
    case VK_INSERT:
      CopySelectedToClipboard();
      break;
    default:
      break;
  }
}

// Before a move that Shift may extend: the anchor stays (or becomes the
// focused node) with Shift, and goes without it. After the move the range
// from the anchor to the new focused node is selected.
void TCustomdxTreeList::ExtendFromAnchor(TShiftState shift, TdxTreeListNode* before) {
  const bool extend = shift.Contains(ssShift) && CanExtendSelection() && IsMultiSelect();
  if (before != nullptr) {
    // Called before the move.
    if (!extend)
      SetSelectionAnchor(nullptr);
    else if (FSelectionAnchor == nullptr)
      SetSelectionAnchor(before);
    return;
  }
  if (extend && FSelectionAnchor != nullptr && FocusedNode() != nullptr) SelectRange(FSelectionAnchor, FocusedNode());
}

void TCustomdxTreeList::KeyDownPlain(TKey& key, TShiftState shift) {
  TdxTreeListNode* focused = FocusedNode();
  const bool rowSelect = OptionOn(tloRowSelect);
  const bool backwards = shift.Contains(ssShift);
  switch (key) {
    case VK_TAB:
    case VK_RETURN: {
      if (shift.Contains(ssAlt)) break;
      if (key == VK_RETURN && !OptionExOn(tloEnterThrough)) break;
      if (rowSelect) {
        ClearSelection();
        if (backwards)
          FocusPrior(false);
        else
          FocusNext(false);
      } else {
        MoveToTabStop(backwards, true);
      }
      if (key == VK_RETURN) ShowEditor();
      break;
    }
    case VK_ESCAPE:
      ClearSelection();
      RefreshEditor();
      // The editor may not have been made yet.
      if (TdxInplaceEdit* editor = InplaceEditor()) editor->EditButtonKey();
      CloseEditorAndFocus();
      break;
    case VK_PRIOR:
    case VK_NEXT: {
      ClearSelection();
      ExtendFromAnchor(shift, focused);
      if (key == VK_PRIOR && AtFirstNode() && ShowNewItemRow())
        ActivateNewItemRow();
      else
        MoveFocusByPage(key == VK_PRIOR ? -1 : 1);
      ExtendFromAnchor(shift, nullptr);
      break;
    }
    case VK_END:
    case VK_HOME:
      if (rowSelect || backwards) {
        ClearSelection();
        ExtendFromAnchor(shift, focused);
        FocusAbsoluteIndex(key == VK_END ? VisibleNodeCount() - 1 : 0);
        ExtendFromAnchor(shift, nullptr);
      } else {
        SetFocusedColumnIndex(key == VK_END ? GetVisibleColumnCount() - 1 : 0);
      }
      break;
    case VK_LEFT:
      if (rowSelect) {
        if (focused == nullptr) break;
        MakeNodeVisible(focused);
        if (IsNewItemRowActive()) break;
        if (focused->Expanded() && focused->Count() > 0) {
          focused->SetExpanded(false);
        } else if (focused->Parent() == nullptr) {
          FocusPrior(false);
        } else {
          TdxTreeListNode* parent = focused->Parent();
          SetFocusedNodeAndColumn(parent, FocusedColumnIndex(), true);
          if (IsMultiSelect()) {
            ClearSelection();
            if (CanSelectNode(parent)) SetNodeSelected(parent, true);
          }
        }
      } else if (FocusedColumnIndex() == 0 && OptionExOn(tloHorzThrough)) {
        MoveToTabStop(true, false);
      } else if (FocusedColumnIndex() > 0) {
        SetFocusedColumnIndex(FocusedColumnIndex() - 1);
      }
      break;
    case VK_RIGHT:
      if (rowSelect) {
        if (focused == nullptr) break;
        if (focused->Count() > 0 || focused->HasChildren()) {
          if (focused->Expanded() && focused->Count() > 0) {
            TdxTreeListNode* child = focused->GetFirstChild();
            SetFocusedNodeAndColumn(child, FocusedColumnIndex(), true);
            if (IsMultiSelect()) {
              ClearSelection();
              if (CanSelectNode(child)) SetNodeSelected(child, true);
            }
          } else {
            focused->SetExpanded(true);
          }
        } else {
          FocusNext(false);
        }
      } else if (FocusedColumnIndex() == GetVisibleColumnCount() - 1 && OptionExOn(tloHorzThrough)) {
        MoveToTabStop(false, false);
      } else if (FocusedColumnIndex() < GetVisibleColumnCount() - 1) {
        SetFocusedColumnIndex(FocusedColumnIndex() + 1);
      }
      break;
    case VK_UP:
    case VK_DOWN: {
      const int direction = key == VK_UP ? -1 : 1;
      if (OptionExOn(tloVertThrough) && MoveThroughHeaderRows(direction)) break;
      if (key == VK_UP && AtFirstNode() && ShowNewItemRow())
        ActivateNewItemRow();
      else
        MoveFocusByRow(direction, shift);
      break;
    }
    case VK_F2:
      ShowEditor();
      break;
    default:
      break;
  }
}

// --- KeyPress and the incremental search ---------------------------------------------------

void TCustomdxTreeList::KeyPress(char& key) {
  const auto ch = static_cast<unsigned char>(key);
  const bool ctrlOnly = FCharShift.Contains(ssCtrl) && !FCharShift.Contains(ssAlt);
  if (FState == tsNone && !FSearching && OptionExOn(tloAutoSearch) && ch != '\b' && ch != '\t' && ch != '\r' &&
      ch != 0x1B && !ctrlOnly)
    StartAutoSearch(-1, std::string());
  if (FSearching || !OptionExOn(tloEnterShowEditor) || FState == tsEditing) {
    TCustomdxContainer::KeyPress(key);
  } else if (ch == '\r') {
    ShowEditor();
  } else if (ch == '\b' || ch == 22 || ch == 24 || ch >= 32) {
    ShowEditorWithChar(key);
    if (FState != tsEditing) TCustomdxContainer::KeyPress(key);
  } else {
    TCustomdxContainer::KeyPress(key);
  }
  if (key == 0) return;
  if (FState != tsEditing && FocusedNode() != nullptr) {
    TdxTreeListNode* node = FocusedNode();
    switch (ch) {
      case 3:  // Ctrl+C
        if (OptionExOn(tloAutoCopySelectedToClipboard)) CopySelectedToClipboard();
        break;
      case '*':
        if (node->HasChildren()) node->Expand(true);
        break;
      case '+':
        MakeNodeVisible(node);
        node->SetExpanded(true);
        break;
      case '-':
        MakeNodeVisible(node);
        node->SetExpanded(false);
        break;
      default:
        break;
    }
  }
  if (FSearching && ch >= 32 && !ctrlOnly) {
    // The search follows the focused column; a new column starts a new
    // text.
    const int column = FocusedColumnAbsoluteIndex();
    if (column != FSearchColumn) {
      FSearchColumn = column;
      FSearchText.clear();
    }
    FSearchText += key;
    AutoSearchStep(FSearchText, 0, false);
  }
}

bool TCustomdxTreeList::StartAutoSearch(int columnIndex, const std::string& text) {
  CloseEditor();
  LeaveNewItemRow();
  if (columnIndex == -1) columnIndex = FocusedColumnAbsoluteIndex();
  if (columnIndex >= 0) {
    const int visible = GetVisibleColumnIndex(columnIndex);
    if (visible != FocusedColumnIndex()) SetFocusedColumnIndex(visible);
  }
  FSearchColumn = columnIndex;
  FSearching = true;
  FSearchText = text;
  AutoSearchStep(FSearchText, 0, true);
  return !FSearchText.empty();
}

void TCustomdxTreeList::AutoSearchStep(std::string& text, int mode, bool clearOnFail) {
  struct TStepScope {
    int& Depth;
    ~TStepScope() { --Depth; }
  } step{++FSearchStepDepth};
  if (FSearchColumn < 0 || Count() == 0) {
    text.clear();
  } else {
    TdxTreeListNode* found = nullptr;
    if (LocateByText(FSearchColumn, text, mode, found)) {
      if (found != FocusedNode()) SetFocusedNodeAndColumn(found, FocusedColumnIndex(), false);
    } else if (clearOnFail) {
      text.clear();
    } else if (mode == 0 && !text.empty()) {
      // The character that matches nothing is refused.
      text.pop_back();
    }
  }
  TdxTreeListNode* node = FocusedNode();
  if (node == nullptr) return;
  if (IsMultiSelect()) {
    TdxSelectionChangeScope bracket(*this);
    ClearSelection();
    if (CanSelectNode(node)) SetNodeSelected(node, true);
    bracket.Close();
  }
  MakeNodeVisible(node);
  NodeChanged(node, false);
}

bool TCustomdxTreeList::LocateByText(int columnIndex, const std::string& text, int mode, TdxTreeListNode*& node) {
  node = nullptr;
  if (text.empty() || Count() == 0) return false;
  const auto matches = [&](const TdxTreeListNode* candidate) {
    const std::string cell = GetCellText(candidate, columnIndex);
    return cell.size() >= text.size() && TextEqualsIgnoringCase(std::string_view(cell).substr(0, text.size()), text);
  };
  const bool backwards = mode == 1;
  if (FAutoExpandOnSearch) {
    // Every node in tree order, collapsed or not; the caller shows what
    // is found.
    TdxTreeListNode* last = Items(Count() - 1);
    while (last->Count() > 0) last = last->GetLastChild();
    const auto advance = [&](TdxTreeListNode* n) {
      TdxTreeListNode* next = backwards ? n->GetPrev() : n->GetNext();
      return next != nullptr ? next : backwards ? last : FirstNode();
    };
    TdxTreeListNode* start = FocusedNode() != nullptr ? FocusedNode() : FirstNode();
    TdxTreeListNode* n = mode == 0 ? start : advance(start);
    for (;;) {
      if (mode != 0 && n == start) return false;
      if (matches(n)) {
        node = n;
        return true;
      }
      n = advance(n);
      if (mode == 0 && n == start) return false;
    }
  }
  // The rows by index: the flattened order answers each at once.
  const int count = VisibleNodeCount();
  if (count == 0) return false;
  const int start = std::max(GetAbsoluteIndex(FocusedNode()), 0);
  const int step = backwards ? -1 : 1;
  const int first = mode == 0 ? start : start + step;
  const int candidates = mode == 0 ? count : count - 1;
  for (int k = 0; k < candidates; ++k) {
    const int index = ((first + step * k) % count + count) % count;
    TdxTreeListNode* candidate = GetAbsoluteNode(index);
    if (candidate != nullptr && matches(candidate)) {
      node = candidate;
      return true;
    }
  }
  return false;
}

void TCustomdxTreeList::EndAutoSearch() {
  if (!FSearching) return;
  FSearching = false;
  FSearchText.clear();
  if (!IsUpdateLocked() && !IsDestroying() && FocusedNode() != nullptr) NodeChanged(FocusedNode(), false);
}

std::string TCustomdxTreeList::AutoSearchText() const { return FSearching ? FSearchText : std::string(); }

int TCustomdxTreeList::AutoSearchColumn() const { return FSearching ? FSearchColumn : -1; }

unsigned TCustomdxTreeList::GetDlgCode() const {
  unsigned code = DLGC_WANTARROWS;
  const TShiftState shift = GetShiftState();
  if (OptionOn(tloEditing) || FSearching || (OptionExOn(tloAutoSearch) && !shift.Contains(ssAlt)))
    code |= DLGC_WANTCHARS;
  if (OptionOn(tloTabs) && !shift.Contains(ssCtrl)) code |= DLGC_WANTTAB;
  return code;
}
