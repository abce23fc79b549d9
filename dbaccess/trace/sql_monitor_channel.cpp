#include "dbaccess/trace/sql_monitor_channel.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#include "dbaccess/client/errors.h"

// A manual-reset event: a flag that stays set until reset, and a condition
// variable its waiters sleep on. Every event's flag is guarded by the one
// EventLock of the channel.
struct TSharedEvent {
  pthread_cond_t Cond;
  std::int32_t Signalled;
};

struct TMonitorSync {
  // Written last by the creator; an opener waits for it before touching
  // anything else.
  std::uint32_t Magic;
  // Processes (holders) that have the object open, and whether the last
  // one has removed the name; both under Mutex.
  std::int32_t Users;
  std::int32_t Unlinked;
  pthread_mutex_t Mutex;
  pthread_mutex_t EventLock;
  TSharedEvent Events[4];
};

struct TMonitorShared {
  TMonitorBlock Block;
  TMonitorSync Sync;
};
static_assert(offsetof(TMonitorShared, Sync) == MonitorBlockSize);

namespace {

// "FIBM"; a process built with another layout must not take our object for
// its own, so the size is checked as well.
constexpr std::uint32_t MonitorMagic = 0x4D424946u;
constexpr int ChannelErrorCode = ceCannotCreateSharedResource;
// Opening and closing wait this many steps for the mutex before giving up.
constexpr int OpenCloseLockSteps = 5;
// How long an opener waits for the creator to size and initialise the object.
constexpr auto CreatorGrace = std::chrono::milliseconds(1000);

using TClock = std::chrono::steady_clock;

[[noreturn]] void RaiseChannelError(int error) { RaiseClientError(ChannelErrorCode, error); }

timespec MonotonicAfter(int ms) {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  ms = std::max(ms, 0);
  t.tv_sec += ms / 1000;
  t.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (t.tv_nsec >= 1000000000L) {
    ++t.tv_sec;
    t.tv_nsec -= 1000000000L;
  }
  return t;
}

int MillisecondsUntil(TClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 1000000000));
}

// Takes a robust mutex before the deadline; the hold of an owner that died
// is taken over (the data it guards are flags that are always valid).
int LockRobust(pthread_mutex_t* mutex, const timespec& deadline, bool* ownerDied = nullptr) {
  int rc = pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, &deadline);
  if (rc == EOWNERDEAD) {
    pthread_mutex_consistent(mutex);
    if (ownerDied) *ownerDied = true;
    rc = 0;
  }
  return rc;
}

// Holds the channel's event lock; it is held only to flip or test a flag,
// never across anything slow, so one step is plenty.
class TEventLockHold {
 public:
  explicit TEventLockHold(pthread_mutex_t* mutex)
      : FMutex(mutex), FLocked(LockRobust(mutex, MonotonicAfter(MonitorWaitStepMs)) == 0) {}
  ~TEventLockHold() {
    if (FLocked) pthread_mutex_unlock(FMutex);
  }
  TEventLockHold(const TEventLockHold&) = delete;
  TEventLockHold& operator=(const TEventLockHold&) = delete;
  bool Locked() const { return FLocked; }

 private:
  pthread_mutex_t* FMutex;
  bool FLocked;
};

// Decrements a shared counter unless it is already 0 or below; returns the
// value it leaves.
std::int32_t DecrementIfPositive(std::int32_t& field) {
  std::atomic_ref<std::int32_t> counter(field);
  std::int32_t value = counter.load();
  while (value > 0 && !counter.compare_exchange_weak(value, value - 1)) {
  }
  return value > 0 ? value - 1 : value;
}

std::int32_t* SwitchField(TMonitorBlock& block, TTraceKind kind) {
  switch (kind) {
    case TTraceKind::Prepare:
      return &block.TracePrepare;
    case TTraceKind::Execute:
      return &block.TraceExecute;
    case TTraceKind::Fetch:
      return &block.TraceFetch;
    case TTraceKind::Connect:
      return &block.TraceConnect;
    case TTraceKind::Transaction:
      return &block.TraceTransactions;
    case TTraceKind::Service:
      break;
  }
  return nullptr;
}

bool ValidSuffix(std::string_view suffix) {
  return suffix.size() <= 100 && std::all_of(suffix.begin(), suffix.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                  c == '_' || c == '-';
         });
}

// Closes a descriptor on every path; the mapping outlives it.
class TFileHandle {
 public:
  explicit TFileHandle(int fd) : FFd(fd) {}
  ~TFileHandle() { close(FFd); }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;

 private:
  int FFd;
};

// Counts the steps of a bounded wait for the mutex.
TStopRequested AfterSteps(int& steps, int limit) {
  return [&steps, limit] { return ++steps >= limit; };
}

}  // namespace

std::string EscapeTraceText(std::string_view text) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 32 && c != '\n' && c != '\r') {
      result += "#$";
      result += Hex[c >> 4];
      result += Hex[c & 15];
    } else {
      result += ch;
    }
  }
  return result;
}

std::string SQLMonitorChannelName(std::string_view suffix) {
  // The user id keeps every user's channel apart: one user's monitor never
  // sees another user's SQL.
  std::string name = "/FIB.SQL.MONITOR.SharedMem." + std::to_string(geteuid());
  name += suffix;
  return name;
}

// ---- TSQLMonitorChannel -------------------------------------------------------

TSQLMonitorChannel::TSQLMonitorChannel(std::string_view suffix) : FName(SQLMonitorChannelName(suffix)) {
  if (!ValidSuffix(suffix)) RaiseChannelError(EINVAL);
  // An object that its last holder is removing just now is tried again.
  for (int attempt = 0; attempt < 5; ++attempt) {
    int fd = shm_open(FName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) {
      TFileHandle handle(fd);
      Create(fd);
      return;
    }
    if (errno != EEXIST) RaiseChannelError(errno);
    fd = shm_open(FName.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0) {
      if (errno == ENOENT) continue;
      RaiseChannelError(errno);
    }
    TFileHandle handle(fd);
    if (Attach(fd)) return;
  }
  RaiseChannelError(EAGAIN);
}

TSQLMonitorChannel::~TSQLMonitorChannel() { Close(); }

void TSQLMonitorChannel::Create(int fd) {
  // The creation mode is narrowed by the umask only; this makes it exact.
  int error = 0;
  if (fchmod(fd, S_IRUSR | S_IWUSR) != 0 || ftruncate(fd, sizeof(TMonitorShared)) != 0) {
    error = errno;
  } else {
    void* view = mmap(nullptr, sizeof(TMonitorShared), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED)
      error = errno;
    else
      FShared = static_cast<TMonitorShared*>(view);
  }

  TMonitorSync* sync = FShared ? &FShared->Sync : nullptr;
  if (sync) {
    // The object comes zero-filled: counters, switches and the chunk length
    // start at 0, as do the events' flags.
    pthread_mutexattr_t mutexAttr;
    pthread_mutexattr_init(&mutexAttr);
    pthread_mutexattr_setpshared(&mutexAttr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&mutexAttr, PTHREAD_MUTEX_ROBUST);
    error = pthread_mutex_init(&sync->Mutex, &mutexAttr);
    if (error == 0) error = pthread_mutex_init(&sync->EventLock, &mutexAttr);
    pthread_mutexattr_destroy(&mutexAttr);

    pthread_condattr_t condAttr;
    pthread_condattr_init(&condAttr);
    pthread_condattr_setpshared(&condAttr, PTHREAD_PROCESS_SHARED);
    pthread_condattr_setclock(&condAttr, CLOCK_MONOTONIC);
    for (TSharedEvent& event : sync->Events)
      if (error == 0) error = pthread_cond_init(&event.Cond, &condAttr);
    pthread_condattr_destroy(&condAttr);
  }
  if (error != 0) {
    if (FShared) munmap(FShared, sizeof(TMonitorShared));
    FShared = nullptr;
    shm_unlink(FName.c_str());
    RaiseChannelError(error);
  }

  sync->Events[static_cast<int>(TMonitorEvent::WriteFinished)].Signalled = 1;
  sync->Users = 1;
  FCreated = true;
  std::atomic_ref<std::uint32_t>(sync->Magic).store(MonitorMagic, std::memory_order_release);
}

bool TSQLMonitorChannel::Attach(int fd) {
  // Refuse an object that is not ours alone: someone who made it first
  // would read every statement and value this user's programs trace.
  struct stat info {};
  if (fstat(fd, &info) != 0) RaiseChannelError(errno);
  if (info.st_uid != geteuid() || (info.st_mode & (S_IRWXG | S_IRWXO)) != 0) RaiseChannelError(EACCES);

  // The creator sizes the object right after creating it.
  const auto deadline = TClock::now() + CreatorGrace;
  while (info.st_size == 0 && TClock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (fstat(fd, &info) != 0) RaiseChannelError(errno);
  }
  if (info.st_size != static_cast<off_t>(sizeof(TMonitorShared))) RaiseChannelError(EINVAL);

  void* view = mmap(nullptr, sizeof(TMonitorShared), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (view == MAP_FAILED) RaiseChannelError(errno);
  FShared = static_cast<TMonitorShared*>(view);
  TMonitorSync& sync = FShared->Sync;

  auto fail = [this](int error) {
    munmap(FShared, sizeof(TMonitorShared));
    FShared = nullptr;
    RaiseChannelError(error);
  };
  std::atomic_ref<std::uint32_t> magic(sync.Magic);
  while (magic.load(std::memory_order_acquire) != MonitorMagic && TClock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (magic.load(std::memory_order_acquire) != MonitorMagic) fail(EINVAL);

  int steps = 0;
  if (!Lock(AfterSteps(steps, OpenCloseLockSteps))) fail(ETIMEDOUT);
  if (sync.Unlinked) {
    Unlock();
    munmap(FShared, sizeof(TMonitorShared));
    FShared = nullptr;
    return false;
  }
  ++sync.Users;
  // A monitor that died mid-count can leave a counter below 0.
  TMonitorBlock& block = FShared->Block;
  for (std::int32_t* field : {&block.MonitorCount, &block.ReaderCounter}) {
    std::atomic_ref<std::int32_t> counter(*field);
    if (counter.load() < 0) counter.store(0);
  }
  Unlock();
  return true;
}

void TSQLMonitorChannel::Close() noexcept {
  if (!FShared) return;
  // A holder that cannot get the mutex leaves the name in place: the object
  // stays usable, only not removed.
  int steps = 0;
  if (Lock(AfterSteps(steps, OpenCloseLockSteps))) {
    TMonitorSync& sync = FShared->Sync;
    if (--sync.Users <= 0) {
      // Marked under the mutex, so an opener that got the old object before
      // the name went sees the mark and makes a new one.
      sync.Unlinked = 1;
      shm_unlink(FName.c_str());
    }
    Unlock();
  }
  munmap(FShared, sizeof(TMonitorShared));
  FShared = nullptr;
}

TMonitorBlock& TSQLMonitorChannel::Block() { return FShared->Block; }

std::int32_t TSQLMonitorChannel::MonitorCount() const {
  return std::atomic_ref<std::int32_t>(FShared->Block.MonitorCount).load();
}

std::int32_t TSQLMonitorChannel::ReaderCounter() const {
  return std::atomic_ref<std::int32_t>(FShared->Block.ReaderCounter).load();
}

std::int32_t TSQLMonitorChannel::Switch(TTraceKind kind) const {
  std::int32_t* field = SwitchField(FShared->Block, kind);
  return field ? std::atomic_ref<std::int32_t>(*field).load() : 1;
}

void TSQLMonitorChannel::SetSwitch(TTraceKind kind, bool on) {
  if (std::int32_t* field = SwitchField(FShared->Block, kind))
    std::atomic_ref<std::int32_t>(*field).store(on ? 1 : 0);
}

bool TSQLMonitorChannel::Lock(const TStopRequested& stopping) {
  TMonitorSync& sync = FShared->Sync;
  for (;;) {
    bool ownerDied = false;
    const int rc = LockRobust(&sync.Mutex, MonotonicAfter(MonitorWaitStepMs), &ownerDied);
    if (rc == 0) {
      if (ownerDied) {
        // The owner may have died inside a handshake: "write" still set and
        // the monitors waiting for "write finished". Put both at rest.
        ResetEvent(TMonitorEvent::Write);
        SetEvent(TMonitorEvent::WriteFinished);
      }
      return true;
    }
    if (rc != ETIMEDOUT) return false;
    if (stopping && stopping()) return false;
  }
}

void TSQLMonitorChannel::Unlock() noexcept { pthread_mutex_unlock(&FShared->Sync.Mutex); }

void TSQLMonitorChannel::SetEvent(TMonitorEvent event) noexcept {
  TMonitorSync& sync = FShared->Sync;
  TEventLockHold hold(&sync.EventLock);
  if (!hold.Locked()) return;
  TSharedEvent& e = sync.Events[static_cast<int>(event)];
  e.Signalled = 1;
  pthread_cond_broadcast(&e.Cond);
}

void TSQLMonitorChannel::ResetEvent(TMonitorEvent event) noexcept {
  TMonitorSync& sync = FShared->Sync;
  TEventLockHold hold(&sync.EventLock);
  if (hold.Locked()) sync.Events[static_cast<int>(event)].Signalled = 0;
}

bool TSQLMonitorChannel::WaitEvent(TMonitorEvent event, int timeoutMs) noexcept {
  TMonitorSync& sync = FShared->Sync;
  const timespec deadline = MonotonicAfter(timeoutMs);
  if (LockRobust(&sync.EventLock, deadline) != 0) return false;
  TSharedEvent& e = sync.Events[static_cast<int>(event)];
  // The flag is tested after every wake-up: a wake-up can be spurious, and
  // one lost to a waiter that died costs no more than the time-out.
  while (!e.Signalled) {
    const int rc = pthread_cond_clockwait(&e.Cond, &sync.EventLock, CLOCK_MONOTONIC, &deadline);
    if (rc == EOWNERDEAD) {
      pthread_mutex_consistent(&sync.EventLock);
      continue;
    }
    if (rc != 0) break;
  }
  const bool signalled = e.Signalled != 0;
  pthread_mutex_unlock(&sync.EventLock);
  return signalled;
}

bool TSQLMonitorChannel::WriteMessage(TTraceKind kind, TDateTime time, std::string_view text,
                                      const TStopRequested& stopping) {
  if (!Lock(stopping)) return false;
  struct TUnlock {
    TSQLMonitorChannel* Channel;
    ~TUnlock() { Channel->Unlock(); }
  } unlock{this};

  if (MonitorCount() <= 0) return false;
  const std::string escaped = EscapeTraceText(text);
  TMonitorBlock& block = FShared->Block;
  std::size_t pos = 0;
  do {
    const std::size_t length = std::min(MonitorChunkSize, escaped.size() - pos);
    block.Kind = static_cast<unsigned char>(kind);
    std::memcpy(block.Time, &time, sizeof time);
    block.ChunkLength = static_cast<std::int32_t>(length);
    std::memcpy(block.Text, escaped.data() + pos, length);
    if (!Handshake(stopping)) return false;
    pos += length;
  } while (pos < escaped.size());
  return true;
}

bool TSQLMonitorChannel::Handshake(const TStopRequested& stopping) {
  TMonitorBlock& block = FShared->Block;
  std::atomic_ref<std::int32_t> monitors(block.MonitorCount);
  std::atomic_ref<std::int32_t> readers(block.ReaderCounter);

  // Every attached monitor ready; one that does not answer is counted out.
  while (!WaitEvent(TMonitorEvent::Read, MonitorWaitStepMs)) {
    DecrementIfPositive(block.MonitorCount);
    const std::int32_t left = monitors.load();
    if (left <= 0 || left <= readers.load()) SetEvent(TMonitorEvent::Read);
    if (stopping && stopping()) return false;
  }
  // Every monitor counted out: the rest of the message would only cost a
  // time-out per chunk.
  if (monitors.load() <= 0) return false;

  // "read" is consumed here, so the next chunk waits for the monitors to
  // be ready again; left set, a monitor that died ready would never be
  // counted out.
  ResetEvent(TMonitorEvent::WriteFinished);
  ResetEvent(TMonitorEvent::ReadFinished);
  ResetEvent(TMonitorEvent::Read);
  SetEvent(TMonitorEvent::Write);

  bool delivered = true;
  while (!WaitEvent(TMonitorEvent::ReadFinished, MonitorWaitStepMs)) {
    if (readers.load() <= 0 || DecrementIfPositive(block.ReaderCounter) == 0)
      SetEvent(TMonitorEvent::ReadFinished);
    if (stopping && stopping()) {
      delivered = false;
      break;
    }
  }
  ResetEvent(TMonitorEvent::Write);
  SetEvent(TMonitorEvent::WriteFinished);
  return delivered;
}

// ---- TSQLMonitorReader --------------------------------------------------------

TSQLMonitorReader::TSQLMonitorReader(std::string_view suffix) : FChannel(suffix) {
  if (!Attach()) RaiseChannelError(ETIMEDOUT);
}

bool TSQLMonitorReader::Attach() {
  int steps = 0;
  if (!FChannel.Lock(AfterSteps(steps, OpenCloseLockSteps))) return false;
  TMonitorBlock& block = FChannel.Block();
  std::atomic_ref<std::int32_t> monitors(block.MonitorCount);
  // The first monitor starts from a clean state, whatever monitors before it
  // left behind. Under the mutex no chunk is under way.
  if (monitors.load() <= 0) {
    monitors.store(0);
    std::atomic_ref<std::int32_t>(block.ReaderCounter).store(0);
    FChannel.ResetEvent(TMonitorEvent::Read);
    FChannel.ResetEvent(TMonitorEvent::Write);
    FChannel.ResetEvent(TMonitorEvent::ReadFinished);
    FChannel.SetEvent(TMonitorEvent::WriteFinished);
  }
  monitors.fetch_add(1);
  FReady = false;
  FAwaitingWriteFinished = false;
  FChannel.Unlock();
  return true;
}

TSQLMonitorReader::~TSQLMonitorReader() {
  // Without the mutex (a writer stuck for long) the counts are still given
  // back: the atomics keep them whole.
  int steps = 0;
  const bool locked = FChannel.Lock(AfterSteps(steps, OpenCloseLockSteps));
  TMonitorBlock& block = FChannel.Block();
  DecrementIfPositive(block.MonitorCount);
  if (FReady) DecrementIfPositive(block.ReaderCounter);
  const std::int32_t left = FChannel.MonitorCount();
  if (left > 0 && left <= FChannel.ReaderCounter()) FChannel.SetEvent(TMonitorEvent::Read);
  if (locked) FChannel.Unlock();
}

void TSQLMonitorReader::SetAllSwitches(bool on) {
  for (TTraceKind kind : {TTraceKind::Prepare, TTraceKind::Execute, TTraceKind::Fetch, TTraceKind::Connect,
                          TTraceKind::Transaction})
    FChannel.SetSwitch(kind, on);
}

bool TSQLMonitorReader::ReadChunk(TMonitorChunk& chunk, int timeoutMs) {
  const auto deadline = TClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  // A writer counted this monitor out while it was slow (stopped in a
  // debugger, a loaded machine); with nobody counted the programs that
  // trace would send nothing more, so it attaches again.
  if (FChannel.MonitorCount() <= 0 && !Attach()) return false;
  if (FAwaitingWriteFinished) {
    if (!FChannel.WaitEvent(TMonitorEvent::WriteFinished, MillisecondsUntil(deadline))) return false;
    FAwaitingWriteFinished = false;
  }
  TMonitorBlock& block = FChannel.Block();
  if (!FReady) {
    FReady = true;
    const std::int32_t ready = std::atomic_ref<std::int32_t>(block.ReaderCounter).fetch_add(1) + 1;
    if (ready >= FChannel.MonitorCount()) FChannel.SetEvent(TMonitorEvent::Read);
  }
  if (!FChannel.WaitEvent(TMonitorEvent::Write, MillisecondsUntil(deadline))) return false;

  chunk.Kind = static_cast<TTraceKind>(block.Kind);
  std::memcpy(&chunk.Time, block.Time, sizeof chunk.Time);
  const auto length = static_cast<std::size_t>(
      std::clamp<std::int32_t>(block.ChunkLength, 0, static_cast<std::int32_t>(MonitorChunkSize)));
  chunk.Text.assign(block.Text, length);

  FReady = false;
  if (DecrementIfPositive(block.ReaderCounter) <= 0) FChannel.SetEvent(TMonitorEvent::ReadFinished);
  FAwaitingWriteFinished = true;
  return true;
}
