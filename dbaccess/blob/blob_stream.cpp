#include "dbaccess/blob/blob_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "dbaccess/blob/blob_filters.h"
#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_handles.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/status_vector.h"
#include "dbaccess/connection/transaction.h"
#include "framework/core/base/exceptions.h"

static_assert(sizeof(TISCQuad) == sizeof(ISC_QUAD));

namespace {

// Segments are read and written in pieces of at most this many bytes.
constexpr std::size_t SegmentSize = 16384;
// The size of the reply to the blob information items.
constexpr short BlobInfoReplySize = 100;

// The name client errors 21 and 22 give for a blob stream.
constexpr const char* StreamName = "BlobStream";

ISC_QUAD ToQuad(const TISCQuad& id) {
  ISC_QUAD quad{};
  quad.gds_quad_high = id.High;
  quad.gds_quad_low = id.Low;
  return quad;
}

// What the server says about an open blob; -1 for an item it left out.
struct TBlobInfo {
  std::int64_t Segments = -1;
  std::int64_t MaxSegment = -1;
  std::int64_t TotalLength = -1;
  std::int64_t Type = -1;
};

// Walks the reply item by item (item byte, 2-byte length, value) up to the
// end item; a reply cut short or not understood ends the walk, leaving the
// items not read unknown.
TBlobInfo ParseBlobInfo(const TClientEntryPoints& api, const char* reply, std::size_t size) {
  TBlobInfo info;
  std::size_t at = 0;
  while (at + 3 <= size) {
    const char item = reply[at];
    if (item == isc_info_end || item == isc_info_truncated || item == isc_info_error) break;
    const auto length =
        static_cast<std::size_t>(static_cast<unsigned short>(api.isc_vax_integer(reply + at + 1, 2)));
    at += 3;
    if (length > 4 || at + length > size) break;
    const std::int64_t value = api.isc_vax_integer(reply + at, static_cast<short>(length));
    at += length;
    switch (item) {
      case isc_info_blob_num_segments:
        info.Segments = value;
        break;
      case isc_info_blob_max_segment:
        info.MaxSegment = value;
        break;
      case isc_info_blob_total_length:
        info.TotalLength = value;
        break;
      case isc_info_blob_type:
        info.Type = value;
        break;
      default:
        break;
    }
  }
  return info;
}

}  // namespace

// ---- TFIBBlobStream -----------------------------------------------------------------

TFIBBlobStream::TFIBBlobStream() : FLink(this) {
  FLink.OnDatabaseFreeing = [this](TObject*) { DropConnection(); };
  FLink.OnTransactionFreeing = [this](TObject*) { DropConnection(); };
}

TFIBBlobStream::TFIBBlobStream(int fieldNumber, TBlobStreamListKey) : TFIBBlobStream() {
  FFieldNumber = fieldNumber;
}

// The content and the backup go with the members; no blob handle outlives
// the call that opened it.
TFIBBlobStream::~TFIBBlobStream() = default;

void TFIBBlobStream::SetBlobId(const TISCQuad& id) {
  if (id == FBlobId) return;
  FBlobId = id;
  Unload();
}

void TFIBBlobStream::SetMode(TBlobStreamMode mode) {
  if (mode == FMode) return;
  FMode = mode;
  Unload();
}

void TFIBBlobStream::SetDatabase(TFIBDatabase* database) {
  if (database == Database()) return;
  FLink.SetDatabase(database);
  Unload();
}

void TFIBBlobStream::SetTransaction(TFIBTransaction* transaction) {
  if (transaction == Transaction()) return;
  FLink.SetTransaction(transaction);
  Unload();
}

// Either component going takes both: the blob lived in the pair.
void TFIBBlobStream::DropConnection() {
  FLink.SetTransaction(nullptr);
  FLink.SetDatabase(nullptr);
  Unload();
}

void TFIBBlobStream::CheckReadable() const {
  if (FMode == bmWrite) RaiseClientError(ceBlobCannotBeRead);
}

void TFIBBlobStream::CheckWritable() const {
  if (FMode == bmRead) RaiseClientError(ceBlobCannotBeWritten);
}

void TFIBBlobStream::EnsureLoaded() {
  if (FLoaded) return;
  // A write-mode stream replaces its blob, so it never reads it; a zero
  // identifier is no blob at all (a null column) and reads as empty in any
  // mode, without asking the server.
  if (FMode == bmWrite || FBlobId.IsZero())
    StartEmpty();
  else
    FData = ReadBlob();
  // A fresh content has no changes and nothing kept aside: what a change of
  // the previous blob left must not leak into this one.
  FBackup.clear();
  FBackupOnWrite = true;
  FModified = false;
  FLoaded = true;
}

void TFIBBlobStream::StartEmpty() {
  FBlobId = TISCQuad{};
  FData.clear();
}

void TFIBBlobStream::BeginChange(bool empty) {
  if (FBackupOnWrite) {
    if (empty) {
      FBackup = std::move(FData);
      FData.clear();
    } else {
      FBackup = FData;
    }
    FBackupOnWrite = false;
  }
  FModified = true;
}

std::int64_t TFIBBlobStream::Read(void* buffer, std::int64_t count) {
  CheckReadable();
  EnsureLoaded();
  const auto size = static_cast<std::int64_t>(FData.size());
  // The position may lie past the end: there is nothing to read there.
  if (count <= 0 || FPosition >= size) return 0;
  const std::int64_t n = std::min(count, size - FPosition);
  std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
  FPosition += n;
  return n;
}

std::int64_t TFIBBlobStream::Write(const void* buffer, std::int64_t count) {
  CheckWritable();
  EnsureLoaded();
  // The first write starts from an empty content, even when it writes nothing.
  if (FBackupOnWrite) BeginChange(true);
  if (count <= 0) return 0;
  if (count > std::numeric_limits<std::int64_t>::max() - FPosition ||
      static_cast<std::uint64_t>(FPosition + count) > FData.max_size())
    throw EWriteError("Stream write error");
  const std::int64_t end = FPosition + count;
  // Growth is zero-filled, so a write past the end leaves zeros in the gap,
  // never stale memory.
  if (end > static_cast<std::int64_t>(FData.size())) FData.resize(static_cast<std::size_t>(end), '\0');
  std::memcpy(FData.data() + FPosition, buffer, static_cast<std::size_t>(count));
  FPosition = end;
  FModified = true;
  return count;
}

std::int64_t TFIBBlobStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  EnsureLoaded();
  const std::int64_t base = origin == soBeginning ? 0
                            : origin == soCurrent ? FPosition
                                                  : static_cast<std::int64_t>(FData.size());
  if ((offset < 0 && base + offset < 0) ||
      (offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset))
    throw EStreamError("Invalid stream position");
  FPosition = base + offset;
  return FPosition;
}

std::int64_t TFIBBlobStream::Size() {
  EnsureLoaded();
  return static_cast<std::int64_t>(FData.size());
}

void TFIBBlobStream::SetSize(std::int64_t size) {
  CheckWritable();
  EnsureLoaded();
  if (size < 0 || static_cast<std::uint64_t>(size) > FData.max_size())
    throw EStreamError("Invalid stream size");
  if (size == static_cast<std::int64_t>(FData.size())) return;
  BeginChange(false);
  FData.resize(static_cast<std::size_t>(size), '\0');
}

void TFIBBlobStream::LoadFromStream(TStream& source) {
  CheckWritable();
  EnsureLoaded();
  source.SetPosition(0);
  // Read first: a source that fails leaves the content as it was.
  std::string bytes = source.ReadRest();
  BeginChange(true);
  FData = std::move(bytes);
  FPosition = 0;
}

void TFIBBlobStream::SaveToStream(TStream& target) {
  CheckReadable();
  EnsureLoaded();
  target.WriteBuffer(FData.data(), static_cast<std::int64_t>(FData.size()));
}

std::string TFIBBlobStream::AsString() {
  CheckReadable();
  EnsureLoaded();
  return FData;
}

void TFIBBlobStream::Truncate() {
  CheckWritable();
  EnsureLoaded();
  BeginChange(true);
  FData.clear();
}

void TFIBBlobStream::Finalize(bool force) {
  if (FLoaded && FMode != bmRead && (FModified || force)) {
    // The identifier changes only once the new blob is complete: a failure
    // on the way leaves the stream on its old blob, with its changes.
    FBlobId = WriteBlob(FData);
  }
  FBackup.clear();
  FBackupOnWrite = true;
  FModified = false;
}

void TFIBBlobStream::Cancel() {
  if (!FLoaded || FMode == bmRead) return;
  // Without a change since loading there is nothing kept aside, and the
  // content is still the loaded one.
  if (!FBackupOnWrite) FData = std::move(FBackup);
  FBackup.clear();
  FBackupOnWrite = true;
  FModified = false;
}

// ---- Talking to the server ------------------------------------------------------------

TClientHandle* TFIBBlobStream::DatabaseHandle() {
  TFIBDatabase* database = Database();
  if (database == nullptr || !database->Connected()) RaiseClientError(ceDatabaseNotAssigned, StreamName);
  return database->HandleAddress();
}

TClientHandle* TFIBBlobStream::TransactionHandle() {
  TFIBTransaction* transaction = Transaction();
  if (transaction == nullptr || !transaction->Active()) RaiseClientError(ceTransactionNotAssigned, StreamName);
  return transaction->HandleAddress();
}

void TFIBBlobStream::Check(TStatusWord result) { Transaction()->ClientCall(result, true); }

std::string TFIBBlobStream::ReadBlob() {
  CheckReadable();
  TClientHandle* database = DatabaseHandle();
  TClientHandle* transaction = TransactionHandle();
  const TClientEntryPoints& api = ClientAPI();

  ISC_QUAD id = ToQuad(FBlobId);
  TBlobHandle blob;
  Check(api.isc_open_blob2(StatusVector(), database, transaction, blob.Address(), &id, 0, nullptr));

  const char items[] = {isc_info_blob_num_segments, isc_info_blob_max_segment, isc_info_blob_total_length,
                        isc_info_blob_type};
  char reply[BlobInfoReplySize] = {};
  Check(api.isc_blob_info(StatusVector(), blob.Address(), sizeof(items), items, sizeof(reply), reply));
  const TBlobInfo info = ParseBlobInfo(api, reply, sizeof(reply));

  // The loop ends at the total length, or earlier at the end of the
  // segments: a blob shorter than the server announced (or one whose length
  // was not announced) ends the read instead of asking for ever.
  const bool lengthKnown = info.TotalLength >= 0;
  std::string content;
  if (lengthKnown) content.resize(static_cast<std::size_t>(info.TotalLength));
  std::size_t got = 0;
  for (;;) {
    if (!lengthKnown && content.size() - got < SegmentSize) content.resize(got + SegmentSize);
    const std::size_t want = std::min(SegmentSize, content.size() - got);
    if (want == 0) break;
    unsigned short length = 0;
    const TStatusWord result = Transaction()->ClientCall(
        api.isc_get_segment(StatusVector(), blob.Address(), &length, static_cast<unsigned short>(want),
                            content.data() + got),
        false);
    if (result == isc_segstr_eof) break;
    // A segment longer than the piece comes in several calls.
    if (result != 0 && result != isc_segment) RaiseStatusError(Transaction());
    got += std::min<std::size_t>(length, want);
  }
  content.resize(got);

  if (TFIBDatabase* owner = Database()) owner->ApplyBlobFilter(content, false, FBlobSubType);
  Check(api.isc_close_blob(StatusVector(), blob.Address()));
  return content;
}

TISCQuad TFIBBlobStream::WriteBlob(const std::string& content) {
  TClientHandle* database = DatabaseHandle();
  TClientHandle* transaction = TransactionHandle();
  const TClientEntryPoints& api = ClientAPI();

  // The stream keeps the content as the caller wrote it; only the server
  // gets it converted. Converted before the blob is made, so that a failing
  // routine leaves nothing behind.
  const std::string* bytes = &content;
  std::string filtered;
  if (Database()->BlobFilters().HasFilter(FBlobSubType, true)) {
    filtered = content;
    Database()->ApplyBlobFilter(filtered, true, FBlobSubType);
    bytes = &filtered;
  }

  ISC_QUAD id{};
  TBlobHandle blob;
  Check(api.isc_create_blob2(StatusVector(), database, transaction, blob.Address(), &id, 0, nullptr));
  for (std::size_t at = 0; at < bytes->size(); at += SegmentSize) {
    const std::size_t piece = std::min(SegmentSize, bytes->size() - at);
    Check(api.isc_put_segment(StatusVector(), blob.Address(), static_cast<unsigned short>(piece),
                              bytes->data() + at));
  }
  Check(api.isc_close_blob(StatusVector(), blob.Address()));
  return TISCQuad{id.gds_quad_high, id.gds_quad_low};
}

// ---- TFIBBlobStreamList ---------------------------------------------------------------

TFIBBlobStreamList::~TFIBBlobStreamList() { Clear(); }

TFIBBlobStream& TFIBBlobStreamList::Add(int fieldNumber) {
  FStreams.push_back(std::make_unique<TFIBBlobStream>(fieldNumber, TBlobStreamListKey()));
  TFIBBlobStream& stream = *FStreams.back();
  stream.SetIndexInList(Count() - 1, TBlobStreamListKey());
  return stream;
}

void TFIBBlobStreamList::Delete(TFIBBlobStream* stream) {
  if (stream == nullptr) return;
  const int index = stream->IndexInList();
  if (index < 0 || index >= Count() || FStreams[static_cast<std::size_t>(index)].get() != stream)
    throw EListError("Blob stream is not in the list");
  std::unique_ptr<TFIBBlobStream> doomed = std::move(FStreams[static_cast<std::size_t>(index)]);
  if (index != Count() - 1) {
    FStreams[static_cast<std::size_t>(index)] = std::move(FStreams.back());
    FStreams[static_cast<std::size_t>(index)]->SetIndexInList(index, TBlobStreamListKey());
  }
  FStreams.pop_back();
  doomed->SetIndexInList(-1, TBlobStreamListKey());
}

void TFIBBlobStreamList::Clear() {
  // Taken out first: the list is empty by the time the streams go.
  std::vector<std::unique_ptr<TFIBBlobStream>> doomed = std::move(FStreams);
  FStreams.clear();
}

TFIBBlobStream* TFIBBlobStreamList::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return FStreams[static_cast<std::size_t>(index)].get();
}
