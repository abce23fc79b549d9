#pragma once
// Private to framework/gui: what a canvas draws on, and the door through
// which bitmaps and controls give a canvas its image and paint limits.

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <memory>
#include <optional>

#include "framework/gui/graphics/canvas.h"

// The owner of the pixels a canvas draws on.
class TCanvasTarget {
 public:
  virtual ~TCanvasTarget() = default;
  // The image to draw on; nullptr when there is none now.
  virtual QImage* TargetImage() = 0;
  // Called after the canvas drew something (outside a paint cycle a control
  // then schedules its window to show the buffer again).
  virtual void TargetDrawn() {}
};

class TCanvasPrivate {
 public:
  TCanvasTarget* Target = nullptr;
  std::unique_ptr<QPainter> Painter;
  // A paint cycle's limits, in device coordinates (nullopt: the whole image).
  std::optional<QRegion> BaseClip;
  // The caller's clip region, in device coordinates.
  std::optional<QRegion> UserClip;
  bool ClipDirty = true;
  // The Qt font for the canvas's font, rebuilt when the font changes.
  std::optional<QFont> Font;
};

class TCanvasAccess {
 public:
  static void SetTarget(TCanvas& canvas, TCanvasTarget* target);
  // Ends the painter so that the image can be read, resized or shown.
  static void Release(TCanvas& canvas);
  static void SetBaseClip(TCanvas& canvas, const QRegion* region);
  // A painter on the target image with the canvas's clip; raises when the
  // canvas has no image.
  static QPainter& Painter(TCanvas& canvas);
  static QImage* Image(const TCanvas& canvas);
  static const QFont& Font(const TCanvas& canvas);
  static QRegion EffectiveClip(const TCanvas& canvas);
  static void Drawn(TCanvas& canvas);
};

// Painter state for the canvas's pen and brush.
QPen MakeQPen(const TPen& pen);
// The brush as Qt fills with it; monochrome patterns take textColor for black.
QBrush MakeQBrush(const TBrush& brush, TColor textColor);
QPainter::CompositionMode PenComposition(TPenMode mode);
