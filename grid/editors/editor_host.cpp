#include "grid/editors/editor_host.h"

#include <algorithm>

#include "framework/gui/application/screen.h"
#include "grid/editors/inplace_editor.h"

// --- TCustomdxContainer ------------------------------------------------------------------

TCustomdxContainer::TCustomdxContainer(TComponent* owner) : TCustomControl(owner) {}

TCustomdxContainer::~TCustomdxContainer() {
  // The editors ask this host questions while they die.
  Destroying();
  DestroyComponents();
}

void TCustomdxContainer::SetScrollBarStyle(std::uint8_t style) {
  if (style > 2 || style == FScrollBarStyle) return;
  FScrollBarStyle = style;
  Invalidate();
}

std::unique_ptr<TdxEditStyle> TCustomdxContainer::CreateEditStyle(TdxInplaceEdit* editor) {
  return std::make_unique<TdxEditStyle>(editor);
}

void TCustomdxContainer::ScrollLines(bool up, int count) {
  for (int i = 0; i < count; ++i) Perform(WM_VSCROLL, ScrollParam(up ? SB_LINEUP : SB_LINEDOWN, 0));
}

void TCustomdxContainer::EditorKeyDown(TKey& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

bool TCustomdxContainer::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos);
  ScrollLines(wheelDelta > 0, GetWheelScrollLines());
  return true;
}

TdxEditorInitScope::~TdxEditorInitScope() {
  try {
    FHost.EndEditorInit();
  } catch (...) {
    // A destructor may not throw; ending the bracket only clears a flag in
    // every host of this library.
  }
}

// --- TdxContainerHintWindow ------------------------------------------------------------

TdxContainerHintWindow::TdxContainerHintWindow(TComponent* owner) : TCustomControl(owner) {
  SetColor(clInfoBk);
  SetVisible(false);
  SetPopupWindow(true);
  // Shown over a cell, it must not take the pointer from the control
  // under it: leaving that control would hide the hint again.
  SetMouseTransparent(true);
}

void TdxContainerHintWindow::ShowHint(TPoint p, const std::string& text, const TFont& font) {
  ShowHintEx(p, Screen ? Screen->Width() : 0, false, font, text);
}

void TdxContainerHintWindow::ShowHintEx(TPoint p, int maxWidth, bool useFontSize, const TFont& font,
                                        const std::string& text) {
  SetText(text);
  TCanvas& canvas = Canvas();
  // The status-bar font of the system: size 8 in the given face.
  canvas.Font().SetSize(8);
  canvas.Font().SetColor(clInfoText);
  canvas.Font().SetName(font.Name());
  canvas.Font().SetCharset(font.Charset());
  if (useFontSize) canvas.Font().SetSize(font.Size());
  Font().Assign(&canvas.Font());
  int screenWidth = Screen ? Screen->Width() : 0;
  int screenHeight = Screen ? Screen->Height() : 0;
  if (maxWidth <= 0) maxWidth = screenWidth;
  TRect r = Rect(0, 0, maxWidth, 0);
  canvas.DrawText(text, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  int width = r.Right + 6;
  int height = r.Bottom + 6;
  int left = std::max(0, std::min(p.X, screenWidth - width));
  int top = std::max(0, std::min(p.Y, screenHeight - height));
  SetBounds(left, top, width, height);
  Show();
  Invalidate();
}

void TdxContainerHintWindow::Paint() {
  TCanvas& canvas = Canvas();
  TRect r = ClientRect();
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(Color());
  canvas.FillRect(r);
  canvas.DrawEdge(r, BDR_RAISEDOUTER, BF_RECT);
  canvas.Font().Assign(&Font());
  canvas.Brush().SetStyle(bsClear);
  TRect text = r;
  InflateRect(text, -1, -1);
  text.Left += 2;
  text.Top += 2;
  canvas.DrawText(Text(), text, DT_NOPREFIX | DT_NOCLIP | DT_WORDBREAK);
}
