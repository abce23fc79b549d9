#pragma once
// The SQL trace channel: the shared-memory object through which processes
// that trace hand their messages to an outside monitor program of the same
// user, and both halves of the handshake over it.
//
// The channel is one POSIX shared-memory object per user,
// "/FIB.SQL.MONITOR.SharedMem.<uid>" (tests append a suffix of their own),
// created with mode 0600 and refused when it belongs to another user or
// grants anyone else access: trace text carries SQL and parameter values. It
// holds the 2048-byte block below, then a synchronisation area: the channel
// mutex (process-shared, robust) and four manual-reset events emulated by
// flags with process-shared condition variables, "write", "write finished"
// (created set), "read" and "read finished". The first process creates and
// initialises it; every other one opens it; the last one to close it removes
// the name. A process that dies holding the mutex is recovered from by the
// next one to take it.
//
// The block, offsets in bytes, integers 32-bit in the machine's byte order:
//      0  2002  the text of the current chunk
//   2002     2  reserved, never written
//   2004     8  time of the message: TDateTime (a double, days since
//               1899-12-30), unaligned, copied bytewise
//   2012     4  switch: trace transactions (> 0 = on)
//   2016     4  switch: trace connect and disconnect
//   2020     4  switch: trace fetches
//   2024     4  switch: trace executions
//   2028     4  switch: trace prepares
//   2032     4  length of the current chunk (at most 2002)
//   2036     1  kind of the message (TTraceKind); 2037-2039 reserved
//   2040     4  reader counter: monitors ready for (or still reading) the
//               current chunk
//   2044     4  number of attached monitors
// The monitors set the switches; the counters change only atomically.
//
// The handshake, per chunk, with the channel mutex held by the writer for
// the whole message:
//   writer  waits for "read" in 1000 ms steps; after each step that timed
//           out it counts one monitor out, and sets "read" itself once no
//           monitor is left or every remaining one is ready; it gives up the
//           message when no monitor is left. Then it resets "write finished",
//           "read finished" and "read", writes the chunk and sets "write";
//           waits for "read finished" in 1000 ms steps, counting a reader
//           out after each step; resets "write", sets "write finished".
//   monitor after the previous chunk's "write finished": increments the
//           reader counter and sets "read" when it reaches the number of
//           monitors; waits for "write"; copies the chunk; decrements the
//           reader counter and sets "read finished" when it reaches 0.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "framework/core/base/types.h"

enum class TTraceKind : std::uint8_t {
  Prepare = 0,
  Execute = 1,
  Fetch = 2,
  Connect = 3,
  Transaction = 4,
  Service = 5
};

inline constexpr std::size_t MonitorBlockSize = 2048;
inline constexpr std::size_t MonitorChunkSize = 2002;
// Every wait on the channel is made in steps of this length.
inline constexpr int MonitorWaitStepMs = 1000;

struct TMonitorBlock {
  char Text[MonitorChunkSize];
  unsigned char Reserved[2];
  unsigned char Time[8];
  std::int32_t TraceTransactions;
  std::int32_t TraceConnect;
  std::int32_t TraceFetch;
  std::int32_t TraceExecute;
  std::int32_t TracePrepare;
  std::int32_t ChunkLength;
  unsigned char Kind;
  unsigned char KindReserved[3];
  std::int32_t ReaderCounter;
  std::int32_t MonitorCount;
};
static_assert(sizeof(TMonitorBlock) == MonitorBlockSize);

enum class TMonitorEvent { Write, WriteFinished, Read, ReadFinished };

// Asked after every wait step that timed out; true gives the wait up.
using TStopRequested = std::function<bool()>;

// Every byte below 32 other than line feed and carriage return becomes "#$"
// and its value in two upper-case hexadecimal digits.
std::string EscapeTraceText(std::string_view text);

// The shared-memory object's name for the calling user and the suffix.
std::string SQLMonitorChannelName(std::string_view suffix = {});

struct TMonitorShared;

// One process's hold on the channel. Creating it creates or opens the
// shared object (client error 54 with the system's error code when that
// fails or the object is not the user's own); destroying it closes it and,
// for the last holder, removes the name. Any thread may use it; the writer
// thread and the monitor each hold one.
class TSQLMonitorChannel {
 public:
  explicit TSQLMonitorChannel(std::string_view suffix = {});
  ~TSQLMonitorChannel();
  TSQLMonitorChannel(const TSQLMonitorChannel&) = delete;
  TSQLMonitorChannel& operator=(const TSQLMonitorChannel&) = delete;

  const std::string& Name() const { return FName; }
  // This holder created the object (and zeroed the block).
  bool Created() const { return FCreated; }

  std::int32_t MonitorCount() const;
  std::int32_t ReaderCounter() const;
  // The kind's switch; the service kind has none and is always on.
  std::int32_t Switch(TTraceKind kind) const;
  void SetSwitch(TTraceKind kind, bool on);

  // Takes the channel mutex, waiting in 1000 ms steps until stopping() says
  // to give up (false). A dead owner's hold is taken over and the events it
  // may have left half-way are put back to rest.
  bool Lock(const TStopRequested& stopping);
  void Unlock() noexcept;

  void SetEvent(TMonitorEvent event) noexcept;
  void ResetEvent(TMonitorEvent event) noexcept;
  // True when the event is (or becomes) set within timeoutMs.
  bool WaitEvent(TMonitorEvent event, int timeoutMs) noexcept;

  // The writer's side: escapes the text and hands it over in chunks under
  // the mutex. False when the message was dropped: no monitor attached (or
  // every one counted out on the way), or stopping() gave a wait up.
  bool WriteMessage(TTraceKind kind, TDateTime time, std::string_view text, const TStopRequested& stopping);

  // Raw access for the monitor's side.
  TMonitorBlock& Block();

 private:
  void Create(int fd);
  bool Attach(int fd);
  bool Handshake(const TStopRequested& stopping);
  void Close() noexcept;

  std::string FName;
  TMonitorShared* FShared = nullptr;
  bool FCreated = false;
};

// One chunk as the monitor received it.
struct TMonitorChunk {
  TTraceKind Kind = TTraceKind::Prepare;
  TDateTime Time = 0;
  std::string Text;
};

// The monitor's side: attaches as one more monitor for its lifetime, reads
// chunks one at a time and sets the switches. Used by one thread.
class TSQLMonitorReader {
 public:
  // Client error 54 when the channel cannot be opened.
  explicit TSQLMonitorReader(std::string_view suffix = {});
  ~TSQLMonitorReader();
  TSQLMonitorReader(const TSQLMonitorReader&) = delete;
  TSQLMonitorReader& operator=(const TSQLMonitorReader&) = delete;

  void SetSwitch(TTraceKind kind, bool on) { FChannel.SetSwitch(kind, on); }
  void SetAllSwitches(bool on);

  // Waits up to timeoutMs for the next chunk; false when none came. A
  // monitor that writers have counted out (none left attached) attaches
  // again first.
  bool ReadChunk(TMonitorChunk& chunk, int timeoutMs);

  TSQLMonitorChannel& Channel() { return FChannel; }

 private:
  // Counts this monitor in, under the mutex; false when the mutex stayed
  // out of reach.
  bool Attach();

  TSQLMonitorChannel FChannel;
  // Counted in the reader counter for the next chunk.
  bool FReady = false;
  // A chunk was read; the writer's "write finished" is still to come.
  bool FAwaitingWriteFinished = false;
};
