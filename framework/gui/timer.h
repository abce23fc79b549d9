#pragma once
// TTimer: a component that fires OnTimer every Interval milliseconds while
// Enabled, on the GUI thread, from the message loop. A handler's exception
// goes to the application's handler. `Timer()` fires it at once, as the
// loop would (tests use it to run a timer without waiting).
//
// It lives here, over Qt's timers, until the framework's core has a
// scheduler of its own to put it on.

#include <memory>

#include "framework/core/component.h"
#include "framework/core/object.h"

class TTimerPrivate;

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  int Interval() const { return FInterval; }
  // 0 stops the timer (it fires never, as on the platform).
  void SetInterval(int milliseconds);

  // Fires OnTimer now.
  virtual void Timer();

  void Loaded() override;

  TNotifyEvent OnTimer;

 private:
  void UpdateTimer();

  std::unique_ptr<TTimerPrivate> FPrivate;
  bool FEnabled = true;
  int FInterval = 1000;
};
