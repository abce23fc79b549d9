#pragma once
// `TFIBBlobStream`: the whole content of one database blob in memory. The
// blob is read by its identifier in one go when the stream is first touched
// (read, written, sought, sized); the caller then reads, seeks and writes in
// memory, and `Finalize` writes the content back as a new blob, which gives
// the stream a new identifier. The first change after loading (or after a
// finalise) keeps the loaded content aside, so that `Cancel` can bring it
// back. The connection's blob filters convert the content of user-defined
// sub-types on the way in and out.
//
// The stream reaches its connection and transaction through a statement
// link (fib_base.h) and forgets both when either is destroyed. A stream is
// owned by whoever made it (a std::unique_ptr or a local), or by the
// `TFIBBlobStreamList` of a dataset, which frees it. One thread at a time.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dbaccess/blob/blob_io.h"
#include "dbaccess/connection/fib_base.h"
#include "dbaccess/client/status_vector.h"
#include "framework/core/data/dataset_types.h"
#include "framework/core/storage/streams.h"

class TFIBDatabase;
class TFIBTransaction;
class TFIBBlobStreamList;

// Only the list of a dataset's blob streams makes this key: it creates the
// streams it owns and keeps their indexes.
class TBlobStreamListKey {
 private:
  friend class TFIBBlobStreamList;
  TBlobStreamListKey() = default;
};

class TFIBBlobStream : public TStream {
 public:
  // A stream of no field and no list.
  TFIBBlobStream();
  // A stream of a dataset's list, for the blob field of that number.
  TFIBBlobStream(int fieldNumber, TBlobStreamListKey);
  ~TFIBBlobStream() override;
  TFIBBlobStream(const TFIBBlobStream&) = delete;
  TFIBBlobStream& operator=(const TFIBBlobStream&) = delete;

  // ---- TStream ----
  // Raises client error 35 in write mode. Past the end, reads 0 bytes.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  // Raises client error 36 in read mode. The first write after loading
  // starts from an empty content; a gap before the position is zero-filled.
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // The position may lie past the end; before the start raises EStreamError.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;
  // Raises client error 36 in read mode; growth is zero-filled; the
  // position stays where it is.
  void SetSize(std::int64_t size) override;

  // ---- Where the blob is ----
  const TISCQuad& BlobId() const { return FBlobId; }
  // A different identifier makes the next touch load that blob.
  void SetBlobId(const TISCQuad& id);
  // Picks the connection's filter; 0 binary, 1 text, negative user-defined.
  int BlobSubType() const { return FBlobSubType; }
  void SetBlobSubType(int subType) { FBlobSubType = subType; }
  TBlobStreamMode Mode() const { return FMode; }
  void SetMode(TBlobStreamMode mode);
  // The connection and the transaction follow the statement link's rules:
  // a connection brings its default transaction when there is none, and a
  // transaction not spanning the connection brings its own.
  TFIBDatabase* Database() const { return FLink.Database(); }
  void SetDatabase(TFIBDatabase* database);
  TFIBTransaction* Transaction() const { return FLink.Transaction(); }
  void SetTransaction(TFIBTransaction* transaction);

  // ---- State ----
  // The content belongs to the current identifier, mode, connection and
  // transaction.
  bool Loaded() const { return FLoaded; }
  // The content was changed since it was loaded or written back.
  bool Modified() const { return FModified; }
  // The next change keeps the content aside first.
  bool BackupOnWrite() const { return FBackupOnWrite; }
  // The blob field's number in the dataset, -1 for a stream of no field.
  int FieldNumber() const { return FFieldNumber; }
  // The slot in the owning list, -1 when not listed.
  int IndexInList() const { return FIndexInList; }

  // ---- Whole content ----
  // The content becomes source's whole content (read from its start), and
  // the position 0. Raises client error 36 in read mode.
  void LoadFromStream(TStream& source);
  // Writes the whole content to target at its position. Raises client error
  // 35 in write mode.
  void SaveToStream(TStream& target);
  // The whole content. Raises client error 35 in write mode.
  std::string AsString();
  // Empties the content. Raises client error 36 in read mode.
  void Truncate();

  // Writes a changed content (or, with force, any loaded content) back as a
  // new blob and takes its identifier; a failure keeps the old identifier
  // and the changes. Nothing in read mode or before loading.
  void Finalize(bool force = false);
  // Brings back the content as it was before the first change since loading
  // (or since the last finalise). Nothing in read mode or before loading.
  void Cancel();

  // ---- For the owning list ----
  void SetIndexInList(int index, TBlobStreamListKey) { FIndexInList = index; }

 private:
  void CheckReadable() const;
  void CheckWritable() const;
  // Loads the content on the first touch.
  void EnsureLoaded();
  void StartEmpty();
  // Before a change: keeps the content aside once (and empties it when
  // emptying is asked for), and marks the stream modified.
  void BeginChange(bool empty);
  void Unload() { FLoaded = false; }
  void DropConnection();
  // The handles for a client call, after the checks of both.
  TClientHandle* DatabaseHandle();
  TClientHandle* TransactionHandle();
  // Raises the server's error for a result above 0.
  void Check(TStatusWord result);
  std::string ReadBlob();
  TISCQuad WriteBlob(const std::string& content);

  TFIBBase FLink;
  std::string FData;
  std::int64_t FPosition = 0;
  TBlobStreamMode FMode = bmRead;
  TISCQuad FBlobId;
  int FBlobSubType = 0;
  bool FLoaded = false;
  bool FModified = false;
  std::string FBackup;
  bool FBackupOnWrite = true;
  int FFieldNumber = -1;
  int FIndexInList = -1;
};

// The blob streams of one dataset, owned: the dataset's record buffers point
// at them, and the list frees them (one, or all when the dataset closes or
// goes). Deleting a stream moves the last stream into its slot.
class TFIBBlobStreamList {
 public:
  TFIBBlobStreamList() = default;
  ~TFIBBlobStreamList();
  TFIBBlobStreamList(const TFIBBlobStreamList&) = delete;
  TFIBBlobStreamList& operator=(const TFIBBlobStreamList&) = delete;

  // A new stream for the field, listed last.
  TFIBBlobStream& Add(int fieldNumber);
  // Frees a listed stream; EListError for one that is not listed here.
  void Delete(TFIBBlobStream* stream);
  // Frees every stream.
  void Clear();
  int Count() const { return static_cast<int>(FStreams.size()); }
  // EListError for an index out of range.
  TFIBBlobStream* Items(int index) const;

 private:
  std::vector<std::unique_ptr<TFIBBlobStream>> FStreams;
};
