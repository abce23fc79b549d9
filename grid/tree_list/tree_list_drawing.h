#pragma once
// What the tree list's painting shares with its handlers and its columns:
// the custom-draw event types of cells and column headers, and the cell
// drawing record that the painter fills for each cell before the cell's
// column turns it into its editor's view data (the column's
// PrepareViewData) and the editor's look draws it. One record per tree list
// is reused for every cell; nothing in it is owned.

#include <string>

#include "framework/core/base/event.h"
#include "framework/core/base/object.h"
#include "framework/gui/graphics/canvas.h"
#include "framework/gui/controls/control.h"
#include "framework/gui/graphics/geometry.h"
#include "framework/gui/graphics/cursors.h"
#include "framework/gui/graphics/graphics.h"
#include "grid/forward.h"
#include "grid/tree_list/tree_list_layout.h"

class TdxTreeListBand;

enum TdxTreeListColumnSort { csNone, csDown, csUp };

// ADone set true leaves the cell (header) as the handler drew it; the
// handler may change the text, the background colour and the alignment (and
// for a header its sort mark) that the standard drawing uses.
using TdxTLCustomDrawCell =
    TEvent<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TdxTreeListNode* ANode,
                TdxTreeListColumn* AColumn, bool ASelected, bool AFocused, bool ANewItemRow, std::string& AText,
                TColor& AColor, TFont* AFont, TAlignment& AAlignment, bool& ADone)>;
using TdxTLCustomDrawHeader =
    TEvent<void(TObject* Sender, TdxTreeListColumn* AColumn, TCanvas* ACanvas, const TRect& ARect,
                std::string& AText, TColor& AColor, TFont* AFont, TAlignment& AAlignment,
                TdxTreeListColumnSort& ASorted, bool& ADone)>;

// A band caption; the colour starts as BandColor.
using TdxTLCustomDrawBand =
    TEvent<void(TObject* Sender, TdxTreeListBand* ABand, TCanvas* ACanvas, const TRect& ARect, std::string& AText,
                TColor& AColor, TFont* AFont, TAlignment& AAlignment, bool& ADone)>;
// A footer cell of the column.
using TdxTLCustomDrawFooter =
    TEvent<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TdxTreeListNode* ANode,
                TdxTreeListColumn* AColumn, std::string& AText, TColor& AColor, TFont* AFont,
                TAlignment& AAlignment, bool& ADone)>;
// A row footer cell (AFooterIndex: nearest level first).
using TdxTLCustomDrawFooterNode =
    TEvent<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TdxTreeListNode* ANode,
                TdxTreeListColumn* AColumn, int AFooterIndex, std::string& AText, TColor& AColor, TFont* AFont,
                TAlignment& AAlignment, bool& ADone)>;
// A row's preview lines, with their colours.
using TdxTLCustomDrawPreview =
    TEvent<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TdxTreeListNode* ANode, bool ASelected,
                std::string& AText, TColor& AColor, TColor& ATextColor, TFont* AFont, bool& ADone)>;
// A row's preview lines, text as given.
using TTLCustomDrawPreviewEvent =
    TEvent<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TdxTreeListNode* ANode, bool ASelected,
                const std::string& AText, bool& ADone)>;
// The item under the mouse changed (a cell or a header); the handler may
// choose the cursor.
using TdxTLHotTrackNode = TEvent<void(TObject* Sender, const TdxTreeListHitInfo& AHotTrackInfo, TCursor& ACursor)>;
// The height of a cell's text for row auto height: the handler may give
// the line count and line height and set ADone.
using TdxTLCalcRowLineHeight =
    TEvent<void(TObject* Sender, TdxTreeListNode* ANode, TdxTreeListColumn* AColumn, const std::string& AText,
                int ABoundsWidth, int ATextHeight, int AMaxLineCount, bool AInflateFlag, bool AGridFlag,
                int& ALineCount, int& ALineHeight, bool& ADone)>;
// The text a dragged node shows.
using TdxTLGetNodeDragText = TEvent<void(TObject* Sender, TdxTreeListNode* ANode, std::string& AText)>;

// One cell as the painter is about to draw it. BkColor and TextColor are
// RGB values, BrushColor the background as the tree list names it.
struct TdxTreeListCellViewData {
  TColor BrushColor = clWindow;
  const TFont* Font = nullptr;
  TColor BkColor = 0;
  TColor TextColor = 0;
  TAlignment Alignment = taLeftJustify;
  std::string Text;
  // The incremental search's text length while its overlay is drawn.
  int HighlightedPrefixLength = 0;
  bool Selected = false;
  bool InvertSelect = false;
  bool FirstCell = false;
  bool LastCell = false;
  // The cell spans more than one header line, or the row has more than one
  // text line.
  bool MultiLine = false;
  // Drawn over the cell (the search overlay): no background.
  bool Overlay = false;
  bool EndEllipsis = false;
  TdxTreeListNode* Node = nullptr;
  bool NewItemRowWithoutData = false;
  TColor SelectionColor = clHighlight;
  bool HotTracked = false;
  // (0, 0, cell width, cell height) widened by 2 on every side: the
  // editor's look keeps its border outside the cell.
  TRect Bounds;
};
