#include "framework/gui/timer.h"

#include <QTimer>

#include "framework/gui/win_control_p.h"

class TTimerPrivate {
 public:
  QTimer Qt;
};

TTimer::TTimer(TComponent* owner) : TComponent(owner), FPrivate(std::make_unique<TTimerPrivate>()) {
  QObject::connect(&FPrivate->Qt, &QTimer::timeout,
                   [this] { TControlInput::Guard(this, [this] { Timer(); }); });
  UpdateTimer();
}

TTimer::~TTimer() { FPrivate->Qt.stop(); }

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

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  // A timer runs once it is loaded, enabled and given an interval.
  bool run = FEnabled && FInterval > 0 && !ComponentState().Contains(TComponentStateItem::csLoading);
  if (!run) {
    FPrivate->Qt.stop();
    return;
  }
  FPrivate->Qt.start(FInterval);
}
