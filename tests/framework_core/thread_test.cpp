#include "framework/core/system/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A worker in the shape of a queue writer: takes items until terminated,
// then drains what is left.
class TQueueWorker : public TThread {
 public:
  ~TQueueWorker() override { TerminateAndWait(); }

  void Push(int item) {
    std::lock_guard lock(FMutex);
    FQueue.push_back(item);
  }
  std::vector<int> Done() const {
    std::lock_guard lock(FMutex);
    return FDone;
  }

 protected:
  void Execute() override {
    for (;;) {
      std::unique_lock lock(FMutex);
      if (FQueue.empty()) {
        if (Terminated()) break;
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      FDone.push_back(FQueue.front());
      FQueue.pop_front();
    }
    SetReturnValue(static_cast<int>(FDone.size()));
  }

 private:
  mutable std::mutex FMutex;
  std::deque<int> FQueue;
  std::vector<int> FDone;
};

class TOnce : public TThread {
 public:
  explicit TOnce(std::function<void()> body) : FBody(std::move(body)) {}
  ~TOnce() override { TerminateAndWait(); }

 protected:
  void Execute() override { FBody(); }

 private:
  std::function<void()> FBody;
};

TEST(Thread, RunsExecuteUntilTerminatedAndGivesItsReturnValue) {
  TQueueWorker worker;
  EXPECT_FALSE(worker.Started());
  worker.Start();
  for (int i = 0; i < 100; ++i) worker.Push(i);
  worker.Terminate();
  EXPECT_EQ(worker.WaitFor(), 100);
  EXPECT_TRUE(worker.Finished());
  EXPECT_EQ(worker.Done().front(), 0);
  EXPECT_EQ(worker.Done().back(), 99);
  EXPECT_EQ(worker.WaitFor(), 100);  // a second wait returns at once
}

TEST(Thread, StartsOnlyOnce) {
  TOnce thread([] {});
  thread.Resume();
  try {
    thread.Start();
    ADD_FAILURE() << "nothing raised";
  } catch (const EThread& e) {
    EXPECT_EQ(e.Message(), "Cannot call Start on a running or finished thread");
  }
}

TEST(Thread, WaitingForAThreadThatNeverStartedReturnsAtOnce) {
  TOnce thread([] {});
  EXPECT_EQ(thread.WaitFor(), 0);
  EXPECT_FALSE(thread.Finished());
}

TEST(Thread, AnExceptionFromExecuteIsKeptForTheWaiter) {
  TOnce thread([] { throw std::runtime_error("lost connection"); });
  thread.Start();
  thread.WaitFor();
  ASSERT_TRUE(thread.FatalException());
  try {
    std::rethrow_exception(thread.FatalException());
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "lost connection");
  }
}

TEST(Thread, CannotWaitForItself) {
  std::string message;
  TOnce* self = nullptr;
  TOnce thread([&] {
    try {
      self->WaitFor();
    } catch (const EThread& e) {
      message = e.Message();
    }
  });
  self = &thread;
  thread.Start();
  thread.WaitFor();
  EXPECT_EQ(message, "Thread cannot wait for itself");
}

TEST(Thread, DestroyingARunningThreadStopsItFirst) {
  std::atomic<bool> seenTerminated = false;
  {
    TOnce* self = nullptr;
    TOnce thread([&] {
      while (!self->Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      seenTerminated = true;
    });
    self = &thread;
    thread.Start();
  }
  EXPECT_TRUE(seenTerminated);
}

TEST(Thread, SeveralThreadsMayWaitAtOnce) {
  std::atomic<bool> release = false;
  TOnce thread([&] {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  thread.Start();
  std::vector<std::thread> waiters;
  for (int i = 0; i < 4; ++i) waiters.emplace_back([&] { thread.WaitFor(); });
  release = true;
  for (auto& waiter : waiters) waiter.join();
  EXPECT_TRUE(thread.Finished());
}

}  // namespace
