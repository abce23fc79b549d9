#include "dbaccess/metadata/cache_file_io.h"

#include <unistd.h>

#include "framework/core/storage/file_io.h"

void TCacheFileWriter::WriteInt32(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) FBytes.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

void TCacheFileWriter::WriteByte(std::uint8_t value) { FBytes.push_back(static_cast<char>(value)); }

void TCacheFileWriter::WriteString(std::string_view text) {
  WriteInt32(static_cast<std::int32_t>(text.size()));
  FBytes.append(text);
}

std::string_view TCacheFileReader::ReadRaw(std::size_t count) {
  if (count > Left()) throw ECacheFileFormat("The cache file ends too early");
  const std::string_view bytes = FBytes.substr(FPosition, count);
  FPosition += count;
  return bytes;
}

std::int32_t TCacheFileReader::ReadInt32() {
  const std::string_view bytes = ReadRaw(4);
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(bits);
}

std::uint8_t TCacheFileReader::ReadByte() { return static_cast<std::uint8_t>(ReadRaw(1)[0]); }

std::string TCacheFileReader::ReadString() {
  const std::int32_t length = ReadInt32();
  if (length < 0) throw ECacheFileFormat("The cache file holds a negative length");
  return std::string(ReadRaw(static_cast<std::size_t>(length)));
}

int TCacheFileReader::ReadCount(std::size_t minItemBytes) {
  const std::int32_t count = ReadInt32();
  if (count < 0) throw ECacheFileFormat("The cache file holds a negative count");
  if (minItemBytes > 0 && static_cast<std::size_t>(count) > Left() / minItemBytes)
    throw ECacheFileFormat("The cache file holds more items than bytes");
  return count;
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes) {
  return ReplaceFileContents(path, bytes) == 0;
}

void RemoveFileQuietly(const std::string& path) { ::unlink(path.c_str()); }

std::string ChangeFileExtension(const std::string& path, std::string_view extension) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? path.substr(0, dot) : path) + std::string(extension);
}
