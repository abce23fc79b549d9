#include "framework/gui/application/qt_timer_scheduler.h"

#include "framework/gui/controls/win_control_p.h"

TQtTimerScheduler::TQtTimerScheduler() = default;

TQtTimerScheduler::~TQtTimerScheduler() = default;

void TQtTimerScheduler::Start(TTimer* timer, int intervalMs) {
  auto& slot = FTimers[timer];
  if (!slot) {
    slot = std::make_unique<QTimer>();
    QObject::connect(slot.get(), &QTimer::timeout,
                     [timer] { TControlInput::Guard(timer, [timer] { timer->Timer(); }); });
  }
  slot->start(std::max(1, intervalMs));
}

void TQtTimerScheduler::Stop(TTimer* timer) {
  auto it = FTimers.find(timer);
  if (it == FTimers.end()) return;
  // Stop may come from inside the timer's own tick: the Qt timer is only
  // stopped now and deleted once Qt has left its timeout call.
  it->second->stop();
  it->second.release()->deleteLater();
  FTimers.erase(it);
}
