#include "dbaccess/client/client_library.h"

#include <dlfcn.h>

#include <cstddef>
#include <string>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/errors.h"
#include "framework/core/base/exceptions.h"

#if defined(__i386__) || defined(__x86_64__)
#define TULVO_HAS_X87 1
#include <fpu_control.h>
#endif

namespace {

// Entry point names as objects with linkage, so that a stand-in can carry its
// name as a template argument.
#define TULVO_CLIENT_ENTRY_POINT_NAME(name) constexpr char name##Name[] = #name;
TULVO_CLIENT_VERSION6_ENTRY_POINTS(TULVO_CLIENT_ENTRY_POINT_NAME)
#undef TULVO_CLIENT_ENTRY_POINT_NAME

// The version-query stand-ins have always named their entry point with a
// trailing blank; the texts stay as callers know them.
constexpr char GetClientVersionName[] = "isc_get_client_version ";
constexpr char GetClientMajorVersionName[] = "isc_get_client_major_version ";
constexpr char GetClientMinorVersionName[] = "isc_get_client_minor_version ";

// Stands in for an entry point that an older client lacks: whatever it is
// called with, it raises client error 63 naming the entry point.
template <class F>
struct TMissingEntryPoint;

template <class R, class... A>
struct TMissingEntryPoint<R (*)(A...)> {
  template <const char* Name>
  static R Raise(A...) {
    RaiseClientError(ceClientFunctionMissing, Name);
  }
};

template <const char* Name, class F>
void InstallStandIn(F& slot) {
  slot = &TMissingEntryPoint<F>::template Raise<Name>;
}

// Sets the precision-control bits and keeps every other bit.
void SetExtendedFPUPrecision() noexcept {
#ifdef TULVO_HAS_X87
  fpu_control_t word;
  _FPU_GETCW(word);
  word |= _FPU_EXTENDED;
  _FPU_SETCW(word);
#endif
}

}  // namespace

TClientLibrary::TClientLibrary() : FEntryPoints(std::make_unique<TClientEntryPoints>()) {}

// Deliberately leaves a loaded library mapped: only the explicit Unload
// releases it, never the process's static destruction.
TClientLibrary::~TClientLibrary() = default;

std::string TClientLibrary::FileName() const {
  std::lock_guard lock(FLock);
  return FFileName;
}

void TClientLibrary::SetFileName(std::string fileName) {
  std::lock_guard lock(FLock);
  if (FHandle != nullptr) throw EInvalidOperation("Cannot change the client library while it is loaded");
  FFileName = std::move(fileName);
}

void TClientLibrary::Check() {
  std::lock_guard lock(FLock);
  if (FHandle != nullptr) return;
  Load();
  if (FHandle == nullptr) RaiseClientError(ceClientLibraryNotFound);
}

const TClientEntryPoints& TClientLibrary::EntryPoints() {
  if (const TClientEntryPoints* table = FTable.load(std::memory_order_acquire)) return *table;
  Check();
  return *FEntryPoints;
}

void TClientLibrary::Load() {
  FHandle = dlopen(FFileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (FHandle == nullptr) return;
  // A library without one of the mandatory entry points is unusable: it must
  // not stay loaded with a table half bound, or a later check would find it
  // "loaded" and the layer would call through a null pointer.
  try {
    BindMandatory();
    BindVersion6();
    BindVersionQuery();
    if (FSignalsToProgram) RefuseSignalShutdown();
  } catch (...) {
    UnloadLocked();
    throw;
  }
  SetExtendedFPUPrecision();
  const TClientEntryPoints& api = *FEntryPoints;
  SetStatusInterpreter(TStatusInterpreter{api.isc_sqlcode, api.isc_sql_interprete, api.isc_interprete});
  FTable.store(FEntryPoints.get(), std::memory_order_release);
}

void TClientLibrary::BindMandatory() {
  TClientEntryPoints& api = *FEntryPoints;
#define TULVO_BIND_MANDATORY(name) api.name = reinterpret_cast<decltype(api.name)>(LookupMandatory(#name));
  TULVO_CLIENT_MANDATORY_ENTRY_POINTS(TULVO_BIND_MANDATORY)
}

void TClientLibrary::BindVersion6() {
  TClientEntryPoints& api = *FEntryPoints;
  if (Lookup("isc_rollback_retaining") != nullptr) {
    TULVO_CLIENT_VERSION6_ENTRY_POINTS(TULVO_BIND_MANDATORY)
    return;
  }
#define TULVO_INSTALL_STAND_IN(name) InstallStandIn<name##Name>(api.name);
  TULVO_CLIENT_VERSION6_ENTRY_POINTS(TULVO_INSTALL_STAND_IN)
#undef TULVO_INSTALL_STAND_IN
}

void TClientLibrary::BindVersionQuery() {
  TClientEntryPoints& api = *FEntryPoints;
  if (Lookup("isc_get_client_version") != nullptr) {
    TULVO_CLIENT_VERSION_QUERY_ENTRY_POINTS(TULVO_BIND_MANDATORY)
    FMajorVersion = api.isc_get_client_major_version();
    FMinorVersion = api.isc_get_client_minor_version();
    return;
  }
  InstallStandIn<GetClientVersionName>(api.isc_get_client_version);
  InstallStandIn<GetClientMajorVersionName>(api.isc_get_client_major_version);
  InstallStandIn<GetClientMinorVersionName>(api.isc_get_client_minor_version);
}
#undef TULVO_BIND_MANDATORY

void TClientLibrary::LeaveTerminationSignalsToProgram() {
  std::lock_guard lock(FLock);
  if (FSignalsToProgram.exchange(true)) return;
  if (FHandle != nullptr) RefuseSignalShutdown();
}

namespace {

// Asked by the client before it shuts down: a shutdown a signal started is
// refused (the program ends itself), any other goes on.
int ConfirmShutdown(const int reason, const int, void*) { return reason == fb_shutrsn_signal ? 1 : 0; }

}  // namespace

void TClientLibrary::RefuseSignalShutdown() {
  // Not every client has it (before version 2.5); such a client installs no
  // handlers either.
  using TShutdownCallback = ISC_STATUS (*)(ISC_STATUS*, FB_SHUTDOWN_CALLBACK, const int, void*);
  auto callback = reinterpret_cast<TShutdownCallback>(Lookup("fb_shutdown_callback"));
  if (callback == nullptr) return;
  ISC_STATUS_ARRAY status = {};
  callback(status, ConfirmShutdown, fb_shut_confirmation, nullptr);
  RestoreDefaultFPUControlWord();
  if (status[0] == 1 && status[1] != 0)
    throw EOSError("The database client refused to leave the termination signals to the program");
}

void* TClientLibrary::Lookup(const char* name) const { return dlsym(FHandle, name); }

void* TClientLibrary::LookupMandatory(const char* name) const {
  dlerror();
  if (void* entryPoint = dlsym(FHandle, name)) return entryPoint;
  // The system's error for the missing name, as the loader reports it.
  const char* reason = dlerror();
  throw EOSError(reason != nullptr ? std::string(reason)
                                   : FFileName + ": undefined symbol: " + std::string(name));
}

void TClientLibrary::Unload() noexcept {
  std::lock_guard lock(FLock);
  UnloadLocked();
}

void TClientLibrary::UnloadLocked() noexcept {
  if (FTable.exchange(nullptr, std::memory_order_acq_rel) != nullptr)
    SetStatusInterpreter(TStatusInterpreter{});
  *FEntryPoints = TClientEntryPoints{};
  FMajorVersion = 0;
  FMinorVersion = 0;
  if (FHandle != nullptr) {
    // An embedded engine runs threads of its own; they must end before the
    // code they run is unmapped (or before the process's static destruction
    // tears down what they use). The client's own shutdown stops them.
    using TShutdown = int (*)(unsigned int timeout, int reason);
    if (auto shutdown = reinterpret_cast<TShutdown>(dlsym(FHandle, "fb_shutdown")))
      shutdown(0, ClientShutdownReasonAppStopped);
    dlclose(FHandle);
    FHandle = nullptr;
  }
}

TClientLibrary& ClientLibrary() {
  static TClientLibrary library;
  return library;
}

void CheckClientLibrary() { ClientLibrary().Check(); }

void ShutdownClientLibrary() noexcept { ClientLibrary().Unload(); }

const TClientEntryPoints& ClientAPI() { return ClientLibrary().EntryPoints(); }

std::size_t DescriptorLength(int count) {
  static_assert(XSQLDA_LENGTH(1) == offsetof(XSQLDA, sqlvar) + sizeof(XSQLVAR));
  static_assert(XSQLDA_LENGTH(3) == offsetof(XSQLDA, sqlvar) + 3 * sizeof(XSQLVAR));
  if (count < 0) throw EInvalidOperation("An SQL descriptor cannot have a negative number of variables");
  return offsetof(XSQLDA, sqlvar) + static_cast<std::size_t>(count) * sizeof(XSQLVAR);
}

void RestoreDefaultFPUControlWord() noexcept {
#ifdef TULVO_HAS_X87
  // The word the C runtime set up when the process started.
  fpu_control_t word = __fpu_control;
  _FPU_SETCW(word);
#endif
}
