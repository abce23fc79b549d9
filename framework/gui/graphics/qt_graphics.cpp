#include "framework/gui/graphics/qt_graphics.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QString>

#include "framework/gui/graphics/qt_text.h"

namespace {

bool FamilyInstalled(const QString& family) {
  static QHash<QString, bool> known;
  auto it = known.find(family);
  if (it != known.end()) return it.value();
  bool installed = QFontDatabase::families().contains(family, Qt::CaseInsensitive);
  known.insert(family, installed);
  return installed;
}

}  // namespace

QFont ToQFont(const TFont& font) {
  QFont f;
  QString family = ToQString(font.Name());
  if (FamilyInstalled(family)) {
    f.setFamily(family);
  } else {
    f.setFamily(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    f.setStyleHint(font.Pitch() == fpFixed ? QFont::Monospace : QFont::SansSerif);
  }
  if (font.Pitch() == fpFixed) f.setFixedPitch(true);
  TFontStyles style = font.Style();
  f.setBold(style.Contains(fsBold));
  f.setItalic(style.Contains(fsItalic));
  f.setUnderline(style.Contains(fsUnderline));
  f.setStrikeOut(style.Contains(fsStrikeOut));
  f.setKerning(false);
  int height = font.Height();
  if (height < 0) {
    f.setPixelSize(-height);
  } else if (height > 0) {
    // A positive height is the whole cell (ascent + descent): scale the
    // character height until the cell matches.
    f.setPixelSize(height);
    int cell = QFontMetrics(f).height();
    if (cell > 0 && cell != height) f.setPixelSize(std::max(1, height * height / cell));
  } else {
    f.setPixelSize(11);
  }
  return f;
}
