// TFIBCustomDataSet: blob streams. Each record buffer holds one 4-byte
// handle per blob column, naming the blob stream that record keeps open in
// the dataset's registry; the streams handed out (TFIBDSBlobStream) reach it
// through the same handle, so a stream whose blob stream was freed finds
// nothing rather than freed memory.
//
// A stream opened on the active record while browsing is remembered in the
// cached record as well, so that reading the blob again reuses the loaded
// content. A stream opened for an edit lives in the edited buffer only until
// the post writes the buffer back; a cancel frees it.

#include "dbaccess/dataset/fib_dataset_blob.h"

#include <cstring>

#include "dbaccess/blob/blob_stream.h"
#include "dbaccess/cache/records_cache.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/util/helpers.h"

namespace {

TBlobStreamHandle LoadHandle(const void* slot) {
  TBlobStreamHandle handle;
  std::memcpy(&handle, slot, sizeof handle);
  return handle;
}

void StoreHandle(void* slot, TBlobStreamHandle handle) { std::memcpy(slot, &handle, sizeof handle); }

}  // namespace

// ---- TFIBDSBlobStream -----------------------------------------------------------------------

TFIBDSBlobStream::TFIBDSBlobStream(TFIBCustomDataSet& dataSet, TField* field,
                                   std::weak_ptr<TBlobStreamRegistry> registry, TBlobStreamHandle handle,
                                   const TISCQuad& blobId, bool ownsStream, TBlobStreamMode mode)
    : FDataSet(&dataSet),
      FField(field),
      FRegistry(std::move(registry)),
      FHandle(handle),
      FBlobId(blobId),
      FOwnsStream(ownsStream) {
  TFIBBlobStream* stream = BlobStream();
  if (stream == nullptr) return;
  try {
    if (mode == bmWrite) {
      FModified = true;
      stream->Truncate();
    }
    stream->Seek(0, soBeginning);
  } catch (...) {
    // No destructor runs for a stream that failed to start.
    if (auto owner = Registry(); owner && FOwnsStream) owner->Free(FHandle);
    throw;
  }
}

TFIBDSBlobStream::~TFIBDSBlobStream() {
  const std::shared_ptr<TBlobStreamRegistry> registry = Registry();
  if (!registry) return;
  if (FModified && FDataSet->Active()) {
    // A destructor cannot report: a control failing on the notification
    // must not end the program.
    try {
      FDataSet->BlobFieldChanged(FField, TDSBlobStreamKey());
    } catch (...) {
    }
  }
  if (FOwnsStream) registry->Free(FHandle);
}

TFIBBlobStream* TFIBDSBlobStream::BlobStream() const {
  const std::shared_ptr<TBlobStreamRegistry> registry = Registry();
  return registry ? registry->Find(FHandle) : nullptr;
}

std::int64_t TFIBDSBlobStream::Read(void* buffer, std::int64_t count) {
  TFIBBlobStream* stream = BlobStream();
  return stream != nullptr ? stream->Read(buffer, count) : 0;
}

std::int64_t TFIBDSBlobStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  TFIBBlobStream* stream = BlobStream();
  return stream != nullptr ? stream->Seek(offset, origin) : 0;
}

std::int64_t TFIBDSBlobStream::Size() {
  TFIBBlobStream* stream = BlobStream();
  return stream != nullptr ? stream->Size() : 0;
}

void TFIBDSBlobStream::BeforeChange(const TBlobStreamRegistry&) {
  const TDataSetState state = FDataSet->State();
  if (state != dsEdit && state != dsInsert) RaiseClientError(ceNotEditing, ComponentPath(FDataSet));
  FModified = true;
  FDataSet->BlobFieldModified(FField, TDSBlobStreamKey());
}

std::int64_t TFIBDSBlobStream::Write(const void* buffer, std::int64_t count) {
  const std::shared_ptr<TBlobStreamRegistry> registry = Registry();
  if (!registry) return 0;
  BeforeChange(*registry);
  TFIBBlobStream* stream = registry->Find(FHandle);
  const std::int64_t written = stream != nullptr ? stream->Write(buffer, count) : 0;
  FDataSet->BlobFieldChanged(FField, TDSBlobStreamKey());
  return written;
}

void TFIBDSBlobStream::SetSize(std::int64_t size) {
  const std::shared_ptr<TBlobStreamRegistry> registry = Registry();
  if (!registry) return;
  // Sizing changes the content that every reader of the record shares, so
  // it is held to the rules of a write.
  BeforeChange(*registry);
  if (TFIBBlobStream* stream = registry->Find(FHandle)) stream->SetSize(size);
  FDataSet->BlobFieldChanged(FField, TDSBlobStreamKey());
}

// ---- The dataset's side --------------------------------------------------------------------

void TFIBCustomDataSet::BlobFieldModified(TField* field, TDSBlobStreamKey) {
  if (auto* blob = dynamic_cast<TBlobField*>(field)) blob->SetModified(true);
  SetModified(true);
}

void TFIBCustomDataSet::BlobFieldChanged(TField* field, TDSBlobStreamKey) {
  // The framework's data event, through this dataset's dispatch so that
  // OnFieldChange hears it first.
  TDataEventInfo info;
  info.Field = field;
  DataEvent(deFieldChange, info);
}

void TFIBCustomDataSet::CheckBlobWriteState() const {
  TDataSetState state = State();
  if (state == dsNewValue || state == dsOldValue) state = FStateFieldValueState;
  if (state == dsEdit) {
    if (!CanEdit()) RaiseClientError(ceCannotUpdate, ComponentPath(this));
    return;
  }
  if (state == dsInsert) {
    if (!CanInsert()) RaiseClientError(ceCannotInsert, ComponentPath(this));
    return;
  }
  RaiseClientError(ceNotInEditMode, ComponentPath(this));
}

std::byte* TFIBCustomDataSet::BlobSlot(TRecordBuffer buffer, const TFIBColumnDescriptor& column) const {
  int ordinal = 0;
  for (const TFIBColumnDescriptor& other : FColumns) {
    if (&other == &column) break;
    if (other.SQLType == SQLTypeBlob) ++ordinal;
  }
  return buffer + FBlobRefOffset + ordinal * static_cast<int>(sizeof(TBlobStreamHandle));
}

char* TFIBCustomDataSet::CachedBlobSlot(TRecordBuffer buffer, const TFIBColumnDescriptor& column) const {
  // Only a buffer showing a fetched record has one behind it: a record being
  // inserted borrows its neighbour's index.
  if (!FCache || buffer == nullptr || GetBookmarkFlag(buffer) != bfCurrent) return nullptr;
  const int index = RecordIndexOf(buffer);
  if (!IsHeld(index)) return nullptr;
  char* record = FCache->RecordPointer(CacheSlot(index) + 1);
  if (record == nullptr) return nullptr;
  const std::byte* slot = BlobSlot(buffer, column);
  return record + (FFixedEnd - TRecordsCache::RecordBufferOffset) + (slot - (buffer + FBlobRefOffset));
}

TFIBBlobStream* TFIBCustomDataSet::BlobStreamOf(TRecordBuffer buffer, const TField* field) const {
  const TFIBColumnDescriptor* column = ColumnOf(field);
  if (buffer == nullptr || column == nullptr || column->SQLType != SQLTypeBlob) return nullptr;
  return FBlobStreams->Find(LoadHandle(BlobSlot(buffer, *column)));
}

std::unique_ptr<TStream> TFIBCustomDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  const TFIBColumnDescriptor* column = ColumnOf(field);
  if (column == nullptr || column->SQLType != SQLTypeBlob)
    DatabaseError("Field '" + (field != nullptr ? field->DisplayName() : std::string()) +
                  "' is not a blob field");
  if (mode != bmRead && !field->ReadOnly()) CheckBlobWriteState();

  // The record, chosen as field values are read. Copies of records outside
  // the window live only for this call.
  TRecordBuffer record = nullptr;
  std::unique_ptr<std::byte[]> copy;
  const auto copyOf = [&](int index) {
    copy = std::make_unique<std::byte[]>(static_cast<std::size_t>(FRecordBufferSize));
    ReadCachedRecord(index, copy.get());
    return copy.get();
  };
  if (FCache) {
    if (FValueAtRecord >= 0) {
      if (IsHeld(FValueAtRecord)) record = copyOf(FValueAtRecord);
    } else {
      switch (State()) {
        case dsFilter: {
          const int index = FCurrentRecord >= FFetchedCount ? FFetchedCount - 1 : FCurrentRecord;
          if (IsHeld(index)) record = copyOf(index);
          break;
        }
        case dsOldValue:
          if (!IsEmpty()) {
            const int index = RecordIndexOf(ActiveBuffer());
            if (IsHeld(index)) {
              copy = std::make_unique<std::byte[]>(static_cast<std::size_t>(FRecordBufferSize));
              FCache->ReadOldVersion(CacheSlot(index) + 1, reinterpret_cast<char*>(copy.get()));
              record = copy.get();
            } else {
              record = ActiveBuffer();
            }
          }
          break;
        case dsCalcFields:
          record = CalcBuffer();
          break;
        default:
          if (!IsEmpty()) record = ActiveBuffer();
          break;
      }
    }
  }
  const bool temporary = copy != nullptr;

  const TFIBXSQLVAR* select = Active() ? SelectColumnOf(field) : nullptr;
  const int subType = select != nullptr ? select->SQLSubtype() : 0;
  TBlobStreamHandle handle = 0;
  TISCQuad id;
  bool owns = false;
  if (record == nullptr) {
    // No record: a stream of nothing, for this caller alone.
    TFIBBlobStream& stream = FBlobStreams->Add(field->FieldNo(), handle);
    stream.SetBlobSubType(subType);
    stream.SetMode(bmReadWrite);
    owns = true;
  } else {
    std::byte* slot = BlobSlot(record, *column);
    const bool isNull = record[6 + (column - FColumns.data())] != std::byte{0};
    if (!isNull) std::memcpy(&id, record + column->Offset, sizeof id);
    handle = LoadHandle(slot);
    if (FBlobStreams->Find(handle) == nullptr) {
      handle = 0;
      // A null blob read has nothing to read; anything else gets a stream.
      if (!isNull || mode != bmRead) {
        TFIBBlobStream& stream = FBlobStreams->Add(field->FieldNo(), handle);
        stream.SetBlobSubType(subType);
        stream.SetMode(bmReadWrite);
        stream.SetDatabase(Database());
        stream.SetTransaction(Transaction());
        stream.SetBlobId(id);
        if (temporary) {
          // Nothing keeps the copy's reference: the stream handed out owns
          // the blob stream and frees it.
          owns = true;
        } else {
          StoreHandle(slot, handle);
          if (State() == dsBrowse && record == ActiveBuffer())
            if (char* cached = CachedBlobSlot(record, *column)) StoreHandle(cached, handle);
        }
      } else {
        StoreHandle(slot, 0);
      }
    }
  }
  return std::make_unique<TFIBDSBlobStream>(*this, field, FBlobStreams, handle, id, owns, mode);
}

// ---- Posting, cancelling, refreshing ------------------------------------------------------------

void TFIBCustomDataSet::FinalizeBlobStreams(TRecordBuffer buffer) {
  if (buffer == nullptr) return;
  for (std::size_t i = 0; i < FColumns.size(); ++i) {
    const TFIBColumnDescriptor& column = FColumns[i];
    if (column.SQLType != SQLTypeBlob) continue;
    TFIBBlobStream* stream = FBlobStreams->Find(LoadHandle(BlobSlot(buffer, column)));
    // A stream never touched holds the record's own blob.
    if (stream == nullptr || !stream->Loaded()) continue;
    stream->Finalize();
    const bool empty = stream->Size() == 0;
    const TISCQuad id = empty ? TISCQuad{} : stream->BlobId();
    std::memcpy(buffer + column.Offset, &id, sizeof id);
    buffer[6 + i] = empty ? std::byte{1} : std::byte{0};
  }
}

void TFIBCustomDataSet::CancelBlobStreams(TRecordBuffer buffer) noexcept {
  if (buffer == nullptr) return;
  for (const TFIBColumnDescriptor& column : FColumns) {
    if (column.SQLType != SQLTypeBlob) continue;
    std::byte* slot = BlobSlot(buffer, column);
    const TBlobStreamHandle handle = LoadHandle(slot);
    TFIBBlobStream* stream = FBlobStreams->Find(handle);
    char* cached = CachedBlobSlot(buffer, column);
    if (stream != nullptr && cached != nullptr && LoadHandle(cached) == handle) {
      // The record's own stream: back to what it held before the edit.
      stream->Cancel();
      continue;
    }
    FBlobStreams->Free(handle);
    StoreHandle(slot, 0);
  }
}

void TFIBCustomDataSet::FreeBlobStreams(TRecordBuffer buffer, int column) noexcept {
  if (buffer == nullptr) return;
  for (std::size_t i = 0; i < FColumns.size(); ++i) {
    const TFIBColumnDescriptor& descriptor = FColumns[i];
    if (descriptor.SQLType != SQLTypeBlob || (column >= 0 && static_cast<std::size_t>(column) != i)) continue;
    std::byte* slot = BlobSlot(buffer, descriptor);
    const TBlobStreamHandle handle = LoadHandle(slot);
    if (char* cached = CachedBlobSlot(buffer, descriptor); cached != nullptr && LoadHandle(cached) == handle)
      StoreHandle(cached, 0);
    FBlobStreams->Free(handle);
    StoreHandle(slot, 0);
  }
}
