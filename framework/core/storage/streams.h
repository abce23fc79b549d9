#pragma once
// Byte streams: a position in a sequence of bytes that can be read, written
// and moved. `TStream` is the abstract base (blob fields and the blob
// streams of the database layer derive from it); `TMemoryStream`,
// `TStringStream` and `TFileStream` hold their bytes in memory, in a string
// and in a file. A stream is owned by whoever made or asked for it, through
// a std::unique_ptr or as a local.
//
// `Read` and `Write` move at most count bytes and return how many they
// moved; a short count is no error. `ReadBuffer` and `WriteBuffer` demand
// the whole count and raise EReadError "Stream read error" / EWriteError
// "Stream write error" otherwise. The position may lie past the end: reading
// there gives 0 bytes, and writing there fills the gap with zero bytes. A
// seek to a position before the start raises EStreamError.
// Streams are used by one thread at a time.

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/base/exceptions.h"
#include "framework/core/base/object.h"

TULVO_DECLARE_EXCEPTION(EFOpenError, EStreamError);
TULVO_DECLARE_EXCEPTION(EFCreateError, EStreamError);

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
// The older names of the same origins.
inline constexpr TSeekOrigin soFromBeginning = soBeginning;
inline constexpr TSeekOrigin soFromCurrent = soCurrent;
inline constexpr TSeekOrigin soFromEnd = soEnd;

class TStream : public TObject {
 public:
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  // Returns the new position.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, soBeginning); }
  // Found by seeking to the end and back.
  virtual std::int64_t Size();
  // Truncates or extends the stream; the default refuses (EStreamError).
  virtual void SetSize(std::int64_t size);

  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);
  // Copies count bytes from source's position into this stream; count 0
  // copies the whole of source from its start. Returns the count copied;
  // raises EReadError when source has fewer bytes, EWriteError when this
  // stream takes fewer.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);

  // The bytes from the current position to the end.
  std::string ReadRest();
  void WriteString(std::string_view bytes) {
    WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }
};

// Bytes in memory, owned by the stream.
class TMemoryStream : public TStream {
 public:
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }
  // Growth is filled with zero bytes; a position past the new end moves to
  // it. A negative size raises EStreamError.
  void SetSize(std::int64_t size) override;

  // The content; valid until the size changes.
  char* Memory() { return FData.data(); }
  const char* Memory() const { return FData.data(); }
  const std::string& Bytes() const { return FData; }
  // Replaces the content and rewinds (bypassing Write: for a class's own
  // loading).
  void SetBytes(std::string bytes);
  // Empties the stream and rewinds it.
  void Clear();
  // The content becomes the whole of stream (read from its start), written
  // through SetSize and Write; the position is 0 afterwards. When stream
  // cannot be read the content stays as it was.
  void LoadFromStream(TStream& stream);
  // Writes the whole content to stream at its position.
  void SaveToStream(TStream& stream) const;

 private:
  std::string FData;
  std::int64_t FPosition = 0;
};

// Text in a string, the program's Windows-1251 bytes.
class TStringStream : public TStream {
 public:
  explicit TStringStream(std::string data = {}) : FData(std::move(data)) {}

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }
  void SetSize(std::int64_t size) override;

  const std::string& DataString() const { return FData; }
  // Reads at most count bytes as text.
  std::string ReadString(std::int64_t count);

 private:
  std::string FData;
  std::int64_t FPosition = 0;
};

// Open modes: fmCreate, or one access mode combined with a share mode. Share
// modes are accepted and have no effect on this system.
inline constexpr std::uint16_t fmCreate = 0xFFFF;
inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmOpenWrite = 0x0001;
inline constexpr std::uint16_t fmOpenReadWrite = 0x0002;
inline constexpr std::uint16_t fmShareCompat = 0x0000;
inline constexpr std::uint16_t fmShareExclusive = 0x0010;
inline constexpr std::uint16_t fmShareDenyWrite = 0x0020;
inline constexpr std::uint16_t fmShareDenyRead = 0x0030;
inline constexpr std::uint16_t fmShareDenyNone = 0x0040;

// A file opened for the stream's lifetime. fmCreate creates the file or
// empties an existing one, for reading and writing.
class TFileStream : public TStream {
 public:
  // Raises EFCreateError / EFOpenError "Cannot create file "<name>". <reason>"
  // / "Cannot open file ...".
  TFileStream(std::string fileName, std::uint16_t mode);
  ~TFileStream() override;

  // Raises EReadError when the system reports an error before any byte.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;
  // Raises EWriteError when the file cannot be resized.
  void SetSize(std::int64_t size) override;

  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
  int FHandle = -1;
};
