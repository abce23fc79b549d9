#include "framework/core/system/timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/forward.h"  // kept compiling alongside the definitions

namespace {

// Installs a manual scheduler for one test and removes it afterwards.
class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override { SetTimerScheduler(&FScheduler); }
  void TearDown() override { SetTimerScheduler(nullptr); }

  // A timer whose ticks are logged with the scheduler's clock.
  std::unique_ptr<TTimer> LoggingTimer(int interval, const std::string& tag) {
    auto timer = std::make_unique<TTimer>(nullptr);
    timer->SetInterval(interval);
    timer->OnTimer = [this, tag](TObject*) { FLog.push_back(tag + "@" + std::to_string(FScheduler.Now())); };
    return timer;
  }

  TManualTimerScheduler FScheduler;
  std::vector<std::string> FLog;
};

using Log = std::vector<std::string>;

TEST_F(TimerTest, FiresOncePerIntervalWhileEnabled) {
  auto timer = LoggingTimer(1000, "t");
  EXPECT_TRUE(timer->Enabled());
  FScheduler.Advance(2500);
  EXPECT_EQ(FLog, (Log{"t@1000", "t@2000"}));
  timer->SetEnabled(false);
  FScheduler.Advance(5000);
  EXPECT_EQ(FLog.size(), 2u);
  EXPECT_FALSE(FScheduler.IsStarted(timer.get()));
}

TEST_F(TimerTest, TimersDueTogetherFireInTimeOrder) {
  auto slow = LoggingTimer(300, "slow");
  auto fast = LoggingTimer(100, "fast");
  FScheduler.Advance(350);
  EXPECT_EQ(FLog, (Log{"fast@100", "fast@200", "slow@300", "fast@300"}));
}

TEST_F(TimerTest, ChangingTheIntervalRestartsThePeriodAndZeroStops) {
  auto timer = LoggingTimer(1000, "t");
  FScheduler.Advance(900);
  timer->SetInterval(500);
  EXPECT_EQ(FScheduler.TimeToNextTick(timer.get()), 500u);
  FScheduler.Advance(600);
  EXPECT_EQ(FLog, Log{"t@1400"});
  timer->SetInterval(0);
  EXPECT_FALSE(timer->Running());
  timer->SetInterval(-5);
  EXPECT_FALSE(timer->Running());
  FScheduler.Advance(5000);
  EXPECT_EQ(FLog.size(), 1u);
  timer->SetInterval(100);
  EXPECT_TRUE(timer->Running());
}

TEST_F(TimerTest, AHandlerMayStopOrDestroyItsTimer) {
  auto once = LoggingTimer(100, "once");
  once->OnTimer = [&](TObject* sender) {
    FLog.push_back("once");
    static_cast<TTimer*>(sender)->SetEnabled(false);
  };
  auto doomed = std::make_unique<TTimer>(nullptr);
  doomed->SetInterval(100);
  doomed->OnTimer = [&](TObject*) {
    FLog.push_back("doomed");
    doomed.reset();
  };
  FScheduler.Advance(1000);
  EXPECT_EQ(FLog, (Log{"once", "doomed"}));
}

TEST_F(TimerTest, AnOwnedTimerStopsWhenItsOwnerDies) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* timer = new TTimer(owner.get());
  timer->SetInterval(10);
  EXPECT_TRUE(FScheduler.IsStarted(timer));
  owner.reset();
  EXPECT_FALSE(FScheduler.IsStarted(timer));
  FScheduler.Advance(100);  // nothing left to tick
}

TEST_F(TimerTest, TimerFiresAtOnceWhateverTheState) {
  auto timer = LoggingTimer(100, "t");
  timer->SetEnabled(false);
  timer->Timer();
  EXPECT_EQ(FLog, Log{"t@0"});
}

TEST_F(TimerTest, ATimerCreatedWhileLoadingStartsWhenLoadingEnds) {
  TLoadingScope loading;
  auto timer = LoggingTimer(100, "t");
  EXPECT_FALSE(timer->Running());
  FScheduler.Advance(500);
  EXPECT_TRUE(FLog.empty());
  loading.Finish();
  EXPECT_TRUE(timer->Running());
  FScheduler.Advance(100);
  EXPECT_EQ(FLog, Log{"t@600"});
}

TEST_F(TimerTest, ExceptionsOfTheHandlerLeaveThroughTheTick) {
  auto timer = LoggingTimer(100, "t");
  timer->OnTimer = [](TObject*) { throw EAbort("stop"); };
  EXPECT_THROW(FScheduler.Advance(100), EAbort);
  EXPECT_TRUE(FScheduler.IsStarted(timer.get()));  // the next period was booked before the handler ran
}

TEST(TimerScheduler, WithoutOneNothingFiresAndRunningTimersMoveToANewOne) {
  ASSERT_EQ(TimerScheduler(), nullptr);
  int ticks = 0;
  TTimer timer(nullptr);
  timer.SetInterval(50);
  timer.OnTimer = [&](TObject*) { ++ticks; };
  TTimer disabled(nullptr);
  disabled.SetEnabled(false);

  TManualTimerScheduler first, second;
  EXPECT_EQ(SetTimerScheduler(&first), nullptr);
  EXPECT_TRUE(first.IsStarted(&timer));
  EXPECT_FALSE(first.IsStarted(&disabled));
  first.Advance(100);
  EXPECT_EQ(ticks, 2);

  EXPECT_EQ(SetTimerScheduler(&second), &first);
  EXPECT_FALSE(first.IsStarted(&timer));
  EXPECT_TRUE(second.IsStarted(&timer));
  second.Advance(50);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(SetTimerScheduler(nullptr), &second);
  EXPECT_FALSE(second.IsStarted(&timer));
  timer.Timer();  // a test may still tick it by hand
  EXPECT_EQ(ticks, 4);
}

}  // namespace
