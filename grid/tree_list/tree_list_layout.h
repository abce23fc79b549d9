#pragma once
// What the tree list measures and lays out: its metrics (heights that fonts
// and options give), the layout of one screen (panel rectangles, placed
// bands, header cells, displayed rows) and the hit-test record. The layout
// is computed from the top visible row down to the bottom of the client
// area, so its cost follows what is on screen, never the node count. One
// layout is a value: whoever computes it owns it, and FreeLayout only
// empties it.

#include <cstdint>
#include <vector>

#include "framework/gui/graphics/geometry.h"
#include "framework/gui/graphics/graphics.h"
#include "grid/forward.h"

// Heights and widths in pixels, measured by RecalcMetrics.
struct TdxTreeListMetrics {
  int BandRowCount = 1;
  int HeaderLineCount = 1;
  int BandTextHeight = 0;
  int HeaderTextHeight = 0;
  int BandPanelHeight = 0;
  int HeaderLineHeight = 0;
  int HeaderPanelHeight = 0;
  int TopPanelHeight = 0;
  int IndicatorWidth = 0;
  int RowTextHeight = 0;
  int FooterHeight = 0;
  int RowFooterHeight = 0;
  int BottomPanelHeight = 0;
  int RowLineHeight = 18;
  // The row line height the fonts and images need (DefaultRowHeight set by
  // hand is never below it).
  int MinRowLineHeight = 18;
  int NewItemRowSeparator = 5;
  int NewItemRowHeight = 0;
  int DigitWidth = 0;
  int PreviewLineHeight = 0;
  int ImageWidth = 0;
  int ImageHeight = 0;
  int StateImageWidth = 0;
  int StateImageHeight = 0;
};

inline constexpr int TreeButtonSize = 16;

// A band placed in the band panel.
struct TdxTreeListBandItem {
  int BandIndex = -1;  // visible index
  TRect Rect;          // in the band panel
  TRect ClipRect;      // limited to the band's area (fixed or scrolling)
};

// A column header placed in the header panel.
struct TdxTreeListHeaderItem {
  int AbsoluteIndex = -1;
  int BandIndex = -1;  // visible band index
  int RowIndex = 0;
  int ColIndex = 0;    // position in the row
  int LineCount = 1;   // header lines the cell spans
  TRect Rect;
  TRect ClipRect;
  bool FirstInRow = false;
  bool LastInRow = false;
  bool FirstCell = false;  // position 0 of visible band 0
  bool LastCell = false;   // last in its row of the last scrolling band
  bool HeaderButton = false;
  // Below a column of the band's last row that ends above the header
  // panel's last row: the rest of the panel (empty otherwise).
  TRect FillRect;
};

// A band without header rows: the header panel below it stays empty.
struct TdxTreeListEmptyBandHeader {
  int BandIndex = -1;
  TRect Rect;
  bool CutRight = false;
};

// A displayed row.
struct TdxTreeListRowItem {
  TdxTreeListNode* Node = nullptr;
  bool GroupNode = false;
  bool Selected = false;
  int Top = 0;
  int Height = 0;  // with the separator line and the row footers
  int FooterCount = 0;
  int FootersHeight = 0;
  TColor LevelColor = clNone;
  int PreviewLineCount = 0;
  int LineCount = -1;  // -1 without row auto height
};

struct TdxTreeListLayoutInfo {
  TRect TopPanel;
  TRect BandPanel;
  TRect BandButton;  // the band panel's indicator corner
  TRect HeaderPanel;
  TRect HeaderButton;  // the header panel's indicator corner
  TRect NewItemRow;
  TRect Rows;
  TRect Indicator;
  TRect Footer;
  TRect BottomPanel;
  // Right of the bands when they are narrower than the client, down to the
  // rows' bottom.
  TRect EmptyArea;
  // Below the last row, up to the columns' right.
  TRect EmptyRows;
  // The left-fixed band with its line (down to the rows), the right-fixed
  // one likewise, and the scrolling bands' area between them.
  TRect LeftFixedRect;
  TRect RightFixedRect;
  int ScrollAreaLeft = 0;
  int ScrollAreaRight = 0;

  std::vector<TdxTreeListBandItem> Bands;
  int LeftFixedItem = -1;
  int RightFixedItem = -1;
  int LastScrollingItem = -1;
  std::vector<TdxTreeListHeaderItem> Headers;
  std::vector<TdxTreeListEmptyBandHeader> EmptyBandHeaders;
  std::vector<TdxTreeListRowItem> RowItems;

  int TotalBandsWidth = 0;
  // The columns' right edge in the rows (inclusive).
  int ColumnsRight = 0;
  // The tree column: where indents, buttons and images go.
  int TreeColumnLeft = 0;
  int TreeColumnRight = 0;
  int RowSeparatorWidth = 0;

  // The header cell of a column; nil when the column is not placed.
  const TdxTreeListHeaderItem* FindHeader(int absoluteIndex) const {
    for (const TdxTreeListHeaderItem& item : Headers)
      if (item.AbsoluteIndex == absoluteIndex) return &item;
    return nullptr;
  }
  // The row item of a node; nil when it is not displayed.
  const TdxTreeListRowItem* FindRow(const TdxTreeListNode* node) const {
    for (const TdxTreeListRowItem& row : RowItems)
      if (row.Node == node) return &row;
    return nullptr;
  }
};

// Hit codes of HitTestPoint.
enum TdxTreeListHitTest : std::uint8_t {
  htNowhere = 0,
  htColumn = 1,
  htColumnEdge = 2,
  htButton = 3,
  htIcon = 4,
  htStateIcon = 5,
  htIndent = 6,
  htLabel = 7,
  htRight = 8,
  htOutside = 9,
  htTopPanel = 10,
  htBandButton = 11,
  htBand = 12,
  htBandEdge = 13,
  htHeaderButton = 14,
  htIndicator = 15,
  htNewItemRow = 16,
  htRowFooter = 17,
  htSummaryFooter = 18,
  htBandPanelEdge = 19,
  htHeaderPanelEdge = 20,
  htRowEdge = 21,
  htPreview = 22,
  htBottomPanel = 23,
};

struct TdxTreeListHitInfo {
  int X = 0;
  int Y = 0;
  int Band = -1;
  int Column = -1;  // absolute index
  TdxTreeListNode* Node = nullptr;
  int FooterIndex = -1;
  int LineIndex = -1;  // among the displayed rows
  TdxTreeListHitTest HitTest = htOutside;
};

// The parts of a node's indent, in the row's coordinates from the tree
// column's left (Left = -1 for a part the node has not).
struct TdxNodeIndentParts {
  int ButtonLeft = -1;
  int StateImageLeft = -1;
  int ImageLeft = -1;
  int End = 0;  // where the cells' text may start
};
