#pragma once
// What the fuzz targets share. A target checks the promises its code makes,
// not only that nothing crashes: a broken promise prints what was expected
// and what came out, then traps, so libFuzzer keeps the input as a crash.
// Exceptions a routine may raise are caught by the target; any other
// exception escapes and ends the run as well.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// A cheap hash of the input, to pick settings and choices from it
// deterministically (FNV-1a style).
inline std::uint64_t FuzzHash(std::string_view s, std::uint64_t seed) {
  std::uint64_t h = seed;
  for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  return h;
}

// The bytes of a text, readable on one line: printable ASCII as it is,
// everything else as \xNN.
inline std::string FuzzShown(std::string_view s) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
      out += ch;
    } else {
      out += "\\x";
      out += Hex[c >> 4];
      out += Hex[c & 15];
    }
  }
  return out + "\"";
}

[[noreturn]] inline void FuzzPromiseBroken(const char* file, int line, const char* promise,
                                           const std::string& detail) {
  std::fprintf(stderr, "\n==== BROKEN PROMISE (%s:%d): %s\n%s\n", file, line, promise, detail.c_str());
  std::fflush(stderr);
  __builtin_trap();
}

// The detail is built only when the promise is broken.
#define FUZZ_CHECK(condition, detail)                                            \
  do {                                                                           \
    if (!(condition)) FuzzPromiseBroken(__FILE__, __LINE__, #condition, detail); \
  } while (0)

// The input's parts: the text cut at "\n" into at most `parts` pieces (the
// last one keeps the rest, line breaks included). Missing parts are empty.
inline std::vector<std::string_view> FuzzLines(std::string_view text, std::size_t parts) {
  std::vector<std::string_view> lines;
  while (lines.size() + 1 < parts) {
    const std::size_t eol = text.find('\n');
    if (eol == std::string_view::npos) break;
    lines.push_back(text.substr(0, eol));
    text.remove_prefix(eol + 1);
  }
  lines.push_back(text);
  lines.resize(parts);
  return lines;
}

inline std::string_view FuzzText(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}
