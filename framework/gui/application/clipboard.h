#pragma once
// The system clipboard, as text (Windows-1251 here, Unicode on the
// clipboard).

#include <string>

class TClipboard {
 public:
  bool HasText() const;
  std::string AsText() const;
  void SetAsText(const std::string& text);
};

TClipboard& Clipboard();
