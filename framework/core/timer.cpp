#include "framework/core/timer.h"

#include <algorithm>

#include "framework/core/exceptions.h"

namespace {

// Both are touched only on the GUI thread.
TTimerScheduler* gScheduler = nullptr;
std::vector<TTimer*> gRunning;  // in the order they started

}  // namespace

TTimerScheduler* SetTimerScheduler(TTimerScheduler* scheduler) {
  TTimerScheduler* old = gScheduler;
  if (old == scheduler) return old;
  if (old)
    for (TTimer* timer : gRunning) old->Stop(timer);
  gScheduler = scheduler;
  if (scheduler)
    for (TTimer* timer : gRunning) scheduler->Start(timer, timer->Interval());
  return old;
}

TTimerScheduler* TimerScheduler() { return gScheduler; }

TTimer::TTimer(TComponent* owner) : TComponent(owner) { UpdateTimer(); }

TTimer::~TTimer() {
  FEnabled = false;
  UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned interval) {
  if (interval == FInterval) return;
  FInterval = interval;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  const bool run = FEnabled && FInterval != 0;
  if (FRunning) {
    if (gScheduler) gScheduler->Stop(this);
    std::erase(gRunning, this);
    FRunning = false;
  }
  if (run) {
    gRunning.push_back(this);
    FRunning = true;
    if (gScheduler) gScheduler->Start(this, FInterval);
  }
}

void TTimer::Fire() {
  if (FRunning) DoTimer();
}

void TTimer::DoTimer() {
  // Called through a copy: a handler may free its own timer.
  if (TNotifyEvent handler = OnTimer) handler(this);
}

// --- TManualTimerScheduler ---------------------------------------------------

void TManualTimerScheduler::Start(TTimer* timer, unsigned intervalMs) {
  Stop(timer);
  FEntries.push_back({timer, intervalMs, FNow + intervalMs, FNextOrder++});
}

void TManualTimerScheduler::Stop(TTimer* timer) {
  std::erase_if(FEntries, [timer](const TEntry& e) { return e.Timer == timer; });
}

bool TManualTimerScheduler::IsStarted(const TTimer* timer) const {
  return std::any_of(FEntries.begin(), FEntries.end(), [timer](const TEntry& e) { return e.Timer == timer; });
}

std::uint64_t TManualTimerScheduler::TimeToNextTick(const TTimer* timer) const {
  for (const TEntry& e : FEntries)
    if (e.Timer == timer) return e.Due - FNow;
  throw EInvalidOperation("The timer is not started");
}

void TManualTimerScheduler::Advance(std::uint64_t ms) {
  const std::uint64_t target = FNow + ms;
  for (;;) {
    auto next = std::min_element(FEntries.begin(), FEntries.end(), [](const TEntry& a, const TEntry& b) {
      return a.Due != b.Due ? a.Due < b.Due : a.Order < b.Order;
    });
    if (next == FEntries.end() || next->Due > target) break;
    FNow = next->Due;
    TTimer* timer = next->Timer;
    // The next period is booked before the handler runs, which may stop,
    // restart or destroy the timer (each of which rewrites its entry).
    next->Due += std::max(next->Interval, 1u);
    next->Order = FNextOrder++;
    timer->Fire();
  }
  FNow = target;
}
