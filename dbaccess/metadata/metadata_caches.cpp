#include "dbaccess/metadata/metadata_caches.h"

#include <memory>
#include <mutex>

#include "dbaccess/metadata/dataset_info.h"
#include "dbaccess/metadata/error_messages.h"
#include "dbaccess/metadata/repository.h"
#include "dbaccess/metadata/table_info_collect.h"
#include "framework/core/base/exceptions.h"

namespace {

struct TMetadataCaches {
  // Made in this order; freed in the order of Release.
  std::unique_ptr<TpFIBTableInfoCollect> TableInfos = std::make_unique<TpFIBTableInfoCollect>();
  std::unique_ptr<TpDataSetInfoCollect> DataSetInfos = std::make_unique<TpDataSetInfoCollect>();
  std::unique_ptr<TRepositoryExistence> Existence = std::make_unique<TRepositoryExistence>();
  std::unique_ptr<TpStoredProcCollect> StoredProcs = std::make_unique<TpStoredProcCollect>();
  std::unique_ptr<TpErrorMessagesCollect> ErrorMessages = std::make_unique<TpErrorMessagesCollect>();

  ~TMetadataCaches() {
    ErrorMessages.reset();
    Existence.reset();
    DataSetInfos.reset();
    StoredProcs.reset();
    TableInfos.reset();
  }
};

struct TMetadataState {
  std::mutex Lock;
  std::unique_ptr<TMetadataCaches> Caches;
  bool ShutDown = false;
};

TMetadataState& State() {
  static TMetadataState state;
  return state;
}

TMetadataCaches& Caches() {
  TMetadataState& state = State();
  std::lock_guard lock(state.Lock);
  if (state.ShutDown) throw EInvalidOperation("The metadata caches have been shut down");
  if (!state.Caches) state.Caches = std::make_unique<TMetadataCaches>();
  return *state.Caches;
}

}  // namespace

TpFIBTableInfoCollect& ListTableInfo() { return *Caches().TableInfos; }
TpDataSetInfoCollect& ListDataSetInfo() { return *Caches().DataSetInfos; }
TpErrorMessagesCollect& ListErrorMessages() { return *Caches().ErrorMessages; }
TpStoredProcCollect& ListStoredProcInfo() { return *Caches().StoredProcs; }
TRepositoryExistence& RepositoryExistence() { return *Caches().Existence; }

bool MetadataCachesAvailable() {
  TMetadataState& state = State();
  std::lock_guard lock(state.Lock);
  return !state.ShutDown;
}

void ShutdownMetadataCaches() noexcept {
  TMetadataState& state = State();
  std::unique_ptr<TMetadataCaches> caches;
  {
    std::lock_guard lock(state.Lock);
    state.ShutDown = true;
    caches = std::move(state.Caches);
  }
  // Freed here, outside the state's lock: freeing a table entry's
  // transaction may reach back into the layer.
}

void RestartMetadataCaches() noexcept {
  ShutdownMetadataCaches();
  TMetadataState& state = State();
  std::lock_guard lock(state.Lock);
  state.ShutDown = false;
}
