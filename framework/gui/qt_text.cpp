#include "framework/gui/qt_text.h"

#include <array>

#include "framework/core/text/text.h"

namespace {

const std::array<char16_t, 256>& UnicodeTable() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<char16_t>(AnsiCharToUnicode(static_cast<char>(i)));
    return t;
  }();
  return table;
}

}  // namespace

QString ToQString(std::string_view ansi) {
  const auto& table = UnicodeTable();
  QString result(static_cast<qsizetype>(ansi.size()), Qt::Uninitialized);
  QChar* out = result.data();
  for (char c : ansi) *out++ = QChar(table[static_cast<unsigned char>(c)]);
  return result;
}

std::string FromQString(const QString& text) {
  std::string result;
  result.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    char32_t c = text.at(i).unicode();
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
      ++i;
    }
    result.push_back(UnicodeToAnsiChar(c));
  }
  return result;
}
