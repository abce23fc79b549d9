#pragma once
// Private to framework/gui: the timer scheduler of the running program.
// Each started TTimer gets a Qt timer; its ticks come from the event loop
// and call the timer's Timer() under the application's exception handler.

#include <QTimer>
#include <map>
#include <memory>

#include "framework/core/system/timer.h"

class TQtTimerScheduler : public TTimerScheduler {
 public:
  TQtTimerScheduler();
  ~TQtTimerScheduler() override;

  void Start(TTimer* timer, int intervalMs) override;
  void Stop(TTimer* timer) override;

 private:
  std::map<TTimer*, std::unique_ptr<QTimer>> FTimers;
};
