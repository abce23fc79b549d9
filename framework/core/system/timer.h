#pragma once
// Timers. A `TTimer` is a component that fires `OnTimer` every `Interval`
// milliseconds while it is `Enabled`, the interval is above 0 and it is not
// loading. It does not count time itself: a process-wide `TTimerScheduler`
// does, and calls `Timer()` on each tick. The GUI layer installs one driven
// by its event loop at start-up; tests install a `TManualTimerScheduler` and
// move its clock, or call `Timer()` themselves. Without a scheduler no timer
// fires.
//
// Timers and the scheduler live on the GUI thread. An exception thrown by an
// OnTimer handler leaves through `Timer()`; the scheduler passes it on to the
// application's handler.

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/core/component/component.h"

class TTimer;

// Counts time for the running timers. Start (re)starts a timer's period from
// now with the given interval (above 0); Stop ends it, and no tick of it may
// arrive afterwards. A scheduler calls `Timer()` on a running timer once per
// period, and must allow the timer to be stopped, restarted or destroyed
// from inside that call.
class TTimerScheduler {
 public:
  virtual ~TTimerScheduler() = default;
  virtual void Start(TTimer* timer, int intervalMs) = 0;
  virtual void Stop(TTimer* timer) = 0;
};

// Installs the process-wide scheduler (nullptr for none) and returns the one
// it replaces. Running timers move to the new scheduler: the old one is told
// to stop them, the new one to start them.
TTimerScheduler* SetTimerScheduler(TTimerScheduler* scheduler);
TTimerScheduler* TimerScheduler();

class TTimer : public TComponent {
 public:
  // Enabled, interval 1000.
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  // Milliseconds; 0 (or less) stops the timer.
  int Interval() const { return FInterval; }
  // Restarts the period when the timer runs.
  void SetInterval(int milliseconds);
  // Whether the timer is handed to the scheduler.
  bool Running() const { return FRunning; }

  TNotifyEvent OnTimer;

  // Fires OnTimer now: the scheduler's tick, and the way for tests to fire a
  // timer without waiting.
  virtual void Timer();

  // A timer created while loading starts once loading ends.
  void Loaded() override;

 private:
  void UpdateTimer();

  bool FEnabled = true;
  int FInterval = 1000;
  bool FRunning = false;
};

// A timer held by its user (an idle time-out): an interval of 0 frees it,
// any other interval creates it on first use with `onTimer` and sets the
// interval; it runs unless `enabled` is false.
void SetIdleTimer(std::unique_ptr<TTimer>& timer, int interval, const TNotifyEvent& onTimer, bool enabled);

// A scheduler with a clock that moves only when told: for tests, where time
// must not depend on the machine. `Advance` fires every tick that falls due,
// in time order (timers due at the same moment in the order they started).
class TManualTimerScheduler : public TTimerScheduler {
 public:
  void Start(TTimer* timer, int intervalMs) override;
  void Stop(TTimer* timer) override;

  // Moves the clock forward by ms, firing what falls due on the way.
  void Advance(std::uint64_t ms);
  std::uint64_t Now() const { return FNow; }
  bool IsStarted(const TTimer* timer) const;
  // Time left until the timer's next tick; raises EInvalidOperation when it
  // is not started.
  std::uint64_t TimeToNextTick(const TTimer* timer) const;

 private:
  struct TEntry {
    TTimer* Timer;
    std::uint64_t Interval;
    std::uint64_t Due;
    std::uint64_t Order;
  };
  std::vector<TEntry> FEntries;
  std::uint64_t FNow = 0;
  std::uint64_t FNextOrder = 0;
};
