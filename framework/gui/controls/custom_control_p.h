#pragma once
// Private to framework/gui: the widgets of a TCustomControl.

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QScrollBar>
#include <QWidget>

#include "framework/gui/graphics/canvas_p.h"
#include "framework/gui/controls/custom_control.h"

class TCustomControlPrivate : public TCanvasTarget {
 public:
  explicit TCustomControlPrivate(TCustomControl& control) : Control(control) {}

  QImage* TargetImage() override;
  void TargetDrawn() override;

  // Paints what the exposed region and the invalid region need into the
  // buffer, then shows the buffer's part for the exposed region.
  void PaintClient(QWidget* client, const QRegion& exposed, const QRect& shown);

  TCustomControl& Control;
  std::unique_ptr<TCanvas> Canvas;
  QImage Buffer;
  QRegion Valid;    // buffer pixels that hold painted content
  QRegion Invalid;  // client pixels waiting for Paint
  bool Painting = false;
  QPointer<QScrollBar> Bars[2];
  TScrollInfo Info[2];
  bool BarShown[2] = {false, false};
  bool HasRegion = false;
};

class TCustomControlAccess {
 public:
  static TCustomControlPrivate& Private(TCustomControl& c) { return *c.FPrivate; }
};
