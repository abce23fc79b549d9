#include "dbaccess/client_handles.h"

#include <type_traits>
#include <utility>

#include "dbaccess/client_api.h"
#include "dbaccess/client_library.h"
#include "dbaccess/status_vector.h"

static_assert(std::is_same_v<isc_db_handle, TClientHandle>);
static_assert(std::is_same_v<isc_tr_handle, TClientHandle>);
static_assert(std::is_same_v<isc_blob_handle, TClientHandle>);
static_assert(std::is_same_v<ISC_STATUS, TStatusWord>);

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

TDatabaseHandle::~TDatabaseHandle() { Release(); }

TDatabaseHandle& TDatabaseHandle::operator=(TDatabaseHandle&& other) noexcept {
  if (this != &other) {
    Release();
    FValue = std::exchange(other.FValue, 0);
  }
  return *this;
}

void TDatabaseHandle::Release() noexcept {
  ReleaseQuietly(FValue, [](const TClientEntryPoints& api, TClientHandle* handle) {
    api.isc_detach_database(StatusVector(), handle);
  });
  RestoreDefaultFPUControlWord();
}

TTransactionHandle::~TTransactionHandle() { Release(); }

TTransactionHandle& TTransactionHandle::operator=(TTransactionHandle&& other) noexcept {
  if (this != &other) {
    Release();
    FValue = std::exchange(other.FValue, 0);
  }
  return *this;
}

void TTransactionHandle::Release() noexcept {
  ReleaseQuietly(FValue, [](const TClientEntryPoints& api, TClientHandle* handle) {
    api.isc_rollback_transaction(StatusVector(), handle);
  });
  RestoreDefaultFPUControlWord();
}

TBlobHandle::~TBlobHandle() { Release(); }

TBlobHandle& TBlobHandle::operator=(TBlobHandle&& other) noexcept {
  if (this != &other) {
    Release();
    FValue = std::exchange(other.FValue, 0);
  }
  return *this;
}

void TBlobHandle::Release() noexcept {
  // A vector of its own: the caller may still look at the error in the
  // thread's vector that made it give the blob up.
  ReleaseQuietly(FValue, [](const TClientEntryPoints& api, TClientHandle* handle) {
    ISC_STATUS_ARRAY ignored{};
    api.isc_close_blob(ignored, handle);
  });
  RestoreDefaultFPUControlWord();
}
