#include "dbaccess/client/client_handles.h"

#include <type_traits>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/status_vector.h"

static_assert(std::is_same_v<isc_db_handle, TClientHandle>);
static_assert(std::is_same_v<isc_tr_handle, TClientHandle>);
static_assert(std::is_same_v<isc_stmt_handle, TClientHandle>);
static_assert(std::is_same_v<isc_blob_handle, TClientHandle>);
static_assert(std::is_same_v<ISC_STATUS, TStatusWord>);

// Moving a statement handle would leave the client clearing a stale
// address; the others move freely.
static_assert(!std::is_move_constructible_v<TStatementHandle> &&
              !std::is_move_assignable_v<TStatementHandle>);
static_assert(std::is_nothrow_move_constructible_v<TDatabaseHandle> &&
              std::is_nothrow_move_assignable_v<TTransactionHandle> &&
              std::is_nothrow_move_constructible_v<TBlobHandle>);

namespace {

// A handle left over when the library is already gone cannot be given back;
// loading the library again only to release it would be worse.
template <class Call>
void ReleaseQuietly(TClientHandle& handle, Call call) noexcept {
  if (handle == 0) return;
  if (ClientLibrary().Loaded()) {
    try {
      call(ClientAPI(), &handle);
    } catch (...) {
      // Destruction path: nobody to report to.
    }
  }
  handle = 0;
}

}  // namespace

void TDatabaseHandleKind::GiveBack(TClientHandle& handle) noexcept {
  ReleaseQuietly(handle, [](const TClientEntryPoints& api, TClientHandle* h) {
    api.isc_detach_database(StatusVector(), h);
  });
  RestoreDefaultFPUControlWord();
}

void TTransactionHandleKind::GiveBack(TClientHandle& handle) noexcept {
  ReleaseQuietly(handle, [](const TClientEntryPoints& api, TClientHandle* h) {
    api.isc_rollback_transaction(StatusVector(), h);
  });
  RestoreDefaultFPUControlWord();
}

void TStatementHandleKind::GiveBack(TClientHandle& handle) noexcept {
  // A statement whose attachment is already gone answers with an error; the
  // handle is forgotten all the same.
  ReleaseQuietly(handle, [](const TClientEntryPoints& api, TClientHandle* h) {
    ISC_STATUS_ARRAY ignored{};
    api.isc_dsql_free_statement(ignored, h, DSQL_drop);
  });
  RestoreDefaultFPUControlWord();
}

void TBlobHandleKind::GiveBack(TClientHandle& handle) noexcept {
  // A vector of its own: the caller may still look at the error in the
  // thread's vector that made it give the blob up.
  ReleaseQuietly(handle, [](const TClientEntryPoints& api, TClientHandle* h) {
    ISC_STATUS_ARRAY ignored{};
    api.isc_close_blob(ignored, h);
  });
  RestoreDefaultFPUControlWord();
}
