#pragma once
// The client API's entry-point table: one typed function pointer per entry
// point the database layer calls, bound by name when the client library is
// loaded (dbaccess/client_library.h). This is the one header of the layer
// that includes the client API header; only dbaccess sources include it.
//
// Every pointer of a bound table is callable: the mandatory entry points are
// the library's own, and the version-6 and version-query groups are either
// the library's own or stand-ins that raise client error 63 naming the entry
// point. A table that is not bound is never handed out.

#include <ibase.h>

// The 44 entry points every usable client library has, in binding order.
#define TULVO_CLIENT_MANDATORY_ENTRY_POINTS(X) \
  X(BLOB_get)                                  \
  X(BLOB_put)                                  \
  X(isc_sqlcode)                               \
  X(isc_sql_interprete)                        \
  X(isc_interprete)                            \
  X(isc_vax_integer)                           \
  X(isc_blob_info)                             \
  X(isc_open_blob2)                            \
  X(isc_close_blob)                            \
  X(isc_get_segment)                           \
  X(isc_put_segment)                           \
  X(isc_create_blob2)                          \
  X(isc_decode_date)                           \
  X(isc_encode_date)                           \
  X(isc_dsql_free_statement)                   \
  X(isc_dsql_execute2)                         \
  X(isc_dsql_execute)                          \
  X(isc_dsql_set_cursor_name)                  \
  X(isc_dsql_fetch)                            \
  X(isc_dsql_sql_info)                         \
  X(isc_dsql_alloc_statement2)                 \
  X(isc_dsql_prepare)                          \
  X(isc_dsql_describe_bind)                    \
  X(isc_dsql_describe)                         \
  X(isc_dsql_execute_immediate)                \
  X(isc_dsql_exec_immed2)                      \
  X(isc_drop_database)                         \
  X(isc_detach_database)                       \
  X(isc_attach_database)                       \
  X(isc_database_info)                         \
  X(isc_start_multiple)                        \
  X(isc_commit_transaction)                    \
  X(isc_commit_retaining)                      \
  X(isc_rollback_transaction)                  \
  X(isc_cancel_events)                         \
  X(isc_que_events)                            \
  X(isc_event_counts)                          \
  X(isc_event_block)                           \
  X(isc_free)                                  \
  X(isc_array_lookup_bounds)                   \
  X(isc_array_get_slice)                       \
  X(isc_array_put_slice)                       \
  X(isc_wait_for_event)                        \
  X(isc_transaction_info)

// The version-6 group; the first one is the probe that decides for all.
#define TULVO_CLIENT_VERSION6_ENTRY_POINTS(X) \
  X(isc_rollback_retaining)                   \
  X(isc_service_attach)                       \
  X(isc_service_detach)                       \
  X(isc_service_query)                        \
  X(isc_service_start)                        \
  X(isc_decode_sql_date)                      \
  X(isc_decode_sql_time)                      \
  X(isc_decode_timestamp)                     \
  X(isc_encode_sql_date)                      \
  X(isc_encode_sql_time)                      \
  X(isc_encode_timestamp)                     \
  X(isc_portable_integer)

// The version-query group; the first one is the probe.
#define TULVO_CLIENT_VERSION_QUERY_ENTRY_POINTS(X) \
  X(isc_get_client_version)                        \
  X(isc_get_client_major_version)                  \
  X(isc_get_client_minor_version)

// isc_interprete is marked deprecated by the header, yet it is the entry point
// every client generation has; naming its type is not a call.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

struct TClientEntryPoints {
#define TULVO_CLIENT_ENTRY_POINT_FIELD(name) decltype(&::name) name = nullptr;
  TULVO_CLIENT_MANDATORY_ENTRY_POINTS(TULVO_CLIENT_ENTRY_POINT_FIELD)
  TULVO_CLIENT_VERSION6_ENTRY_POINTS(TULVO_CLIENT_ENTRY_POINT_FIELD)
  TULVO_CLIENT_VERSION_QUERY_ENTRY_POINTS(TULVO_CLIENT_ENTRY_POINT_FIELD)
#undef TULVO_CLIENT_ENTRY_POINT_FIELD
};

#pragma GCC diagnostic pop

// One entry of the vector isc_start_multiple takes: a database and the
// transaction parameter block for it, in the client's native layout (the
// pointers are pointer-sized, so an entry is not the 12 bytes of a 32-bit
// client).
struct TTransactionVectorEntry {
  isc_db_handle* Database = nullptr;
  int TPBLength = 0;
  const ISC_SCHAR* TPB = nullptr;
};
static_assert(sizeof(TTransactionVectorEntry) == 3 * sizeof(void*));

// The process-wide table, bound: loads the client library first when it is
// not loaded (raising as CheckClientLibrary does when it cannot).
const TClientEntryPoints& ClientAPI();
