#pragma once
// Private to framework/gui (and its tests): the window of a TScreenOverlay.

#include <QWidget>

#include "framework/gui/overlays/screen_overlay.h"

class TScreenOverlayAccess {
 public:
  static QWidget* Widget(const TScreenOverlay& overlay);
  // Shows image as the picture; its alpha channel is the shape.
  static void SetImage(TScreenOverlay& overlay, const QImage& image);
};

// The flags and attributes of a window that shows itself without ever
// taking the activation, the focus or the mouse.
void MakeInertWindow(QWidget* widget);
