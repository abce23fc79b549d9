#include "dbaccess/blob/blob_io.h"

#include <algorithm>
#include <type_traits>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/status_vector.h"

static_assert(sizeof(TISCQuad) == sizeof(ISC_QUAD));
static_assert(std::is_same_v<std::uint32_t, isc_db_handle>);

namespace {

// Segments are read and written in pieces of this size.
constexpr std::size_t SegmentSize = 16384;

ISC_QUAD ToQuad(const TISCQuad& id) {
  ISC_QUAD q{};
  q.gds_quad_high = id.High;
  q.gds_quad_low = id.Low;
  return q;
}

ISC_STATUS Checked(ISC_STATUS result) {
  RestoreDefaultFPUControlWord();
  return result;
}

void RaiseIfFailed(ISC_STATUS result, TObject* sender) {
  if (Checked(result) > 0) RaiseStatusError(sender);
}

void CheckPlace(const TBlobPlace& place) {
  if (place.Database == nullptr || *place.Database == 0) RaiseClientError(ceDatabaseNotAssigned, "BlobStream");
  if (place.Transaction == nullptr || *place.Transaction == 0) RaiseClientError(ceTransactionNotAssigned, "BlobStream");
}

// An open blob, closed when it goes out of scope unless closed before; the
// close on an error path must not hide the error on its way.
class TOpenBlob {
 public:
  TOpenBlob() = default;
  ~TOpenBlob() {
    if (FHandle != 0) {
      ISC_STATUS_ARRAY ignored{};
      ClientAPI().isc_close_blob(ignored, &FHandle);
      RestoreDefaultFPUControlWord();
    }
  }
  TOpenBlob(const TOpenBlob&) = delete;
  TOpenBlob& operator=(const TOpenBlob&) = delete;

  isc_blob_handle* Handle() { return &FHandle; }
  void Close(TObject* sender) { RaiseIfFailed(ClientAPI().isc_close_blob(StatusVector(), &FHandle), sender); }

 private:
  isc_blob_handle FHandle = 0;
};

// The blob's total length from its information items, or 0 when the reply
// does not tell.
std::size_t TotalLength(isc_blob_handle* handle, TObject* sender) {
  const ISC_SCHAR items[] = {isc_info_blob_total_length};
  ISC_SCHAR reply[64] = {};
  RaiseIfFailed(ClientAPI().isc_blob_info(StatusVector(), handle, sizeof(items), items, sizeof(reply), reply),
                sender);
  const ISC_SCHAR* p = reply;
  const ISC_SCHAR* end = reply + sizeof(reply);
  while (p + 3 <= end && *p != isc_info_end) {
    const ISC_SCHAR item = *p++;
    const short length = static_cast<short>(ClientAPI().isc_vax_integer(p, 2));
    p += 2;
    if (length < 0 || p + length > end) break;
    if (item == isc_info_blob_total_length)
      return static_cast<std::size_t>(std::max<ISC_LONG>(0, ClientAPI().isc_vax_integer(p, length)));
    p += length;
  }
  return 0;
}

}  // namespace

std::string ReadBlobContent(const TBlobPlace& place, const TISCQuad& id) {
  if (id.IsZero()) return {};
  CheckPlace(place);
  const TClientEntryPoints& api = ClientAPI();
  ISC_QUAD quad = ToQuad(id);
  TOpenBlob blob;
  RaiseIfFailed(
      api.isc_open_blob2(StatusVector(), place.Database, place.Transaction, blob.Handle(), &quad, 0, nullptr),
      place.Sender);
  std::string content;
  content.reserve(TotalLength(blob.Handle(), place.Sender));
  char buffer[SegmentSize];
  for (;;) {
    unsigned short got = 0;
    const ISC_STATUS result =
        Checked(api.isc_get_segment(StatusVector(), blob.Handle(), &got, sizeof(buffer), buffer));
    // A segment longer than the buffer comes in pieces: isc_segment is no error.
    if (result != 0 && result != isc_segment) {
      if (result == isc_segstr_eof) break;
      RaiseStatusError(place.Sender);
    }
    content.append(buffer, got);
  }
  blob.Close(place.Sender);
  return content;
}

TISCQuad WriteBlobContent(const TBlobPlace& place, std::string_view content) {
  CheckPlace(place);
  const TClientEntryPoints& api = ClientAPI();
  ISC_QUAD quad{};
  TOpenBlob blob;
  RaiseIfFailed(api.isc_create_blob2(StatusVector(), place.Database, place.Transaction, blob.Handle(), &quad,
                                     0, nullptr),
                place.Sender);
  for (std::size_t at = 0; at < content.size(); at += SegmentSize) {
    const std::size_t piece = std::min(SegmentSize, content.size() - at);
    RaiseIfFailed(api.isc_put_segment(StatusVector(), blob.Handle(), static_cast<unsigned short>(piece),
                                      content.data() + at),
                  place.Sender);
  }
  blob.Close(place.Sender);
  return TISCQuad{quad.gds_quad_high, quad.gds_quad_low};
}
