#include "framework/core/storage/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "framework/core/storage/file_io.h"

namespace {

// The reading, writing and seeking shared by the streams that hold their
// bytes in a string. Positions are never negative; past the end they read
// nothing, and a write there fills the gap with zero bytes.
std::int64_t ReadBytes(const std::string& data, std::int64_t& position, void* buffer, std::int64_t count) {
  const auto size = static_cast<std::int64_t>(data.size());
  if (count <= 0 || position >= size) return 0;
  std::int64_t n = std::min(count, size - position);
  std::memcpy(buffer, data.data() + position, static_cast<std::size_t>(n));
  position += n;
  return n;
}

std::int64_t WriteBytes(std::string& data, std::int64_t& position, const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const std::int64_t end = position + count;
  if (end > static_cast<std::int64_t>(data.size())) data.resize(static_cast<std::size_t>(end), '\0');
  std::memcpy(data.data() + position, buffer, static_cast<std::size_t>(count));
  position = end;
  return count;
}

std::int64_t SeekIn(std::int64_t size, std::int64_t& position, std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position : size;
  if (base + offset < 0) throw EStreamError("Invalid stream position");
  position = base + offset;
  return position;
}

void Resize(std::string& data, std::int64_t& position, std::int64_t size) {
  if (size < 0) throw EStreamError("Invalid stream size");
  data.resize(static_cast<std::size_t>(size), '\0');
  if (position > size) position = size;
}

}  // namespace

// --- TStream -----------------------------------------------------------------

std::int64_t TStream::Size() {
  std::int64_t position = Seek(0, soCurrent);
  std::int64_t size = Seek(0, soEnd);
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

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count < 0) throw EReadError("Stream read error");
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::int64_t>(count, 1 << 16)));
  for (std::int64_t left = count; left > 0;) {
    std::int64_t n = std::min(left, static_cast<std::int64_t>(buffer.size()));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
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

// --- TMemoryStream -----------------------------------------------------------

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  return ReadBytes(FData, FPosition, buffer, count);
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  return WriteBytes(FData, FPosition, buffer, count);
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  return SeekIn(Size(), FPosition, offset, origin);
}

void TMemoryStream::SetSize(std::int64_t size) { Resize(FData, FPosition, size); }

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::SetBytes(std::string bytes) {
  FData = std::move(bytes);
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  std::string data(static_cast<std::size_t>(std::max<std::int64_t>(stream.Size(), 0)), '\0');
  stream.ReadBuffer(data.data(), static_cast<std::int64_t>(data.size()));
  // Through the virtual members, so that a derived stream sees the change.
  SetSize(0);
  SetPosition(0);
  WriteString(data);
  SetPosition(0);
}

void TMemoryStream::SaveToStream(TStream& stream) const {
  stream.WriteBuffer(FData.data(), static_cast<std::int64_t>(FData.size()));
}

// --- TStringStream -----------------------------------------------------------

std::int64_t TStringStream::Read(void* buffer, std::int64_t count) {
  return ReadBytes(FData, FPosition, buffer, count);
}

std::int64_t TStringStream::Write(const void* buffer, std::int64_t count) {
  return WriteBytes(FData, FPosition, buffer, count);
}

std::int64_t TStringStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  return SeekIn(Size(), FPosition, offset, origin);
}

void TStringStream::SetSize(std::int64_t size) { Resize(FData, FPosition, size); }

std::string TStringStream::ReadString(std::int64_t count) {
  std::string text(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)), '\0');
  text.resize(static_cast<std::size_t>(Read(text.data(), count)));
  return text;
}

// --- TFileStream -------------------------------------------------------------

TFileStream::TFileStream(std::string fileName, std::uint16_t mode) : FFileName(std::move(fileName)) {
  if (mode == fmCreate) {
    FHandle = ::open(FFileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0)
      throw EFCreateError("Cannot create file \"" + FFileName + "\". " + SystemErrorText(errno));
    return;
  }
  int flags = 0;
  switch (mode & 3) {
    case fmOpenRead:
      flags = O_RDONLY;
      break;
    case fmOpenWrite:
      flags = O_WRONLY;
      break;
    case fmOpenReadWrite:
      flags = O_RDWR;
      break;
    default:
      throw EFOpenError("Cannot open file \"" + FFileName + "\". " + SystemErrorText(EINVAL));
  }
  FHandle = ::open(FFileName.c_str(), flags | O_CLOEXEC);
  if (FHandle < 0) throw EFOpenError("Cannot open file \"" + FFileName + "\". " + SystemErrorText(errno));
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  while (done < count) {
    ssize_t n = ::read(FHandle, static_cast<char*>(buffer) + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && done == 0) throw EReadError("Stream read error");
    if (n <= 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  while (done < count) {
    ssize_t n =
        ::write(FHandle, static_cast<const char*>(buffer) + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the short count tells the caller
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t position = ::lseek(FHandle, static_cast<off_t>(offset), whence);
  if (position < 0)
    throw EStreamError("Cannot seek in file \"" + FFileName + "\". " + SystemErrorText(errno));
  return position;
}

std::int64_t TFileStream::Size() {
  struct stat st {};
  if (::fstat(FHandle, &st) != 0) return TStream::Size();
  return st.st_size;
}

void TFileStream::SetSize(std::int64_t size) {
  if (size < 0 || ::ftruncate(FHandle, static_cast<off_t>(size)) != 0)
    throw EWriteError("Stream write error");
  if (Position() > size) SetPosition(size);
}
