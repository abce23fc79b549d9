#pragma once
// A fresh folder under the test framework's temporary directory, removed with
// everything in it when its owner goes. Each test makes its own (never a fixed
// path), so tests run side by side and in any order.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

class TTempFolder {
 public:
  // The folder's name starts with the prefix; raises
  // std::filesystem::filesystem_error when it cannot be made.
  explicit TTempFolder(const std::string& prefix = "tulvo-test-") {
    std::string pattern = (std::filesystem::path(::testing::TempDir()) / (prefix + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
      throw std::filesystem::filesystem_error("cannot create a temporary folder", pattern,
                                              std::error_code(errno, std::generic_category()));
    FPath = std::move(pattern);
  }
  ~TTempFolder() {
    std::error_code ignored;  // a folder left behind must not hide the test's result
    std::filesystem::remove_all(FPath, ignored);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::string& Path() const { return FPath; }
  // The path of a file or folder inside.
  std::string File(const std::string& name) const { return FPath + "/" + name; }

 private:
  std::string FPath;
};

// The whole content of a file, as bytes; empty when it cannot be read.
inline std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Replaces the content of a file with the bytes given.
inline void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}
