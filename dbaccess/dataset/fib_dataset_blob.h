#pragma once
// `TFIBDSBlobStream`: the stream a `TFIBCustomDataSet` hands out for a blob
// field of a record (CreateBlobStream). It works on the blob stream the
// record keeps open in the dataset's registry (blob_stream_registry.h),
// reached through the record's handle, so that the record and every stream
// handed out for it see one content. Reading, seeking and sizing pass
// through; writing and sizing need the edit or insert state, mark the
// dataset modified and tell the field's controls.
//
// Owned by the caller. It may outlive its blob stream (a refresh, a cancel
// or closing frees those) and its dataset: it then reads and writes nothing.
// A stream made for a record that keeps no reference (a temporary copy under
// a filter, an old version, a record read by number) owns its blob stream
// and frees it when it goes.

#include <cstdint>
#include <memory>

#include "dbaccess/blob/blob_io.h"
#include "dbaccess/blob/blob_stream_registry.h"
#include "framework/core/data/dataset_types.h"
#include "framework/core/storage/streams.h"

class TFIBCustomDataSet;
class TFIBBlobStream;
class TField;

class TFIBDSBlobStream : public TStream {
 public:
  // Opening for writing empties the blob stream; every mode starts at 0.
  TFIBDSBlobStream(TFIBCustomDataSet& dataSet, TField* field, std::weak_ptr<TBlobStreamRegistry> registry,
                   TBlobStreamHandle handle, const TISCQuad& blobId, bool ownsStream, TBlobStreamMode mode);
  ~TFIBDSBlobStream() override;
  TFIBDSBlobStream(const TFIBDSBlobStream&) = delete;
  TFIBDSBlobStream& operator=(const TFIBDSBlobStream&) = delete;

  // 0 bytes without a blob stream.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  // Raises client error 43 outside the edit and insert states.
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;
  // A change like a write: the same state is needed, the same is told.
  void SetSize(std::int64_t size) override;

  TField* Field() const { return FField; }
  // The blob id the record held when the stream was made.
  const TISCQuad& BlobId() const { return FBlobId; }
  bool Modified() const { return FModified; }
  // The blob stream under it; nullptr once freed, or for a null blob read.
  TFIBBlobStream* BlobStream() const;

 private:
  // The registry while the dataset lives.
  std::shared_ptr<TBlobStreamRegistry> Registry() const { return FRegistry.lock(); }
  void BeforeChange(const TBlobStreamRegistry& registry);

  TFIBCustomDataSet* FDataSet;
  TField* FField;
  std::weak_ptr<TBlobStreamRegistry> FRegistry;
  TBlobStreamHandle FHandle;
  TISCQuad FBlobId;
  bool FOwnsStream;
  bool FModified = false;
};
