#pragma once
// Timers. A `TTimer` is a component that fires `OnTimer` every `Interval`
// milliseconds while it is `Enabled` (and the interval is not 0). It does not
// count time itself: a process-wide `TTimerScheduler` does, and calls
// `Fire()` on each tick. The GUI layer installs one driven by its event loop
// at start-up; tests install a `TManualTimerScheduler` and move its clock.
// Without a scheduler no timer fires.
//
// Timers and the scheduler live on the GUI thread. An exception thrown by an
// OnTimer handler leaves through `Fire()`; the scheduler passes it on to the
// application's handler.

#include <cstdint>
#include <vector>

#include "framework/core/component.h"

class TTimer;

// Counts time for the running timers. Start (re)starts a timer's period from
// now with the given interval; Stop ends it. A scheduler calls `Fire()` on a
// running timer once per period, and must allow the timer to be stopped,
// restarted or destroyed from inside that call.
class TTimerScheduler {
 public:
  virtual ~TTimerScheduler() = default;
  virtual void Start(TTimer* timer, unsigned intervalMs) = 0;
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
  // Milliseconds; 0 stops the timer.
  unsigned Interval() const { return FInterval; }
  // Restarts the period when the timer runs.
  void SetInterval(unsigned interval);
  // Whether the timer is handed to the scheduler: enabled, interval not 0.
  bool Running() const { return FRunning; }

  TNotifyEvent OnTimer;

  // One tick: fires OnTimer when the timer is running. A tick that arrives
  // after the timer stopped is dropped.
  void Fire();

 protected:
  virtual void DoTimer();

 private:
  void UpdateTimer();

  bool FEnabled = true;
  unsigned FInterval = 1000;
  bool FRunning = false;
};

// A scheduler with a clock that moves only when told: for tests, where time
// must not depend on the machine. `Advance` fires every tick that falls due,
// in time order (timers due at the same moment in the order they started).
class TManualTimerScheduler : public TTimerScheduler {
 public:
  void Start(TTimer* timer, unsigned intervalMs) override;
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
    unsigned Interval;
    std::uint64_t Due;
    std::uint64_t Order;
  };
  std::vector<TEntry> FEntries;
  std::uint64_t FNow = 0;
  std::uint64_t FNextOrder = 0;
};
