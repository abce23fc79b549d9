// A stand-in client library for the tests that need a client the embedded
// engine cannot play: one without the version-6 entry points, one without a
// mandatory entry point, or one whose calls fail on demand.
//
// Every entry point counts its calls. Calls that take a status vector succeed
// unless a failure was armed for that entry point (fake_client_fail), in which
// case they leave an error cluster in the vector and return the error code.
// Handles are small increasing numbers; info calls answer the dialect item.
// Every blob opened serves one scripted content (fake_client_set_blob), in
// pieces of the length asked for, with the total length announced as told;
// the content of the last blob created is kept for the tests to look at.
// Build variants leave entry points out:
//   FAKE_CLIENT_WITHOUT_VERSION6           no isc_rollback_retaining and no
//                                          isc_get_client_version (probes only)
//   FAKE_CLIENT_WITHOUT_TRANSACTION_INFO   no isc_transaction_info (mandatory)

#include <ibase.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::mutex Lock;
std::map<std::string, int> Calls;
std::map<std::string, ISC_STATUS> Failures;
unsigned NextHandle = 1;

// The scripted blob: its content, the total length isc_blob_info announces
// (-1: none), how far the open blob has been read, and the lengths asked for.
std::string BlobContent;
long BlobAnnounced = -1;
std::size_t BlobRead = 0;
std::vector<int> SegmentRequests;
// The content of the last blob created.
std::string BlobWritten;

void Count(const char* entryPoint) {
  std::lock_guard lock(Lock);
  ++Calls[entryPoint];
}

// Counts the call and fills the status vector: success, or the armed failure.
ISC_STATUS Enter(const char* entryPoint, ISC_STATUS* status) {
  std::lock_guard lock(Lock);
  ++Calls[entryPoint];
  const auto armed = Failures.find(entryPoint);
  const ISC_STATUS code = armed == Failures.end() ? 0 : armed->second;
  if (status != nullptr) {
    status[0] = isc_arg_gds;
    status[1] = code;
    status[2] = isc_arg_end;
  }
  return code;
}

unsigned NewHandle() {
  std::lock_guard lock(Lock);
  return NextHandle++;
}

void WriteInt16(ISC_SCHAR* at, int value) {
  at[0] = static_cast<ISC_SCHAR>(value & 0xFF);
  at[1] = static_cast<ISC_SCHAR>((value >> 8) & 0xFF);
}

// Answers the dialect item with 3 and ends every reply with isc_info_end.
void AnswerInfo(short itemLength, const ISC_SCHAR* items, short bufferLength, ISC_SCHAR* buffer) {
  ISC_SCHAR* out = buffer;
  ISC_SCHAR* const end = buffer + bufferLength;
  for (short i = 0; i < itemLength; ++i) {
    if (items[i] == isc_info_db_sql_dialect && end - out >= 5) {
      *out++ = isc_info_db_sql_dialect;
      WriteInt16(out, 1);
      out += 2;
      *out++ = 3;
    }
  }
  if (out < end) *out = isc_info_end;
}

}  // namespace

extern "C" {

// ---- Control, for the tests ---------------------------------------------------

// Every later call of the entry point fails with the code; 0 disarms.
void fake_client_fail(const char* entryPoint, ISC_STATUS code) {
  std::lock_guard lock(Lock);
  if (code == 0)
    Failures.erase(entryPoint);
  else
    Failures[entryPoint] = code;
}

// Every blob opened from now on serves these bytes; the information call
// announces the given total length, or none when it is negative.
void fake_client_set_blob(const char* bytes, int length, int announcedLength) {
  std::lock_guard lock(Lock);
  BlobContent.assign(bytes, static_cast<std::size_t>(length));
  BlobAnnounced = announcedLength;
}

// The buffer length of the n-th isc_get_segment call, -1 past the last one.
int fake_client_segment_request(int n) {
  std::lock_guard lock(Lock);
  return n >= 0 && static_cast<std::size_t>(n) < SegmentRequests.size()
             ? SegmentRequests[static_cast<std::size_t>(n)]
             : -1;
}

// Copies the last created blob's content into the buffer (at most size
// bytes); returns its whole length.
int fake_client_written_blob(char* buffer, int size) {
  std::lock_guard lock(Lock);
  const std::size_t n = std::min(BlobWritten.size(), static_cast<std::size_t>(std::max(size, 0)));
  if (n > 0) std::memcpy(buffer, BlobWritten.data(), n);
  return static_cast<int>(BlobWritten.size());
}

int fake_client_calls(const char* entryPoint) {
  std::lock_guard lock(Lock);
  const auto found = Calls.find(entryPoint);
  return found == Calls.end() ? 0 : found->second;
}

// ---- Status vector interpretation -------------------------------------------

ISC_LONG isc_sqlcode(const ISC_STATUS* status) {
  Count("isc_sqlcode");
  return status[0] == isc_arg_gds && status[1] != 0 ? -902 : 0;
}

void isc_sql_interprete(short sqlCode, ISC_SCHAR* buffer, short length) {
  Count("isc_sql_interprete");
  std::snprintf(buffer, static_cast<std::size_t>(length), "Fake SQL code %d", sqlCode);
}

ISC_LONG isc_interprete(ISC_SCHAR* buffer, ISC_STATUS** cursor) {
  Count("isc_interprete");
  ISC_STATUS* at = *cursor;
  if (at[0] != isc_arg_gds || at[1] == 0) return 0;
  const int length = std::sprintf(buffer, "Fake failure %ld", static_cast<long>(at[1]));
  *cursor = at + 2;
  return length;
}

ISC_LONG isc_vax_integer(const ISC_SCHAR* bytes, short length) {
  Count("isc_vax_integer");
  ISC_ULONG value = 0;
  for (short i = 0; i < length && i < 4; ++i)
    value |= static_cast<ISC_ULONG>(static_cast<ISC_UCHAR>(bytes[i])) << (8 * i);
  return static_cast<ISC_LONG>(value);
}

// ---- Databases and transactions -----------------------------------------------

ISC_STATUS isc_attach_database(ISC_STATUS* status, short, const ISC_SCHAR*, isc_db_handle* db, short,
                               const ISC_SCHAR*) {
  const ISC_STATUS result = Enter("isc_attach_database", status);
  if (result == 0) *db = NewHandle();
  return result;
}

ISC_STATUS isc_detach_database(ISC_STATUS* status, isc_db_handle* db) {
  const ISC_STATUS result = Enter("isc_detach_database", status);
  if (result == 0) *db = 0;
  return result;
}

ISC_STATUS isc_drop_database(ISC_STATUS* status, isc_db_handle* db) {
  const ISC_STATUS result = Enter("isc_drop_database", status);
  if (result == 0) *db = 0;
  return result;
}

ISC_STATUS isc_database_info(ISC_STATUS* status, isc_db_handle*, short itemLength, const ISC_SCHAR* items,
                             short bufferLength, ISC_SCHAR* buffer) {
  const ISC_STATUS result = Enter("isc_database_info", status);
  if (result == 0) AnswerInfo(itemLength, items, bufferLength, buffer);
  return result;
}

ISC_STATUS isc_start_multiple(ISC_STATUS* status, isc_tr_handle* tr, short, void*) {
  const ISC_STATUS result = Enter("isc_start_multiple", status);
  if (result == 0) *tr = NewHandle();
  return result;
}

ISC_STATUS isc_commit_transaction(ISC_STATUS* status, isc_tr_handle* tr) {
  const ISC_STATUS result = Enter("isc_commit_transaction", status);
  if (result == 0) *tr = 0;
  return result;
}

ISC_STATUS isc_commit_retaining(ISC_STATUS* status, isc_tr_handle*) {
  return Enter("isc_commit_retaining", status);
}

ISC_STATUS isc_rollback_transaction(ISC_STATUS* status, isc_tr_handle* tr) {
  const ISC_STATUS result = Enter("isc_rollback_transaction", status);
  if (result == 0) *tr = 0;
  return result;
}

#ifndef FAKE_CLIENT_WITHOUT_VERSION6
ISC_STATUS isc_rollback_retaining(ISC_STATUS* status, isc_tr_handle*) {
  return Enter("isc_rollback_retaining", status);
}
#endif

#ifndef FAKE_CLIENT_WITHOUT_TRANSACTION_INFO
ISC_STATUS isc_transaction_info(ISC_STATUS* status, isc_tr_handle*, short itemLength, const ISC_SCHAR* items,
                                short bufferLength, ISC_SCHAR* buffer) {
  const ISC_STATUS result = Enter("isc_transaction_info", status);
  if (result == 0) AnswerInfo(itemLength, items, bufferLength, buffer);
  return result;
}
#endif

// ---- Statements -----------------------------------------------------------------

ISC_STATUS isc_dsql_alloc_statement2(ISC_STATUS* status, isc_db_handle*, isc_stmt_handle* statement) {
  const ISC_STATUS result = Enter("isc_dsql_alloc_statement2", status);
  if (result == 0) *statement = NewHandle();
  return result;
}

ISC_STATUS isc_dsql_free_statement(ISC_STATUS* status, isc_stmt_handle* statement, unsigned short option) {
  const ISC_STATUS result = Enter("isc_dsql_free_statement", status);
  if (result == 0 && option == DSQL_drop) *statement = 0;
  return result;
}

ISC_STATUS isc_dsql_prepare(ISC_STATUS* status, isc_tr_handle*, isc_stmt_handle*, unsigned short,
                            const ISC_SCHAR*, unsigned short, XSQLDA*) {
  return Enter("isc_dsql_prepare", status);
}

ISC_STATUS isc_dsql_describe(ISC_STATUS* status, isc_stmt_handle*, unsigned short, XSQLDA*) {
  return Enter("isc_dsql_describe", status);
}

ISC_STATUS isc_dsql_describe_bind(ISC_STATUS* status, isc_stmt_handle*, unsigned short, XSQLDA*) {
  return Enter("isc_dsql_describe_bind", status);
}

ISC_STATUS isc_dsql_execute(ISC_STATUS* status, isc_tr_handle*, isc_stmt_handle*, unsigned short,
                            const XSQLDA*) {
  return Enter("isc_dsql_execute", status);
}

ISC_STATUS isc_dsql_execute2(ISC_STATUS* status, isc_tr_handle*, isc_stmt_handle*, unsigned short,
                             const XSQLDA*, const XSQLDA*) {
  return Enter("isc_dsql_execute2", status);
}

ISC_STATUS isc_dsql_execute_immediate(ISC_STATUS* status, isc_db_handle*, isc_tr_handle*, unsigned short,
                                      const ISC_SCHAR*, unsigned short, const XSQLDA*) {
  return Enter("isc_dsql_execute_immediate", status);
}

ISC_STATUS isc_dsql_exec_immed2(ISC_STATUS* status, isc_db_handle*, isc_tr_handle*, unsigned short,
                                const ISC_SCHAR*, unsigned short, const XSQLDA*, const XSQLDA*) {
  return Enter("isc_dsql_exec_immed2", status);
}

// No rows: every cursor is at its end at once.
ISC_STATUS isc_dsql_fetch(ISC_STATUS* status, isc_stmt_handle*, unsigned short, const XSQLDA*) {
  const ISC_STATUS result = Enter("isc_dsql_fetch", status);
  return result == 0 ? 100 : result;
}

ISC_STATUS isc_dsql_set_cursor_name(ISC_STATUS* status, isc_stmt_handle*, const ISC_SCHAR*, unsigned short) {
  return Enter("isc_dsql_set_cursor_name", status);
}

ISC_STATUS isc_dsql_sql_info(ISC_STATUS* status, isc_stmt_handle*, short itemLength, const ISC_SCHAR* items,
                             short bufferLength, ISC_SCHAR* buffer) {
  const ISC_STATUS result = Enter("isc_dsql_sql_info", status);
  if (result == 0) AnswerInfo(itemLength, items, bufferLength, buffer);
  return result;
}

// ---- Blobs and arrays ---------------------------------------------------------------

int BLOB_get(FB_BLOB_STREAM) {
  Count("BLOB_get");
  return -1;
}

int BLOB_put(ISC_SCHAR, FB_BLOB_STREAM) {
  Count("BLOB_put");
  return 0;
}

ISC_STATUS isc_blob_info(ISC_STATUS* status, isc_blob_handle*, short itemLength, const ISC_SCHAR* items,
                         short bufferLength, ISC_SCHAR* buffer) {
  const ISC_STATUS result = Enter("isc_blob_info", status);
  if (result != 0) return result;
  std::lock_guard lock(Lock);
  ISC_SCHAR* out = buffer;
  ISC_SCHAR* const end = buffer + bufferLength;
  const auto answer = [&](ISC_SCHAR item, long value) {
    if (end - out < 7) return;
    *out++ = item;
    WriteInt16(out, 4);
    out += 2;
    WriteInt16(out, static_cast<int>(value & 0xFFFF));
    WriteInt16(out + 2, static_cast<int>((value >> 16) & 0xFFFF));
    out += 4;
  };
  for (short i = 0; i < itemLength; ++i) {
    if (items[i] == isc_info_blob_total_length && BlobAnnounced >= 0) answer(items[i], BlobAnnounced);
    if (items[i] == isc_info_blob_num_segments) answer(items[i], BlobContent.empty() ? 0 : 1);
    if (items[i] == isc_info_blob_max_segment) answer(items[i], static_cast<long>(BlobContent.size()));
    if (items[i] == isc_info_blob_type) answer(items[i], 0);
  }
  if (out < end) *out = isc_info_end;
  return 0;
}

ISC_STATUS isc_open_blob2(ISC_STATUS* status, isc_db_handle*, isc_tr_handle*, isc_blob_handle* blob,
                          ISC_QUAD*, ISC_USHORT, const ISC_UCHAR*) {
  const ISC_STATUS result = Enter("isc_open_blob2", status);
  if (result == 0) {
    *blob = NewHandle();
    std::lock_guard lock(Lock);
    BlobRead = 0;
  }
  return result;
}

ISC_STATUS isc_create_blob2(ISC_STATUS* status, isc_db_handle*, isc_tr_handle*, isc_blob_handle* blob,
                            ISC_QUAD* id, short, const ISC_SCHAR*) {
  const ISC_STATUS result = Enter("isc_create_blob2", status);
  if (result == 0) {
    *blob = NewHandle();
    id->gds_quad_high = 1;
    id->gds_quad_low = *blob;
    std::lock_guard lock(Lock);
    BlobWritten.clear();
  }
  return result;
}

ISC_STATUS isc_close_blob(ISC_STATUS* status, isc_blob_handle* blob) {
  const ISC_STATUS result = Enter("isc_close_blob", status);
  if (result == 0) *blob = 0;
  return result;
}

// The content in pieces of the buffer's length; the end of the segments
// once it is all read.
ISC_STATUS isc_get_segment(ISC_STATUS* status, isc_blob_handle*, unsigned short* length,
                           unsigned short bufferLength, ISC_SCHAR* buffer) {
  const ISC_STATUS result = Enter("isc_get_segment", status);
  std::lock_guard lock(Lock);
  SegmentRequests.push_back(bufferLength);
  *length = 0;
  if (result != 0) return result;
  const std::size_t piece = std::min<std::size_t>(bufferLength, BlobContent.size() - BlobRead);
  if (piece == 0) {
    status[1] = isc_segstr_eof;
    return isc_segstr_eof;
  }
  std::memcpy(buffer, BlobContent.data() + BlobRead, piece);
  BlobRead += piece;
  *length = static_cast<unsigned short>(piece);
  return 0;
}

ISC_STATUS isc_put_segment(ISC_STATUS* status, isc_blob_handle*, unsigned short length,
                           const ISC_SCHAR* buffer) {
  const ISC_STATUS result = Enter("isc_put_segment", status);
  if (result == 0) {
    std::lock_guard lock(Lock);
    BlobWritten.append(buffer, length);
  }
  return result;
}

ISC_STATUS isc_array_lookup_bounds(ISC_STATUS* status, isc_db_handle*, isc_tr_handle*, const ISC_SCHAR*,
                                   const ISC_SCHAR*, ISC_ARRAY_DESC*) {
  return Enter("isc_array_lookup_bounds", status);
}

ISC_STATUS isc_array_get_slice(ISC_STATUS* status, isc_db_handle*, isc_tr_handle*, ISC_QUAD*,
                               const ISC_ARRAY_DESC*, void*, ISC_LONG*) {
  return Enter("isc_array_get_slice", status);
}

ISC_STATUS isc_array_put_slice(ISC_STATUS* status, isc_db_handle*, isc_tr_handle*, ISC_QUAD*,
                               const ISC_ARRAY_DESC*, void*, ISC_LONG*) {
  return Enter("isc_array_put_slice", status);
}

// ---- Events -----------------------------------------------------------------------------

ISC_LONG isc_event_block(ISC_UCHAR** eventBuffer, ISC_UCHAR** resultBuffer, ISC_USHORT, ...) {
  Count("isc_event_block");
  *eventBuffer = nullptr;
  *resultBuffer = nullptr;
  return 0;
}

void isc_event_counts(ISC_ULONG*, short, ISC_UCHAR*, const ISC_UCHAR*) { Count("isc_event_counts"); }

ISC_STATUS isc_que_events(ISC_STATUS* status, isc_db_handle*, ISC_LONG* id, short, const ISC_UCHAR*,
                          ISC_EVENT_CALLBACK, void*) {
  const ISC_STATUS result = Enter("isc_que_events", status);
  if (result == 0) *id = static_cast<ISC_LONG>(NewHandle());
  return result;
}

ISC_STATUS isc_cancel_events(ISC_STATUS* status, isc_db_handle*, ISC_LONG*) {
  return Enter("isc_cancel_events", status);
}

ISC_STATUS isc_wait_for_event(ISC_STATUS* status, isc_db_handle*, short, const ISC_UCHAR*, ISC_UCHAR*) {
  return Enter("isc_wait_for_event", status);
}

ISC_LONG isc_free(ISC_SCHAR*) {
  Count("isc_free");
  return 0;
}

// ---- Dates ------------------------------------------------------------------------------

void isc_decode_date(const ISC_QUAD*, void*) { Count("isc_decode_date"); }
void isc_encode_date(const void*, ISC_QUAD*) { Count("isc_encode_date"); }
void isc_decode_sql_date(const ISC_DATE*, void*) { Count("isc_decode_sql_date"); }
void isc_decode_sql_time(const ISC_TIME*, void*) { Count("isc_decode_sql_time"); }
void isc_decode_timestamp(const ISC_TIMESTAMP*, void*) { Count("isc_decode_timestamp"); }
void isc_encode_sql_date(const void*, ISC_DATE*) { Count("isc_encode_sql_date"); }
void isc_encode_sql_time(const void*, ISC_TIME*) { Count("isc_encode_sql_time"); }
void isc_encode_timestamp(const void*, ISC_TIMESTAMP*) { Count("isc_encode_timestamp"); }

ISC_INT64 isc_portable_integer(const ISC_UCHAR* bytes, short length) {
  Count("isc_portable_integer");
  ISC_UINT64 value = 0;
  for (short i = 0; i < length && i < 8; ++i) value |= static_cast<ISC_UINT64>(bytes[i]) << (8 * i);
  return static_cast<ISC_INT64>(value);
}

// ---- Services -----------------------------------------------------------------------------

ISC_STATUS isc_service_attach(ISC_STATUS* status, unsigned short, const ISC_SCHAR*, isc_svc_handle* service,
                              unsigned short, const ISC_SCHAR*) {
  const ISC_STATUS result = Enter("isc_service_attach", status);
  if (result == 0) *service = NewHandle();
  return result;
}

ISC_STATUS isc_service_detach(ISC_STATUS* status, isc_svc_handle* service) {
  const ISC_STATUS result = Enter("isc_service_detach", status);
  if (result == 0) *service = 0;
  return result;
}

ISC_STATUS isc_service_query(ISC_STATUS* status, isc_svc_handle*, isc_resv_handle*, unsigned short,
                             const ISC_SCHAR*, unsigned short, const ISC_SCHAR*, unsigned short, ISC_SCHAR*) {
  return Enter("isc_service_query", status);
}

ISC_STATUS isc_service_start(ISC_STATUS* status, isc_svc_handle*, isc_resv_handle*, unsigned short,
                             const ISC_SCHAR*) {
  return Enter("isc_service_start", status);
}

// ---- Client version -------------------------------------------------------------------------

#ifndef FAKE_CLIENT_WITHOUT_VERSION6
void isc_get_client_version(ISC_SCHAR* buffer) {
  Count("isc_get_client_version");
  std::strcpy(buffer, "Fake client 3.0");
}
#endif

int isc_get_client_major_version() {
  Count("isc_get_client_major_version");
  return 3;
}

int isc_get_client_minor_version() {
  Count("isc_get_client_minor_version");
  return 0;
}

}  // extern "C"
