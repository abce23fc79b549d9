#pragma once
// Byte streams: the abstract `TStream` (read, write, seek) through which
// blob fields reach their data, and `TMemoryStream`, a stream over bytes
// held in memory. A stream is owned by whoever asked for it, through a
// std::unique_ptr.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/core/object.h"

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream : public TObject {
 public:
  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Writes count bytes; returns how many were written.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  // Moves the position; returns the new position.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, soBeginning); }
  virtual std::int64_t Size();
  // Truncates or extends the stream; the default refuses (EStreamError).
  virtual void SetSize(std::int64_t size);

  // Read or write exactly count bytes, else EReadError / EWriteError.
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);

  // The bytes from the current position to the end.
  std::string ReadRest();
  void WriteString(const std::string& bytes) {
    WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }
};

class TMemoryStream : public TStream {
 public:
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }
  void SetSize(std::int64_t size) override;

  void Clear();
  const std::string& Bytes() const { return FData; }
  void SetBytes(std::string bytes);

 private:
  std::string FData;
  std::int64_t FPosition = 0;
};
