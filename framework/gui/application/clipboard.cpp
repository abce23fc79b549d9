#include "framework/gui/application/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "framework/gui/graphics/qt_text.h"

bool TClipboard::HasText() const {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasText();
}

std::string TClipboard::AsText() const { return FromQString(QGuiApplication::clipboard()->text()); }

void TClipboard::SetAsText(const std::string& text) {
  QGuiApplication::clipboard()->setText(ToQString(text));
}

TClipboard& Clipboard() {
  static TClipboard clipboard;
  return clipboard;
}
