#include "dbaccess/trace/trace_queue.h"

#include <utility>

#include "dbaccess/trace/sql_monitor.h"

TTraceQueue::TTraceQueue(std::size_t limitBytes, std::string applicationName, TTraceQueueTotals* totals)
    : FLimit(limitBytes), FApplicationName(std::move(applicationName)), FTotals(totals) {}

std::size_t TTraceQueue::MessageBytes(const TFIBTraceObject& message) {
  return sizeof(TFIBTraceObject) + message.Text.capacity();
}

bool TTraceQueue::StillDropping() {
  if (!FDropping) return false;
  // Taking messages again as soon as one fits would drop every other
  // message and tell of each gap: the queue first drains to half.
  if (FBytes > FLimit / 2) return true;
  FDropping = false;
  return false;
}

bool TTraceQueue::Overflows(std::size_t incoming) {
  // A single message larger than the bound still goes through an empty
  // queue; it would never go otherwise.
  if (FBytes + incoming <= FLimit || FItems.empty()) return false;
  FDropping = true;
  return true;
}

void TTraceQueue::CountDropped(TTraceKind kind) {
  if (FPendingDropped == 0) FDroppedKind = kind;
  ++FPendingDropped;
  if (FTotals) FTotals->Dropped.fetch_add(1, std::memory_order_relaxed);
}

bool TTraceQueue::RefuseIfFull(TTraceKind kind) {
  // The message not built yet counts with its smallest size.
  if (!StillDropping() && !Overflows(sizeof(TFIBTraceObject))) return false;
  CountDropped(kind);
  return true;
}

void TTraceQueue::Append(TFIBTraceObject&& message) {
  FBytes += MessageBytes(message);
  FItems.push_back(std::move(message));
  if (FTotals) {
    std::size_t peak = FTotals->PeakBytes.load(std::memory_order_relaxed);
    while (FBytes > peak && !FTotals->PeakBytes.compare_exchange_weak(peak, FBytes)) {
    }
  }
}

bool TTraceQueue::Push(TFIBTraceObject&& message) {
  if (StillDropping()) {
    CountDropped(message.Kind);
    return false;
  }
  // The monitor learns of a gap where it happened, before the first message
  // after it; the notice counts towards the bound.
  TFIBTraceObject notice;
  std::size_t incoming = MessageBytes(message);
  if (FPendingDropped > 0) {
    notice = {FDroppedKind, MonitorMessageText(FApplicationName, DroppedTraceText(FPendingDropped)),
              message.Time};
    incoming += MessageBytes(notice);
  }
  if (Overflows(incoming)) {
    CountDropped(message.Kind);
    return false;
  }
  if (FPendingDropped > 0) {
    Append(std::move(notice));
    FPendingDropped = 0;
  }
  Append(std::move(message));
  return true;
}

bool TTraceQueue::Pop(TFIBTraceObject& message) {
  if (FItems.empty()) return false;
  // Counted before the move: a string moved into one with storage of its
  // own may keep the receiver's.
  FBytes -= MessageBytes(FItems.front());
  message = std::move(FItems.front());
  FItems.pop_front();
  return true;
}

void TTraceQueue::Clear() {
  FItems.clear();
  FBytes = 0;
  FDropping = false;
  FPendingDropped = 0;
}
