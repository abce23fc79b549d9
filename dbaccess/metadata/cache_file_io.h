#pragma once
// The byte forms of the files the metadata caches keep on disk: 32-bit
// little-endian integers, single bytes, and strings as a 32-bit byte length
// followed by the bytes. The reader trusts nothing it reads: every length is
// checked against the bytes left before anything is taken or allocated, so
// a cut or foreign file ends in `ECacheFileFormat`, never in a read past the
// end or an allocation the size of a bogus length.

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/base/exceptions.h"

// The file is not one this layer wrote, or it was cut short.
TULVO_DECLARE_EXCEPTION(ECacheFileFormat, Exception);

class TCacheFileWriter {
 public:
  void WriteInt32(std::int32_t value);
  void WriteByte(std::uint8_t value);
  void WriteFlag(bool value) { WriteByte(value ? 1 : 0); }
  // The length, then the bytes.
  void WriteString(std::string_view text);
  // The bytes alone (a signature).
  void WriteRaw(std::string_view bytes) { FBytes.append(bytes); }

  const std::string& Bytes() const { return FBytes; }

 private:
  std::string FBytes;
};

class TCacheFileReader {
 public:
  explicit TCacheFileReader(std::string_view bytes) : FBytes(bytes) {}

  std::int32_t ReadInt32();
  std::uint8_t ReadByte();
  bool ReadFlag() { return ReadByte() != 0; }
  std::string ReadString();
  // Exactly count bytes, as they are.
  std::string_view ReadRaw(std::size_t count);
  // A count of items that follow, each taking at least minItemBytes: a
  // negative count, or one the bytes left cannot hold, is refused.
  int ReadCount(std::size_t minItemBytes);

  std::size_t Left() const { return FBytes.size() - FPosition; }
  bool AtEnd() const { return Left() == 0; }

 private:
  std::string_view FBytes;
  std::size_t FPosition = 0;
};

// Writes the file under a temporary name beside it and renames it into
// place, so a reader never meets half a file. False when that failed (the
// old file is then untouched).
bool WriteFileReplacing(const std::string& path, std::string_view bytes);
// Removes the file; a missing file is no failure.
void RemoveFileQuietly(const std::string& path);
// The path with its extension (the part of its last name from the last
// dot) replaced by extension, or extension appended when there is none.
std::string ChangeFileExtension(const std::string& path, std::string_view extension);
