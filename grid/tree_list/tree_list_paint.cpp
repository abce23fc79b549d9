// Painting of the tree list from one layout: the panels in a fixed order
// (top panel, bands, headers, new-item row, indicator column, footer,
// bottom panel, rows), each only where the clip region reaches. Handlers
// of the custom-draw events run inside a canvas state scope, so a handler
// that changes the clip, font or brush (or raises) leaves the canvas as
// it found it.

#include <algorithm>
#include <string>
#include <vector>

#include "framework/gui/graphics/bitmap.h"
#include "framework/gui/graphics/canvas.h"
#include "grid/support/draw_helpers.h"
#include "grid/tree_list/tree_list.h"
#include "grid/tree_list/tree_list_bands.h"
#include "grid/tree_list/tree_list_column.h"

namespace {

// The RGB colour with its bits inverted. System colours are resolved
// first: their value is an index, and inverting the index names no colour.
TColor InvertColor(TColor color) { return ColorToRGB(color) ^ 0xFFFFFF; }

unsigned AlignmentFlags(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return CTF_RIGHT;
    case taCenter:
      return CTF_CENTER;
    default:
      return CTF_LEFT;
  }
}

unsigned DrawTextAlignment(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return DT_RIGHT;
    case taCenter:
      return DT_CENTER;
    default:
      return DT_LEFT;
  }
}

void Fill(TCanvas& canvas, const TRect& rect, TColor color) {
  if (rect.IsEmpty()) return;
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(color);
  canvas.FillRect(rect);
}

// A header button's position in its row of buttons.
enum THeaderPosition { hpAlone = 0, hpLast = 1, hpFirst = 2, hpBetween = 3 };

THeaderPosition PositionOf(bool first, bool last) {
  if (first && last) return hpAlone;
  if (last) return hpLast;
  if (first) return hpFirst;
  return hpBetween;
}

}  // namespace

// What one header or band button shows.
struct TdxHeaderButtonInfo {
  TRect Rect;
  TRect Clip;
  std::string Text;
  TAlignment Alignment = taLeftJustify;
  TColor Color = clBtnFace;
  int Position = hpAlone;
  bool MultiLine = false;
  bool Pressed = false;
  int ButtonState = 0;
  TdxTreeListColumnSort Sorted = csNone;
  const TBitmap* Glyph = nullptr;
};

// The painting of one tree list onto one canvas; lives for one paint.
class TdxTreeListPainter {
 public:
  TdxTreeListPainter(TCustomdxTreeList& treeList, TCanvas& canvas) : T(treeList), C(canvas) {
    T.CalculateLayout(L);
    EmptyColor = T.LookAndFeel() == lfUltraFlat ? RGB(160, 160, 160) : clBtnShadow;
    HasFocus = T.Focused();
  }

  void Paint();
  // One button alone, unpressed, without a drop-down box: a drag picture.
  void PaintLoneButton(const TdxHeaderButtonInfo& button) { PaintHeaderButton(button); }

 private:
  void PaintBands();
  void PaintHeaders();
  void PaintHeaderButton(const TdxHeaderButtonInfo& button);
  void PaintCornerButton(const TRect& rect, TColor color, bool pressed);
  void PaintNewItemRow();
  void PaintIndicator();
  void PaintIndicatorImage(const TRect& rect, int kind);
  void PaintFooter();
  void PaintRows();
  void PaintRow(const TdxTreeListRowItem& row, int lineIndex);
  void PaintIndent(const TdxTreeListRowItem& row, const TRect& lines);
  void PaintExpandButton(const TdxTreeListNode* node, const TRect& slot);
  void CellColors(const TdxTreeListRowItem& row, int absolute, bool selected, TColor& color, TColor& textColor);
  bool CellSelected(const TdxTreeListRowItem& row, int absolute) const;
  void PaintLinesBelowCells(const TdxTreeListRowItem& row, int linesBottom);
  TRect CellRect(const TdxTreeListNode* node, int absolute) const;
  void PaintFixedBandLines();

  TCustomdxTreeList& T;
  TCanvas& C;
  TdxTreeListLayoutInfo L;
  TColor EmptyColor = clBtnShadow;
  bool HasFocus = false;
};

void TdxTreeListPainter::Paint() {
  TCanvasStateScope state(C);
  if (!L.TopPanel.IsEmpty() && C.RectVisible(L.TopPanel)) T.DrawTopPanel(C, L.TopPanel);
  PaintBands();
  PaintHeaders();
  PaintNewItemRow();
  PaintIndicator();
  if (!L.Indicator.IsEmpty()) C.ExcludeClipRect(L.Indicator);
  PaintFooter();
  if (!L.BottomPanel.IsEmpty()) {
    if (C.RectVisible(L.BottomPanel)) T.DrawBottomPanel(C, L.BottomPanel);
    C.ExcludeClipRect(L.BottomPanel);
  }
  PaintRows();
  PaintFixedBandLines();
  if (!L.EmptyArea.IsEmpty() && C.RectVisible(L.EmptyArea)) Fill(C, L.EmptyArea, EmptyColor);
}

// --- Bands and headers -------------------------------------------------------------

void TdxTreeListPainter::PaintCornerButton(const TRect& rect, TColor color, bool pressed) {
  if (rect.IsEmpty() || !C.RectVisible(rect)) return;
  TRect r = rect;
  Fill(C, r, color);
  if (T.LookAndFeel() == lfUltraFlat) {
    C.DrawEdge(r, BDR_RAISEDINNER, BF_RECT | BF_FLAT);
    if (pressed) C.InvertRect(rect);
  } else {
    C.DrawEdge(r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  }
}

void TdxTreeListPainter::PaintBands() {
  if (L.BandPanel.IsEmpty()) return;
  PaintCornerButton(L.BandButton, T.BandColor(), T.State() == tsBandButtonDown);
  if (!C.RectVisible(L.BandPanel)) return;
  TCanvasStateScope state(C);
  C.Font().Assign(&T.BandFont());
  const int count = static_cast<int>(L.Bands.size());
  for (int i = 0; i < count; ++i) {
    const TdxTreeListBandItem& band = L.Bands[static_cast<std::size_t>(i)];
    if (!C.RectVisible(band.ClipRect)) continue;
    TdxHeaderButtonInfo button;
    button.Rect = band.Rect;
    button.Clip = band.ClipRect;
    button.Text = T.GetBandCaption(band.BandIndex);
    button.Alignment = T.GetBandAlignment(band.BandIndex);
    button.Color = T.BandColor();
    button.Position = PositionOf(i == 0, i == count - 1);
    button.MultiLine = T.Metrics().BandRowCount > 1;
    button.Pressed = T.PressedBand() == band.BandIndex && T.State() == tsBandDown && T.PressedItemDown();
    bool done = false;
    if (T.IsCustomDrawBand(band.BandIndex)) {
      TCanvasStateScope guard(C);
      C.IntersectClipRect(band.ClipRect);
      T.DoCustomDrawBand(band.BandIndex, C, band.Rect, button.Text, button.Color, C.Font(), button.Alignment, done);
    }
    if (!done) PaintHeaderButton(button);
  }
}

void TdxTreeListPainter::PaintFixedBandLines() {
  const int width = T.FixedBandLineWidth();
  int bottom = L.Rows.Top;
  if (!L.RowItems.empty()) bottom = L.RowItems.back().Top + L.RowItems.back().Height;
  bottom = std::min(bottom, L.Rows.Bottom);
  if (!L.LeftFixedRect.IsEmpty()) {
    const TRect line = Rect(L.LeftFixedRect.Right - width, L.LeftFixedRect.Top, L.LeftFixedRect.Right, bottom);
    if (C.RectVisible(line)) Fill(C, line, T.FixedBandLineColor());
  }
  if (!L.RightFixedRect.IsEmpty()) {
    const TRect line = Rect(L.RightFixedRect.Left, L.RightFixedRect.Top, L.RightFixedRect.Left + width, bottom);
    if (C.RectVisible(line)) Fill(C, line, T.FixedBandLineColor());
  }
}

void TdxTreeListPainter::PaintHeaders() {
  if (L.HeaderPanel.IsEmpty()) return;
  PaintCornerButton(L.HeaderButton, T.HeaderColor(), T.State() == tsColumnButtonDown);
  if (!C.RectVisible(L.HeaderPanel)) return;
  TCanvasStateScope state(C);
  C.Font().Assign(&T.HeaderFont());
  for (const TdxTreeListHeaderItem& cell : L.Headers) {
    if (!C.RectVisible(cell.ClipRect) && (cell.FillRect.IsEmpty() || !C.RectVisible(cell.FillRect))) continue;
    TdxTreeListColumn* column = T.Columns(cell.AbsoluteIndex);
    TdxHeaderButtonInfo button;
    button.Rect = cell.Rect;
    button.Clip = cell.ClipRect;
    button.Color = T.HeaderColor();
    if (column != nullptr) {
      button.Alignment = column->HeaderAlignment();
      button.Text = column->DisableCaption() ? std::string() : column->Caption();
      button.Sorted = column->Sorted();
      if (column->HasHeaderGlyph() && !column->HeaderGlyph().Empty()) button.Glyph = &column->HeaderGlyph();
    } else {
      button.Text = T.GetColumnCaption(cell.AbsoluteIndex);
    }
    button.ButtonState = T.GetColumnHeaderButtonState(cell.AbsoluteIndex);
    button.Position = PositionOf(cell.FirstInRow, cell.LastInRow);
    button.MultiLine = cell.LineCount > 1 || T.Metrics().HeaderLineCount > 1;
    button.Pressed = T.PressedColumn() == cell.AbsoluteIndex &&
                     (T.State() == tsColumnDown || T.State() == tsColumnDownInButtonMode) &&
                     T.PressedItemDown();
    bool done = false;
    if (T.IsCustomDrawColumnHeader(column)) {
      TCanvasStateScope guard(C);
      C.IntersectClipRect(cell.ClipRect);
      T.DoCustomDrawColumnHeader(C, cell.Rect, column, button.Text, button.Color, C.Font(), button.Alignment,
                                 button.Sorted, done);
    }
    if (!done && C.RectVisible(cell.ClipRect)) PaintHeaderButton(button);
    if (!cell.FillRect.IsEmpty()) {
      TRect fill = cell.FillRect;
      fill.Left = std::max(fill.Left, cell.ClipRect.Left);
      fill.Right = std::min(fill.Right, cell.ClipRect.Right);
      if (C.RectVisible(fill)) Fill(C, fill, EmptyColor);
    }
  }
  for (const TdxTreeListEmptyBandHeader& empty : L.EmptyBandHeaders)
    if (C.RectVisible(empty.Rect)) Fill(C, empty.Rect, EmptyColor);
}

// The button goes straight onto the canvas, clipped to the part of it that
// is shown; it looks the same as drawing it whole into the work bitmap and
// copying that part.
void TdxTreeListPainter::PaintHeaderButton(const TdxHeaderButtonInfo& button) {
  TCanvasStateScope state(C);
  C.IntersectClipRect(button.Clip);
  TRect r = button.Rect;
  const TdxLookAndFeel look = T.LookAndFeel();
  C.Brush().SetStyle(bsSolid);
  C.Brush().SetColor(button.Color);
  if (look == lfStandard) {
    C.FillRect(r);
    if (button.Pressed) {
      C.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    } else {
      C.DrawEdge(r, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM | BF_SOFT | BF_ADJUST);
      C.DrawEdge(r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
    }
    InflateRect(r, -1, 0);
  } else if (button.Position != hpAlone) {
    C.FillRect(r);
    TRect edges = r;
    if (look == lfUltraFlat)
      C.DrawEdge(edges, BDR_SUNKENOUTER, BF_TOP | BF_BOTTOM | BF_FLAT);
    else
      C.DrawEdge(edges, BDR_RAISEDINNER, BF_TOP | BF_BOTTOM);
    TRect sides = r;
    unsigned flags = BF_RIGHT;
    if (button.Position == hpFirst) flags |= BF_LEFT;
    if (look == lfUltraFlat)
      C.DrawEdge(sides, BDR_SUNKENOUTER, flags | BF_FLAT);
    else
      C.DrawEdge(sides, BDR_RAISEDINNER, flags);
    InflateRect(r, -2, -1);
  } else {
    if (look == lfUltraFlat) {
      C.Brush().SetColor(clBtnShadow);
      C.FrameRect(r);
      C.Brush().SetColor(button.Color);
      InflateRect(r, -1, -1);
    } else {
      C.DrawEdge(r, BDR_RAISEDINNER, BF_RECT | BF_SOFT | BF_ADJUST);
    }
    C.FillRect(r);
    InflateRect(r, -1, 0);
  }

  // The drop-down box of a header button.
  if (button.ButtonState != 0 && r.Width() > 14) {
    const TRect box = Rect(r.Right - 15, r.Top, r.Right, r.Bottom);
    TColor boxColor = (button.ButtonState & 4) ? clBtnText : (button.ButtonState & 2) ? clBtnShadow : clBtnFace;
    Fill(C, box, boxColor);
    C.Brush().SetColor(clBtnShadow);
    C.FrameRect(box);
    const TColor arrow = (button.ButtonState & 6) ? clWindow : (button.ButtonState & 8) ? clBlue : clBtnText;
    int width = box.Width() / 2;
    if (width % 2 == 0) --width;
    const int cx = (box.Left + box.Right) / 2;
    const int top = (box.Top + box.Bottom) / 2 - width / 4;
    C.Pen().SetColor(arrow);
    C.Brush().SetColor(arrow);
    C.Polygon({Point(cx - width / 2, top), Point(cx + width / 2, top), Point(cx, top + width / 2)});
    r.Right = box.Left;
  }
  // The sort mark.
  if (button.Sorted != csNone && r.Width() > 15) {
    const TRect mark = Rect(r.Right - 16, r.Top, r.Right, r.Bottom);
    const int cx = (mark.Left + mark.Right) / 2;
    const int cy = (mark.Top + mark.Bottom) / 2;
    C.Pen().SetColor(clBtnShadow);
    C.Brush().SetColor(clBtnShadow);
    if (button.Sorted == csDown)
      C.Polygon({Point(cx - 4, cy - 2), Point(cx + 4, cy - 2), Point(cx, cy + 2)});
    else
      C.Polygon({Point(cx - 4, cy + 2), Point(cx + 4, cy + 2), Point(cx, cy - 2)});
    r.Right = mark.Left;
  }
  if (button.Glyph != nullptr) {
    const int top = r.Top + std::max(0, (r.Height() - button.Glyph->Height()) / 2);
    TBrush brush;
    brush.SetColor(button.Color);
    DrawBitmapOverBrush(C, brush,
                        Rect(r.Left, top, r.Left + button.Glyph->Width(), top + button.Glyph->Height()),
                        *button.Glyph);
    r.Left += button.Glyph->Width() + 2;
  }
  if (!button.Text.empty() && !r.IsEmpty()) {
    C.SetBkMode(bkTransparent);
    TRect text = r;
    InflateRect(text, -1, 0);
    unsigned format = DrawTextAlignment(button.Alignment) | DT_EXPANDTABS | DT_NOPREFIX;
    if (button.MultiLine) {
      format |= DT_WORDBREAK;
    } else {
      format |= DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
      if (C.TextWidth(button.Text) <= text.Width()) format |= DT_NOCLIP;
    }
    C.DrawText(button.Text, text, format);
  }
  if (button.Pressed && look != lfStandard) C.InvertRect(button.Rect);
}

// --- Indicator, new-item row, footer ---------------------------------------------------

// The indicator images, drawn as small black marks: 1 the focused row's
// arrow, 2 the row in edit, 3 the new row, 4 a selected row, 5 the focused
// selected row.
void TdxTreeListPainter::PaintIndicatorImage(const TRect& rect, int kind) {
  if (kind <= 0) return;
  const int cx = (rect.Left + rect.Right) / 2;
  const int cy = (rect.Top + rect.Bottom) / 2;
  C.Pen().SetColor(clBlack);
  C.Brush().SetStyle(bsSolid);
  C.Brush().SetColor(clBlack);
  switch (kind) {
    case 1:
      C.Polygon({Point(cx - 2, cy - 4), Point(cx + 2, cy), Point(cx - 2, cy + 4)});
      break;
    case 2:
      C.FillRect(Rect(cx - 1, cy - 4, cx + 1, cy + 5));
      C.FillRect(Rect(cx - 3, cy - 5, cx + 3, cy - 4));
      C.FillRect(Rect(cx - 3, cy + 5, cx + 3, cy + 6));
      break;
    case 3:
      C.FillRect(Rect(cx - 3, cy, cx + 4, cy + 1));
      C.FillRect(Rect(cx, cy - 3, cx + 1, cy + 4));
      C.FillRect(Rect(cx - 2, cy - 2, cx + 3, cy + 3));
      break;
    case 4:
      C.FillRect(Rect(cx - 1, cy - 1, cx + 2, cy + 2));
      break;
    default:
      C.Polygon({Point(cx - 3, cy - 4), Point(cx + 1, cy), Point(cx - 3, cy + 4)});
      C.FillRect(Rect(cx + 2, cy - 1, cx + 4, cy + 1));
      break;
  }
}

void TdxTreeListPainter::PaintIndicator() {
  if (L.Indicator.IsEmpty() || !C.RectVisible(L.Indicator)) return;
  Fill(C, L.Indicator, clBtnFace);
  for (const TdxTreeListRowItem& row : L.RowItems) {
    TRect cell = Rect(L.Indicator.Left, row.Top, L.Indicator.Right, std::min(row.Top + row.Height, L.Indicator.Bottom));
    if (!C.RectVisible(cell)) continue;
    const TRect image = cell;
    Fill(C, cell, clBtnFace);
    if (T.LookAndFeel() == lfUltraFlat)
      C.DrawEdge(cell, BDR_SUNKENOUTER, BF_RECT | BF_FLAT);
    else
      C.DrawEdge(cell, BDR_RAISEDINNER, BF_RECT);
    PaintIndicatorImage(image, T.GetRowIndicatorKind(row.Node));
  }
}

void TdxTreeListPainter::PaintNewItemRow() {
  if (L.NewItemRow.IsEmpty() || !C.RectVisible(L.NewItemRow)) return;
  const int separator = T.Metrics().NewItemRowSeparator;
  const TRect row = Rect(L.NewItemRow.Left, L.NewItemRow.Top, L.NewItemRow.Right, L.NewItemRow.Bottom - separator);
  Fill(C, L.NewItemRow, clBtnFace);
  if (!L.BandButton.IsEmpty() || T.ShowIndicator()) {
    TRect cell = Rect(L.NewItemRow.Left, row.Top, L.Rows.Left, row.Bottom);
    if (!cell.IsEmpty()) {
      const TRect image = cell;
      C.DrawEdge(cell, T.LookAndFeel() == lfUltraFlat ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
                 BF_RECT | (T.LookAndFeel() == lfUltraFlat ? BF_FLAT : 0));
      PaintIndicatorImage(image, 3);
    }
  }
  for (const TdxTreeListHeaderItem& header : L.Headers) {
    if (header.RowIndex != 0) continue;
    TdxCellPaintInfo cell;
    cell.Rect = Rect(header.ClipRect.Left, row.Top, header.ClipRect.Right - (T.ShowGrid() ? 1 : 0),
                     row.Top + T.Metrics().RowLineHeight - (T.ShowGrid() && T.ShowPreviewGrid() ? 1 : 0));
    cell.Rect.Bottom = std::min(cell.Rect.Bottom, row.Bottom);
    cell.Column = header.AbsoluteIndex;
    cell.Kind = ckNewItemRow;
    cell.FirstInRow = header.FirstInRow;
    cell.LastInRow = header.LastInRow;
    cell.Color = T.Color();
    cell.TextColor = T.Font().Color();
    if (C.RectVisible(cell.Rect)) T.DrawCell(C, cell);
  }
}

void TdxTreeListPainter::PaintFooter() {
  if (L.Footer.IsEmpty() || !C.RectVisible(L.Footer)) return;
  Fill(C, L.Footer, clBtnFace);
  const int lineHeight = T.Metrics().RowTextHeight + 7;
  for (const TdxTreeListHeaderItem& header : L.Headers) {
    TdxCellPaintInfo cell;
    cell.Rect = Rect(header.ClipRect.Left + 1, L.Footer.Top + 2 + lineHeight * header.RowIndex,
                     header.ClipRect.Right - 1, L.Footer.Top + lineHeight * (header.RowIndex + header.LineCount));
    if (cell.Rect.IsEmpty() || !C.RectVisible(cell.Rect)) continue;
    TRect frame = cell.Rect;
    C.DrawEdge(frame, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    cell.Rect = frame;
    cell.Column = header.AbsoluteIndex;
    cell.Kind = ckFooter;
    cell.FooterIndex = -1;
    cell.Color = clBtnFace;
    cell.TextColor = clBtnText;
    T.DrawCellText(C, cell);
  }
}

// --- Rows --------------------------------------------------------------------------

bool TdxTreeListPainter::CellSelected(const TdxTreeListRowItem& row, int absolute) const {
  if (!row.Selected) return false;
  if (T.OptionOn(tloRowSelect) || row.Node != T.FocusedNode()) return true;
  return absolute == T.FocusedColumnAbsoluteIndex();
}

void TdxTreeListPainter::CellColors(const TdxTreeListRowItem& row, int absolute, bool selected, TColor& color,
                                    TColor& textColor) {
  const TdxTreeListColumn* column = T.Columns(absolute);
  if (!HasFocus && T.DragNode() != nullptr && row.Node == T.FocusedNode()) {
    color = T.HighlightColor();
    textColor = T.HighlightTextColor();
  } else if (!selected || (T.HideSelection() && !HasFocus)) {
    if (row.GroupNode && T.NodeIndentMode()) {
      color = T.IsLevelColorEventAssigned() ? row.LevelColor : T.GroupNodeColor();
      textColor = T.GroupNodeTextColor() != clNone ? T.GroupNodeTextColor() : T.Font().Color();
    } else {
      textColor = column != nullptr && column->IsAssigned(cavFont) ? const_cast<TdxTreeListColumn*>(column)->Font().Color()
                                                                    : T.Font().Color();
      color = column != nullptr ? column->Color() : T.Color();
    }
  } else if (HasFocus) {
    color = T.HighlightColor();
    textColor = T.HighlightTextColor();
  } else {
    color = T.HideSelectionColor();
    textColor = T.HideSelectionTextColor();
  }
}

void TdxTreeListPainter::PaintRows() {
  if (L.Bands.empty()) return;
  if (!L.RowItems.empty() || !L.EmptyRows.IsEmpty()) {
    TCanvasStateScope state(C);
    C.IntersectClipRect(L.Rows);
    for (int i = 0; i < static_cast<int>(L.RowItems.size()); ++i) {
      const TdxTreeListRowItem& row = L.RowItems[static_cast<std::size_t>(i)];
      const TRect rect = Rect(L.Rows.Left, row.Top, L.Rows.Right, row.Top + row.Height);
      if (C.RectVisible(rect)) PaintRow(row, i);
    }
  }
  if (!L.EmptyRows.IsEmpty() && C.RectVisible(L.EmptyRows)) Fill(C, L.EmptyRows, EmptyColor);
  // Right of the columns, in the rows.
  const int right = L.ColumnsRight + 1;
  if (right < L.Rows.Right && L.EmptyArea.IsEmpty()) {
    const TRect beyond = Rect(right, L.Rows.Top, L.Rows.Right, L.Rows.Bottom);
    if (C.RectVisible(beyond)) Fill(C, beyond, EmptyColor);
  }
}

void TdxTreeListPainter::PaintExpandButton(const TdxTreeListNode* node, const TRect& slot) {
  const int cx = slot.Left + TreeButtonSize / 2;
  const int cy = (slot.Top + slot.Bottom) / 2;
  const bool expanded = node->Expanded();
  if (!T.NodeIndentMode()) {
    // With tree lines: a 9 x 9 square.
    const TRect box = Rect(cx - 4, cy - 4, cx + 5, cy + 5);
    Fill(C, box, T.Color());
    C.Brush().SetColor(clGrayText);
    C.FrameRect(box);
    Fill(C, Rect(box.Left + 2, cy, box.Right - 2, cy + 1), clBlack);
    if (!expanded) Fill(C, Rect(cx, box.Top + 2, cx + 1, box.Bottom - 2), clBlack);
  } else if (T.LookAndFeel() == lfUltraFlat) {
    const TRect box = Rect(cx - 5, cy - 5, cx + 6, cy + 6);
    Fill(C, Rect(box.Left + 1, box.Top + 1, box.Right + 1, box.Bottom + 1), clBtnShadow);
    Fill(C, box, clWindow);
    C.Brush().SetColor(clWindowFrame);
    C.FrameRect(box);
    Fill(C, Rect(box.Left + 3, box.Top + 5, box.Left + 8, box.Top + 6), clWindowText);
    if (!expanded) Fill(C, Rect(box.Left + 5, box.Top + 3, box.Left + 6, box.Top + 8), clWindowText);
  } else {
    const TBitmap& bitmap = T.ExpandButtonBitmap(expanded);
    C.Draw(cx - bitmap.Width() / 2, cy - bitmap.Height() / 2, bitmap);
  }
}

void TdxTreeListPainter::PaintIndent(const TdxTreeListRowItem& row, const TRect& lines) {
  TdxTreeListNode* node = row.Node;
  const int level = node->Level();
  const bool hasChildren = node->HasChildren() || node->Count() > 0;
  const bool ownSlot = !T.NodeIndentMode() || hasChildren;
  const TdxNodeIndentParts parts = T.GetNodeIndentParts(node);
  const int treeLeft = L.TreeColumnLeft;
  TCanvasStateScope state(C);
  C.IntersectClipRect(Rect(L.TreeColumnLeft, lines.Top, L.TreeColumnRight, lines.Bottom));
  const int slots = level + (ownSlot ? 1 : 0);
  const TRect indent = Rect(treeLeft, lines.Top, treeLeft + parts.End, lines.Bottom);
  if (!C.RectVisible(indent)) return;
  // Only the slots inside the tree column are filled: a node thousands of
  // levels deep has its own ones far right of it.
  const int firstSlot = std::clamp((L.TreeColumnLeft - treeLeft) / TreeButtonSize, 0, slots);
  const int endSlot = std::clamp((L.TreeColumnRight - treeLeft) / TreeButtonSize + 1, firstSlot, slots);
  for (int i = firstSlot; i < endSlot; ++i) {
    const TRect slot = Rect(treeLeft + i * TreeButtonSize, lines.Top, treeLeft + (i + 1) * TreeButtonSize, lines.Bottom);
    TColor color = T.Color();
    if (T.NodeIndentMode() && i < level) color = T.IsLevelColorEventAssigned() ? row.LevelColor : T.GroupNodeColor();
    Fill(C, slot, color);
  }
  if (parts.End > slots * TreeButtonSize)
    Fill(C, Rect(treeLeft + slots * TreeButtonSize, lines.Top, treeLeft + parts.End, lines.Bottom), T.Color());

  if (!T.NodeIndentMode()) {
    // Dotted tree lines, every other pixel.
    auto dots = [this](int x1, int y1, int x2, int y2) {
      for (int x = x1; x <= x2; ++x)
        for (int y = y1; y <= y2; ++y)
          if (((x + y) & 1) == 0) Fill(C, Rect(x, y, x + 1, y + 1), clGrayText);
    };
    const int cy = (lines.Top + lines.Bottom) / 2;
    const int cx = treeLeft + level * TreeButtonSize + TreeButtonSize / 2;
    dots(cx, cy, treeLeft + (level + 1) * TreeButtonSize - 1, cy);
    const bool hasAbove = node->Parent() != nullptr || node->GetPrevSibling() != nullptr;
    dots(cx, hasAbove ? lines.Top : cy, cx, node->IsLast() ? cy : lines.Bottom - 1);
    int l = level - 1;
    for (const TdxTreeListNode* parent = node->Parent(); parent != nullptr; parent = parent->Parent(), --l)
      if (!parent->IsLast()) {
        const int x = treeLeft + l * TreeButtonSize + TreeButtonSize / 2;
        dots(x, lines.Top, x, lines.Bottom - 1);
      }
  }
  if (parts.ButtonLeft >= 0)
    PaintExpandButton(node, Rect(treeLeft + parts.ButtonLeft, lines.Top, treeLeft + parts.ButtonLeft + TreeButtonSize,
                                 lines.Bottom));
  if (parts.StateImageLeft >= 0 && T.StateImages() != nullptr) {
    const TCustomImageList& images = *T.StateImages();
    DrawImageListImage(C, treeLeft + parts.StateImageLeft, (lines.Top + lines.Bottom - images.Height()) / 2, images,
                       T.GetStateIndex(node));
  }
  if (parts.ImageLeft >= 0 && T.Images() != nullptr) {
    const TCustomImageList& images = *T.Images();
    const int index = row.Selected && T.GetSelectedIndex(node) != -1 ? T.GetSelectedIndex(node) : T.GetImageIndex(node);
    DrawImageListImage(C, treeLeft + parts.ImageLeft, (lines.Top + lines.Bottom - images.Height()) / 2, images, index);
  }
}

void TdxTreeListPainter::PaintRow(const TdxTreeListRowItem& row, int /*lineIndex*/) {
  TdxTreeListNode* node = row.Node;
  struct TNodeScope {
    TCustomdxTreeList& T;
    TdxTreeListNode* Node;
    ~TNodeScope() { T.AfterDrawNode(Node); }
  };
  T.BeforeDrawNode(node);
  TNodeScope scope{T, node};

  const int separator = L.RowSeparatorWidth;
  const int previewHeight = row.PreviewLineCount > 0
                                ? row.PreviewLineCount * T.Metrics().PreviewLineHeight + 2 +
                                      (T.ShowGrid() && T.ShowPreviewGrid() ? 1 : 0)
                                : 0;
  const int linesBottom = row.Top + row.Height - row.FootersHeight - separator - previewHeight;
  const TRect lines = Rect(L.Rows.Left, row.Top, L.ColumnsRight + 1, linesBottom);
  PaintIndent(row, lines);

  const int focusedColumn = T.FocusedColumnAbsoluteIndex();
  if (row.GroupNode) {
    // A group row: column 0's text across the row.
    TdxCellPaintInfo cell;
    cell.Rect = Rect(L.TreeColumnLeft + T.GetNodeIndentParts(node).End, row.Top, L.ColumnsRight + 1, linesBottom);
    cell.Node = node;
    cell.Column = 0;
    cell.Kind = ckGroupRow;
    cell.Selected = cell.RowSelected = row.Selected;
    cell.Focused = cell.RowFocused = node == T.FocusedNode();
    cell.FirstInRow = cell.LastInRow = true;
    CellColors(row, 0, row.Selected, cell.Color, cell.TextColor);
    if (C.RectVisible(cell.Rect)) T.DrawCell(C, cell);
  } else {
    for (const TdxTreeListHeaderItem& header : L.Headers) {
      TdxCellPaintInfo cell;
      cell.Rect = CellRect(node, header.AbsoluteIndex);
      cell.Rect.Left = std::max(cell.Rect.Left, header.ClipRect.Left);
      cell.Rect.Right = std::min(cell.Rect.Right, header.ClipRect.Right);
      if (cell.Rect.IsEmpty() || !C.RectVisible(cell.Rect)) continue;
      cell.Node = node;
      cell.Column = header.AbsoluteIndex;
      cell.Kind = ckCell;
      cell.Selected = CellSelected(row, header.AbsoluteIndex);
      cell.RowSelected = row.Selected;
      cell.RowFocused = node == T.FocusedNode();
      cell.Focused = cell.RowFocused && (T.OptionOn(tloRowSelect) || header.AbsoluteIndex == focusedColumn);
      cell.FirstInRow = header.FirstInRow;
      cell.LastInRow = header.LastInRow;
      cell.MultiLine = header.LineCount > 1 || row.LineCount > 1;
      CellColors(row, header.AbsoluteIndex, cell.Selected, cell.Color, cell.TextColor);
      TCanvasStateScope guard(C);
      C.IntersectClipRect(cell.Rect);
      T.DrawCell(C, cell);
    }
    PaintLinesBelowCells(row, linesBottom);
  }
  // The focus rectangle of the focused cell (or row).
  if (node == T.FocusedNode() && !T.HideFocusRect() && HasFocus) {
    TRect focus = lines;
    if (!T.OptionOn(tloRowSelect)) {
      const TRect cell = CellRect(node, focusedColumn);
      if (cell.Left != -1 || cell.Top != -1) focus = cell;
    }
    C.Font().SetColor(clWhite);
    C.Brush().SetColor(clBlack);
    C.DrawFocusRect(focus);
  }
  // Preview lines.
  if (previewHeight > 0) {
    const TRect preview = Rect(L.TreeColumnLeft + T.GetNodeIndentParts(node).End, linesBottom, L.ColumnsRight + 1,
                               linesBottom + previewHeight);
    TColor color = T.Color();
    TColor textColor = T.PreviewFont().Color();
    if (row.Selected && (!T.HideSelection() || HasFocus)) {
      color = HasFocus ? T.HighlightColor() : T.HideSelectionColor();
      textColor = HasFocus ? T.HighlightTextColor() : T.HideSelectionTextColor();
    }
    if (C.RectVisible(preview)) T.DrawPreview(C, preview, row.Selected, textColor, color, node);
  }
  // Row footers.
  int footerTop = row.Top + row.Height - row.FootersHeight - separator;
  for (int f = 0; f < row.FooterCount; ++f) {
    const TRect band = Rect(L.Rows.Left, footerTop, L.ColumnsRight + 1, footerTop + T.Metrics().RowFooterHeight);
    if (C.RectVisible(band)) {
      Fill(C, band, T.RowFooterColor());
      for (const TdxTreeListHeaderItem& header : L.Headers) {
        TdxCellPaintInfo cell;
        cell.Rect = Rect(header.ClipRect.Left + 1, band.Top + 1, header.ClipRect.Right - 1, band.Bottom - 1);
        if (cell.Rect.IsEmpty()) continue;
        cell.Node = node;
        cell.Column = header.AbsoluteIndex;
        cell.Kind = ckFooter;
        cell.FooterIndex = f;
        cell.Color = T.RowFooterColor();
        cell.TextColor = T.RowFooterTextColor();
        T.DrawCellText(C, cell);
      }
    }
    footerTop += T.Metrics().RowFooterHeight;
  }
  // Grid lines: the row separator, the pixel right of each cell and the
  // pixel line under a cell that another header row continues.
  if (T.ShowGrid()) {
    const TColor lineColor = T.GetGridLineColor();
    const int bottom = row.Top + row.Height;
    Fill(C, Rect(L.Rows.Left, bottom - separator, L.ColumnsRight + 1, bottom), lineColor);
    for (const TdxTreeListHeaderItem& header : L.Headers) {
      const int x = header.Rect.Right - 1;
      const int top = row.Top + T.Metrics().RowLineHeight * header.RowIndex;
      if (x >= header.ClipRect.Left && x < header.ClipRect.Right) Fill(C, Rect(x, top, x + 1, linesBottom), lineColor);
      // A cell above another header row's cell leaves its last pixel line
      // to the grid as well (the cell rectangles lose it with the preview
      // grid); a cell that goes on below is filled there instead.
      const TRect cell = CellRect(node, header.AbsoluteIndex);
      if (header.FillRect.IsEmpty() && (cell.Left != -1 || cell.Top != -1) && cell.Bottom < linesBottom)
        Fill(C,
             Rect(std::max(cell.Left, header.ClipRect.Left), cell.Bottom, std::min(cell.Right + 1, header.ClipRect.Right),
                  cell.Bottom + 1),
             lineColor);
    }
    if (previewHeight > 0 && T.ShowPreviewGrid())
      Fill(C, Rect(L.Rows.Left, linesBottom - 1, L.ColumnsRight + 1, linesBottom), lineColor);
  }
}

// The lines of a row that no cell covers: below the cells of a band's last
// header row that end above the header panel's last row (in the cell's
// colours, so that a selected row stays one bar), and under a band that
// has no columns.
void TdxTreeListPainter::PaintLinesBelowCells(const TdxTreeListRowItem& row, int linesBottom) {
  for (const TdxTreeListHeaderItem& header : L.Headers) {
    if (header.FillRect.IsEmpty()) continue;
    TRect below = CellRect(row.Node, header.AbsoluteIndex);
    if (below.Left == -1 && below.Top == -1) continue;
    below.Left = std::max(below.Left, header.ClipRect.Left);
    below.Right = std::min(below.Right, header.ClipRect.Right);
    below.Top = below.Bottom;
    below.Bottom = linesBottom;
    if (below.IsEmpty() || !C.RectVisible(below)) continue;
    TColor color = clNone;
    TColor textColor = clNone;
    CellColors(row, header.AbsoluteIndex, CellSelected(row, header.AbsoluteIndex), color, textColor);
    Fill(C, below, color);
  }
  for (const TdxTreeListEmptyBandHeader& empty : L.EmptyBandHeaders) {
    TRect under = Rect(empty.Rect.Left, row.Top, empty.Rect.Right, linesBottom);
    // The node's indent, painted already, stays.
    if (under.Left <= L.TreeColumnLeft && under.Right > L.TreeColumnLeft)
      under.Left = std::min(under.Right, L.TreeColumnLeft + T.GetNodeIndentParts(row.Node).End);
    if (C.RectVisible(under)) Fill(C, under, T.Color());
  }
}

// A cell as painted: with grid lines, its last pixel is the line's.
TRect TdxTreeListPainter::CellRect(const TdxTreeListNode* node, int absolute) const {
  TRect r = T.GetCellRect(L, node, absolute);
  if (T.ShowGrid() && (r.Left != -1 || r.Top != -1)) r.Right -= 1;
  return r;
}

// --- The tree list's own painting operations -----------------------------------------

void TCustomdxTreeList::Paint() { PaintTo(Canvas()); }

void TCustomdxTreeList::PaintTo(TCanvas& canvas) {
  TdxTreeListPainter painter(*this, canvas);
  painter.Paint();
}

TColor TCustomdxTreeList::GetGridLineColor() const {
  return FGridLineColor == clNone ? clBtnShadow : FGridLineColor;
}

bool TCustomdxTreeList::IsCustomDrawFooter(const TdxTreeListNode* node, int /*absoluteIndex*/,
                                           int footerIndex) const {
  return footerIndex < 0 ? static_cast<bool>(OnCustomDrawFooter) : static_cast<bool>(OnCustomDrawFooterNode);
}

void TCustomdxTreeList::DoCustomDrawBand(int visibleBandIndex, TCanvas& canvas, const TRect& rect,
                                         std::string& text, TColor& color, TFont& font, TAlignment& alignment,
                                         bool& done) {
  if (OnCustomDrawBand)
    OnCustomDrawBand(this, FBands->VisibleItems(visibleBandIndex), &canvas, rect, text, color, &font, alignment,
                     done);
}

void TCustomdxTreeList::DoCustomDrawFooter(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node,
                                           int absoluteIndex, int footerIndex, std::string& text, TColor& color,
                                           TFont& font, TAlignment& alignment, bool& done) {
  TdxTreeListColumn* column = Columns(absoluteIndex);
  if (footerIndex < 0) {
    if (OnCustomDrawFooter) OnCustomDrawFooter(this, &canvas, rect, node, column, text, color, &font, alignment, done);
  } else if (OnCustomDrawFooterNode) {
    OnCustomDrawFooterNode(this, &canvas, rect, node, column, footerIndex, text, color, &font, alignment, done);
  }
}

void TCustomdxTreeList::DoCustomDrawPreview(TCanvas& canvas, const TRect& rect, TdxTreeListNode* node,
                                            bool selected, std::string& text, TColor& color, TColor& textColor,
                                            TFont& font, bool& done) {
  if (OnCustomDrawPreviewCell)
    OnCustomDrawPreviewCell(this, &canvas, rect, node, selected, text, color, textColor, &font, done);
  if (!done && OnCustomDrawPreview) OnCustomDrawPreview(this, &canvas, rect, node, selected, text, done);
}

void TCustomdxTreeList::DrawBottomPanel(TCanvas& canvas, const TRect& rect) {
  TCanvasStateScope state(canvas);
  Fill(canvas, rect, FLookAndFeel == lfUltraFlat ? RGB(160, 160, 160) : clBtnShadow);
  TRect text = rect;
  InflateRect(text, -2, -2);
  if (IsBottomPanelButtonShown()) {
    const int top = (rect.Top + rect.Bottom - 11) / 2;
    TRect box = Rect(rect.Left + 3, top, rect.Left + 15, top + 11);
    Fill(canvas, box, clBtnFace);
    canvas.DrawEdge(box, EDGE_RAISED, BF_RECT);
    text.Left += 18;
  }
  canvas.Font().Assign(&Font());
  canvas.Font().SetColor(clBtnHighlight);
  canvas.SetBkMode(bkTransparent);
  canvas.DrawText(GetBottomPanelText(), text, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void TCustomdxTreeList::DrawCellText(TCanvas& canvas, const TdxCellPaintInfo& cell) {
  PaintCellContent(canvas, cell, false);
}

void TCustomdxTreeList::DrawCell(TCanvas& canvas, const TdxCellPaintInfo& cell) {
  PaintCellContent(canvas, cell, cell.Kind != ckFooter);
}

void TCustomdxTreeList::PaintCellContent(TCanvas& canvas, const TdxCellPaintInfo& cell, bool throughEditor) {
  TdxTreeListColumn* column = Columns(cell.Column);
  struct TNodeScope {
    TCustomdxTreeList* T;
    TdxTreeListNode* Node;
    ~TNodeScope() {
      if (Node != nullptr) T->AfterDrawNode(Node);
    }
  };
  if (cell.Node != nullptr) BeforeDrawNode(cell.Node);
  TNodeScope nodeScope{this, cell.Node};

  std::string text;
  TAlignment alignment = column != nullptr ? column->Alignment() : taLeftJustify;
  switch (cell.Kind) {
    case ckFooter:
      text = GetFooterText(cell.Node, cell.Column, cell.FooterIndex);
      alignment = GetFooterAlignment(cell.Column);
      break;
    case ckNewItemRow:
      text = GetNewItemRowText(cell.Column);
      break;
    default:
      if (column != nullptr)
        column->GetDisplayText(cell.Node, text);
      else if (cell.Node != nullptr)
        text = GetCellText(cell.Node, cell.Column);
      break;
  }
  // A group row's caption runs across the row from its expand button: the
  // first column's alignment (right for a number) would put it at the far
  // edge and, where it is wider than the row, cut off its start.
  if (cell.Kind == ckGroupRow) alignment = taLeftJustify;
  const bool custom = cell.Kind == ckFooter ? IsCustomDrawFooter(cell.Node, cell.Column, cell.FooterIndex)
                                            : IsCustomDrawCell(cell.Node, column);
  // Whatever a handler does to the canvas is undone when the cell is done,
  // also when it raises.
  TCanvasStateScope state(canvas);
  const bool ownFont = (cell.Kind == ckCell || cell.Kind == ckNewItemRow) && column != nullptr &&
                       column->IsAssigned(cavFont);
  if (ownFont) {
    canvas.Font().Assign(&column->Font());
    if (cell.Selected) canvas.Font().SetColor(cell.TextColor);
  } else {
    canvas.Font().Assign(cell.Kind == ckFooter ? &Font() : &Font());
    canvas.Font().SetColor(cell.TextColor);
  }
  TColor color = cell.Color;
  bool done = false;
  if (custom) {
    if (cell.Kind == ckFooter)
      DoCustomDrawFooter(canvas, cell.Rect, cell.Node, cell.Column, cell.FooterIndex, text, color, canvas.Font(),
                         alignment, done);
    else
      DoCustomDrawCell(canvas, cell.Rect, cell.Node, column, cell.RowSelected, cell.RowFocused,
                       cell.Kind == ckNewItemRow, text, color, canvas.Font(), alignment, done);
  }
  if (done) return;
  const int topMargin = cell.Kind != ckFooter && OptionExOn(tloInvertSelect) ? 2 : 1;
  const TRect textRect = Rect(cell.Rect.Left + 2, cell.Rect.Top + topMargin, cell.Rect.Right - 2, cell.Rect.Bottom);
  if (throughEditor) {
    TdxTreeListCellViewData& data = *FCellViewData;
    data = TdxTreeListCellViewData{};
    data.BrushColor = color;
    data.Font = &canvas.Font();
    data.BkColor = ColorToRGB(color);
    data.TextColor = ColorToRGB(canvas.Font().Color());
    data.Alignment = alignment;
    data.Text = text;
    data.Selected = cell.Selected;
    data.InvertSelect = OptionExOn(tloInvertSelect);
    data.FirstCell = cell.FirstInRow;
    data.LastCell = cell.LastInRow;
    data.MultiLine = cell.MultiLine;
    data.EndEllipsis = OptionOn(tloDrawEndEllipsis);
    data.Node = cell.Node;
    data.NewItemRowWithoutData = cell.Kind == ckNewItemRow && !NewItemRowHasData();
    data.SelectionColor = cell.Focused ? FHighlightColor : FHideSelectionColor;
    data.HotTracked = IsCellHotTracked(cell.Node, cell.Column);
    data.Bounds = Rect(-2, -2, cell.Rect.Width() + 2, cell.Rect.Height() + 2);
    if (column != nullptr) column->PrepareViewData(column->GetViewData(), data);
    DrawCellByEditor(canvas, column, cell.Rect, data);
  } else {
    TBrush brush;
    brush.SetColor(color);
    unsigned flags = AlignmentFlags(alignment);
    if (cell.MultiLine) flags |= CTF_WORDBREAK;
    if (OptionOn(tloDrawEndEllipsis)) flags |= CTF_END_ELLIPSIS;
    ::DrawCellText(canvas, text, nullptr, canvas.Font().Color(), color, canvas.Font(), brush, flags, textRect,
                   cell.Rect);
  }

  // The incremental search's typed prefix, over an opaque background.
  const std::string search = cell.Kind == ckCell ? AutoSearchText() : std::string();
  if (!search.empty() && cell.Node == FocusedNode() && cell.Column == AutoSearchColumn()) {
    const std::string prefix = text.substr(0, std::min(text.size(), search.size()));
    const TColor back = FAutoSearchColor == clNone ? InvertColor(color) : FAutoSearchColor;
    const TColor fore = FAutoSearchTextColor == clNone ? InvertColor(canvas.Font().Color()) : FAutoSearchTextColor;
    canvas.Font().SetColor(fore);
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(back);
    int left = textRect.Left;
    const int width = canvas.TextWidth(prefix);
    const int textWidth = canvas.TextWidth(text);
    if (alignment == taRightJustify) left = textRect.Right - textWidth;
    if (alignment == taCenter) left = (textRect.Left + textRect.Right - textWidth) / 2;
    const TRect overlay = Rect(left, textRect.Top, std::min(left + width, textRect.Right),
                               std::min(textRect.Top + canvas.TextHeight(prefix), cell.Rect.Bottom));
    canvas.SetBkMode(bkOpaque);
    canvas.ExtTextOut(left, textRect.Top, ETO_OPAQUE | ETO_CLIPPED, &overlay, prefix);
    TRect focus = cell.Rect;
    InflateRect(focus, -1, -1);
    if (OptionOn(tloRowSelect) || OptionExOn(tloInvertSelect)) {
      if (!cell.FirstInRow) focus.Left -= 1;
      if (!cell.LastInRow) focus.Right += 1;
    }
    canvas.Font().SetColor(clWhite);
    canvas.Brush().SetColor(clBlack);
    canvas.DrawFocusRect(focus);
  }
}

// A text cell's look: the text in the record's colours, 2 pixels in from
// the sides and 1 from the top (2 with inverted selection).
void TCustomdxTreeList::DrawCellByEditor(TCanvas& canvas, TdxTreeListColumn* /*column*/, const TRect& rect,
                                         TdxTreeListCellViewData& viewData) {
  TBrush brush;
  brush.SetColor(viewData.BrushColor);
  const TRect textRect =
      Rect(rect.Left + 2, rect.Top + (viewData.InvertSelect ? 2 : 1), rect.Right - 2, rect.Bottom);
  unsigned flags = AlignmentFlags(viewData.Alignment);
  if (viewData.MultiLine) flags |= CTF_WORDBREAK;
  if (viewData.EndEllipsis) flags |= CTF_END_ELLIPSIS;
  if (viewData.Overlay) flags |= CTF_NOFILL;
  ::DrawCellText(canvas, viewData.Text, nullptr, viewData.TextColor, viewData.BkColor,
                 viewData.Font != nullptr ? *viewData.Font : Font(), brush, flags, textRect, rect);
}

void TCustomdxTreeList::DrawPreview(TCanvas& canvas, const TRect& rect, bool selected, TColor textColor,
                                    TColor color, TdxTreeListNode* node) {
  std::string text = GetPreviewText(node);
  TCanvasStateScope state(canvas);
  canvas.Font().Assign(&FPreviewFont);
  if (color == FHighlightColor) canvas.Font().SetColor(textColor);
  TColor back = color;
  TColor fore = canvas.Font().Color();
  bool done = false;
  DoCustomDrawPreview(canvas, rect, node, selected, text, back, fore, canvas.Font(), done);
  if (done) return;
  Fill(canvas, rect, back);
  canvas.Font().SetColor(fore);
  canvas.SetBkMode(bkTransparent);
  TRect textRect = Rect(rect.Left + FIndentDesc + 2, rect.Top + 1, rect.Right - 2, rect.Bottom);
  canvas.DrawText(text, textRect, DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_END_ELLIPSIS);
}

std::string TCustomdxTreeList::GetNodeDragText(TdxTreeListNode* node, int absoluteIndex) const {
  std::string text = node != nullptr ? GetCellText(node, absoluteIndex) : std::string();
  if (OnGetNodeDragText) OnGetNodeDragText(const_cast<TCustomdxTreeList*>(this), node, text);
  return text;
}

// --- Drag pictures -------------------------------------------------------------------------

void TCustomdxTreeList::PaintButtonPicture(TCanvas& canvas, const TRect& rect, int visibleBand,
                                           int absoluteColumn) {
  TCanvasStateScope state(canvas);
  TdxTreeListPainter painter(*this, canvas);
  TdxHeaderButtonInfo button;
  button.Rect = rect;
  button.Clip = rect;
  button.Position = hpAlone;
  if (absoluteColumn >= 0) {
    canvas.Font().Assign(&FHeaderFont);
    button.Color = FHeaderColor;
    if (TdxTreeListColumn* column = Columns(absoluteColumn)) {
      button.Alignment = column->HeaderAlignment();
      button.Text = column->DisableCaption() ? std::string() : column->Caption();
      button.Sorted = column->Sorted();
      if (column->HasHeaderGlyph() && !column->HeaderGlyph().Empty()) button.Glyph = &column->HeaderGlyph();
    } else {
      button.Text = GetColumnCaption(absoluteColumn);
    }
  } else {
    canvas.Font().Assign(&FBandFont);
    button.Color = FBandColor;
    button.Text = GetBandCaption(visibleBand);
    button.Alignment = GetBandAlignment(visibleBand);
  }
  Fill(canvas, rect, button.Color);
  painter.PaintLoneButton(button);
}
