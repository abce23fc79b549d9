#pragma once
// The binding to the client library, which the database layer loads at run
// time by file name and never links: a program built on the layer starts
// without it and fails only when the first connection needs it.
//
// `TClientLibrary` is one process-wide object (`ClientLibrary()`), created on
// first use. Only the explicit `Unload` (`ShutdownClientLibrary` at the end
// of the program) releases the library; the object's destruction at process
// end leaves it mapped, because the client may still run threads of its own.
// Its entry-point table is reached through `ClientAPI()` (client_api.h).

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

struct TClientEntryPoints;

// The reason the layer gives the client's shutdown call when it unloads the
// library: the application is stopping.
inline constexpr int ClientShutdownReasonAppStopped = -3;

// The file name the layer loads, found by the system's usual library search.
inline constexpr const char* DefaultClientLibraryName = "libfbclient.so.2";

class TClientLibrary;

// The process-wide binding.
TClientLibrary& ClientLibrary();

class TClientLibrary {
 public:
  ~TClientLibrary();
  TClientLibrary(const TClientLibrary&) = delete;
  TClientLibrary& operator=(const TClientLibrary&) = delete;

  // The name loaded at the next load; a path loads that file. Changing it
  // while loaded raises EInvalidOperation: unload first.
  std::string FileName() const;
  void SetFileName(std::string fileName);

  // Loads and binds when not loaded. Raises client error 62 when the library
  // cannot be loaded, and EOSError with the system loader's text (which names
  // the entry point) when a mandatory one is missing; after either failure
  // nothing stays loaded and the next call tries again.
  void Check();
  bool Loaded() const { return FTable.load(std::memory_order_acquire) != nullptr; }

  // Forgets the table and releases the library. Every connection must be
  // closed before.
  void Unload() noexcept;

  // The bound table; loads first when needed (see Check).
  const TClientEntryPoints& EntryPoints();

  // The program ends itself on SIGTERM, SIGINT and SIGHUP (saving what it
  // keeps, then closing its connections through the layer's shutdown): the
  // client, which handles the first two itself by shutting every connection
  // down under the program, is told to refuse a shutdown a signal starts.
  // Takes effect now when loaded, else at every load. For the rest of the
  // process; a program that lets the signals end it does not call it.
  void LeaveTerminationSignalsToProgram();
  bool TerminationSignalsLeftToProgram() const { return FSignalsToProgram; }

  // What the library reported when bound; 0 for a client that cannot tell.
  int ClientMajorVersion() const { return FMajorVersion; }
  int ClientMinorVersion() const { return FMinorVersion; }

 private:
  friend TClientLibrary& ClientLibrary();
  TClientLibrary();

  void Load();
  void BindMandatory();
  void BindVersion6();
  void BindVersionQuery();
  void* Lookup(const char* name) const;
  void* LookupMandatory(const char* name) const;
  void UnloadLocked() noexcept;
  void RefuseSignalShutdown();

  mutable std::mutex FLock;
  std::string FFileName = DefaultClientLibraryName;
  void* FHandle = nullptr;
  std::unique_ptr<TClientEntryPoints> FEntryPoints;
  // Points at *FEntryPoints while the table is bound, else null.
  std::atomic<const TClientEntryPoints*> FTable = nullptr;
  int FMajorVersion = 0;
  int FMinorVersion = 0;
  std::atomic<bool> FSignalsToProgram = false;
};

// Called by every connection before it touches the client API.
void CheckClientLibrary();

// The explicit end of the binding, after the last connection has closed.
void ShutdownClientLibrary() noexcept;

// The bytes an SQL descriptor with `count` variables occupies, in the client
// API's native layout (a header and one variable record per variable).
std::size_t DescriptorLength(int count);

// The client library's start-up code may leave the floating-point unit in a
// state of its own: binding sets the x87 precision to extended, and every
// client call is followed by this return to the control word the process
// started with. Does nothing where there is no x87 unit.
void RestoreDefaultFPUControlWord() noexcept;
