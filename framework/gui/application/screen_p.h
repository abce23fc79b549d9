#pragma once
// Private to framework/gui: cursors as Qt shows them.

#include <QCursor>

#include "framework/gui/graphics/cursors.h"

// A standard cursor, or a picture registered with TScreen::SetCursorImage.
QCursor ToQCursor(TCursor cursor);
