#include "framework/core/streams.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "framework/core/exceptions.h"

std::int64_t TStream::Size() {
  const std::int64_t position = Seek(0, soCurrent);
  const std::int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::SetSize(std::int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::string TStream::ReadRest() {
  std::string result;
  char chunk[4096];
  for (;;) {
    const std::int64_t n = Read(chunk, sizeof chunk);
    if (n <= 0) break;
    result.append(chunk, static_cast<std::size_t>(n));
  }
  return result;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t size = Size();
  if (count <= 0 || FPosition >= size) return 0;
  const std::int64_t n = std::min(count, size - FPosition);
  std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
  FPosition += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const std::int64_t end = FPosition + count;
  if (end > Size()) FData.resize(static_cast<std::size_t>(end), '\0');
  std::memcpy(FData.data() + FPosition, buffer, static_cast<std::size_t>(count));
  FPosition = end;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == soCurrent) base = FPosition;
  if (origin == soEnd) base = Size();
  const std::int64_t position = base + offset;
  if (position < 0) throw EStreamError("Invalid stream position");
  FPosition = position;
  return FPosition;
}

void TMemoryStream::SetSize(std::int64_t size) {
  if (size < 0) throw EStreamError("Invalid stream size");
  FData.resize(static_cast<std::size_t>(size), '\0');
  if (FPosition > size) FPosition = size;
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::SetBytes(std::string bytes) {
  FData = std::move(bytes);
  FPosition = 0;
}
