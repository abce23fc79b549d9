#include "framework/core/system/timer.h"

#include <algorithm>

#include "framework/core/base/exceptions.h"

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

void TTimer::SetInterval(int milliseconds) {
  if (milliseconds == FInterval) return;
  FInterval = milliseconds;
  UpdateTimer();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  // Destruction passes through here with FEnabled cleared, so a dying timer
  // never reaches a scheduler again.
  const bool run = FEnabled && FInterval > 0 && !ComponentState().Contains(TComponentStateItem::csLoading);
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

void TTimer::Timer() {
  // Called through a copy: a handler may free its own timer.
  if (TNotifyEvent handler = OnTimer) handler(this);
}

// --- TManualTimerScheduler ---------------------------------------------------

void TManualTimerScheduler::Start(TTimer* timer, int intervalMs) {
  Stop(timer);
  const auto interval = static_cast<std::uint64_t>(std::max(intervalMs, 1));
  FEntries.push_back({timer, interval, FNow + interval, FNextOrder++});
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
    next->Due += next->Interval;
    next->Order = FNextOrder++;
    timer->Timer();
  }
  FNow = target;
}

void SetIdleTimer(std::unique_ptr<TTimer>& timer, int interval, const TNotifyEvent& onTimer, bool enabled) {
  if (interval == 0) {
    timer.reset();
    return;
  }
  if (!timer) {
    timer = std::make_unique<TTimer>(nullptr);
    timer->SetEnabled(false);
    timer->SetInterval(0);
    timer->OnTimer = onTimer;
  }
  timer->SetInterval(interval);
  if (enabled) timer->SetEnabled(true);
}
