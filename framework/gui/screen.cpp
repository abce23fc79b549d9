#include "framework/gui/screen.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QStyleHints>
#include <algorithm>

#include "framework/core/base/exceptions.h"
#include "framework/gui/bitmap.h"
#include "framework/gui/bitmap_p.h"
#include "framework/gui/forms.h"
#include "framework/gui/qt_graphics.h"
#include "framework/gui/screen_p.h"
#include "framework/gui/win_control_p.h"

TScreen* Screen = nullptr;

namespace {

std::map<TCursor, QCursor>& CursorImages() {
  static std::map<TCursor, QCursor> images;
  return images;
}

}  // namespace

QCursor ToQCursor(TCursor cursor) {
  auto it = CursorImages().find(cursor);
  if (it != CursorImages().end()) return it->second;
  return QCursor(ToQtCursorShape(cursor));
}

TScreen::TScreen(TComponent* owner) : TComponent(owner) {
  if (!Screen) Screen = this;
  // The core keeps the screen cursor; the screen shows it.
  SetScreenCursorHook([](TCursor cursor) {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    if (cursor != crDefault) QApplication::setOverrideCursor(ToQCursor(cursor));
  });
  if (ScreenCursor() != crDefault) QApplication::setOverrideCursor(ToQCursor(ScreenCursor()));
}

TScreen::~TScreen() {
  SetScreenCursorHook(nullptr);
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  if (Screen == this) Screen = nullptr;
}

TCursor TScreen::Cursor() const { return ScreenCursor(); }

void TScreen::SetCursor(TCursor cursor) { SetScreenCursor(cursor); }

void TScreen::SetCursorImage(TCursor cursor, const TBitmap& image, TPoint hotSpot) {
  QPixmap pixmap = QPixmap::fromImage(TBitmapAccess::DrawableImage(image));
  CursorImages()[cursor] = QCursor(pixmap, hotSpot.X, hotSpot.Y);
}

bool TScreen::HasCursorImage(TCursor cursor) const { return CursorImages().count(cursor) > 0; }

int TScreen::Width() const { return DesktopRect().Width(); }
int TScreen::Height() const { return DesktopRect().Height(); }

TRect TScreen::DesktopRect() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? FromQRect(s->virtualGeometry()) : Rect(0, 0, 800, 600);
}

TRect TScreen::WorkAreaRect() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? FromQRect(s->availableGeometry()) : Rect(0, 0, 800, 600);
}

TRect TScreen::MonitorWorkAreaAt(TPoint p) const {
  QScreen* s = QGuiApplication::screenAt(ToQPoint(p));
  if (!s) {
    // Nearest monitor: the one whose geometry is closest to the point.
    long long best = -1;
    for (QScreen* candidate : QGuiApplication::screens()) {
      QRect g = candidate->geometry();
      long long dx = std::max({g.left() - p.X, 0, p.X - g.right()});
      long long dy = std::max({g.top() - p.Y, 0, p.Y - g.bottom()});
      long long d = dx * dx + dy * dy;
      if (best < 0 || d < best) {
        best = d;
        s = candidate;
      }
    }
  }
  return s ? FromQRect(s->availableGeometry()) : WorkAreaRect();
}

TForm* TScreen::Forms(int index) const {
  if (index < 0 || index >= FormCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FForms[static_cast<std::size_t>(index)];
}

void TScreen::RemoveForm(TForm* form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
}

TForm* TScreen::ActiveForm() const {
  QWidget* active = QApplication::activeWindow();
  for (TForm* f : FForms)
    if (TWidgetAccess::Window(*f) == active) return f;
  return nullptr;
}

TWinControl* TScreen::ActiveControl() const { return TWidgetAccess::ControlOf(QApplication::focusWidget()); }

TPoint GetCursorPos() { return FromQPoint(QCursor::pos()); }

int GetDoubleClickTime() { return QGuiApplication::styleHints()->mouseDoubleClickInterval(); }

int GetWheelScrollLines() { return QApplication::wheelScrollLines(); }

namespace {
int GBeepCount = 0;
}  // namespace

void MessageBeep(unsigned type) {
  ++GBeepCount;
  QApplication::beep();
}

int MessageBeepCount() { return GBeepCount; }

TShiftState GetShiftState() {
  return ShiftFromQt(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons());
}
