#pragma once
// The queue of trace messages between the threads that trace and the writer
// thread that hands them to the channel: first in first out, and bounded in
// bytes. A monitor reads far more slowly than a dataset fetches, so without
// a bound a process that traces its fetches would keep every message it
// cannot hand over yet. Past the bound further messages are dropped and
// counted; once the queue has drained to half the bound it takes messages
// again, and the first one it takes is preceded by a notice saying how many
// were dropped.
//
// The queue itself is not guarded: its writer thread holds it under its own
// lock. The totals outlive the queue (a hook makes a new writer, and a new
// queue, each time a monitor comes back) and are read without a lock.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "dbaccess/trace/sql_monitor_channel.h"
#include "framework/core/base/types.h"

// One queued message; the time is taken when it is queued.
struct TFIBTraceObject {
  TTraceKind Kind = TTraceKind::Prepare;
  std::string Text;
  TDateTime Time = 0;
};

// Figures of every queue a hook has had.
struct TTraceQueueTotals {
  // The most bytes queued at once.
  std::atomic<std::size_t> PeakBytes = 0;
  // Messages dropped because the queue was full.
  std::atomic<std::uint64_t> Dropped = 0;
};

class TTraceQueue {
 public:
  // applicationName heads the dropped-messages notice as it heads every
  // message (MonitorMessageText); totals, when given, must outlive the queue.
  TTraceQueue(std::size_t limitBytes, std::string applicationName, TTraceQueueTotals* totals = nullptr);

  // Appends the message; false when it was dropped instead.
  bool Push(TFIBTraceObject&& message);
  // A message of the kind would be dropped now: counts it as dropped and
  // says so, so that its text need not be built at all.
  bool RefuseIfFull(TTraceKind kind);
  // Takes the first message; false when the queue is empty.
  bool Pop(TFIBTraceObject& message);
  // Discards everything queued (nobody is left to read it), including the
  // count of dropped messages still to be told.
  void Clear();

  bool Empty() const { return FItems.empty(); }
  std::size_t Count() const { return FItems.size(); }
  // Bytes the queued messages hold, as the queue counts them.
  std::size_t Bytes() const { return FBytes; }
  // Dropped since the last notice.
  std::uint64_t PendingDropped() const { return FPendingDropped; }

  // The bytes a message is counted with: its text's storage and its place
  // in the queue.
  static std::size_t MessageBytes(const TFIBTraceObject& message);

 private:
  // The queue is still dropping messages; it stops once it has drained to
  // half the bound.
  bool StillDropping();
  // incoming more bytes would pass the bound: the queue starts dropping.
  bool Overflows(std::size_t incoming);
  void CountDropped(TTraceKind kind);
  void Append(TFIBTraceObject&& message);

  std::size_t FLimit;
  std::string FApplicationName;
  TTraceQueueTotals* FTotals;
  std::deque<TFIBTraceObject> FItems;
  std::size_t FBytes = 0;
  bool FDropping = false;
  std::uint64_t FPendingDropped = 0;
  TTraceKind FDroppedKind = TTraceKind::Prepare;
};
