#pragma once
// A trace monitor for tests: attached to a channel for its lifetime, with
// every kind switched on unless asked otherwise, reading chunks on a thread
// of its own.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dbaccess/trace/sql_monitor_channel.h"

class TMonitorThread {
 public:
  explicit TMonitorThread(const std::string& suffix, bool allSwitches = true) : FReader(suffix) {
    if (allSwitches) FReader.SetAllSwitches(true);
    FThread = std::thread([this] { Run(); });
  }
  ~TMonitorThread() {
    FStop = true;
    FThread.join();
  }

  TSQLMonitorReader& Reader() { return FReader; }

  // Waits until count chunks have come (or the time is up); returns them all.
  std::vector<TMonitorChunk> WaitFor(std::size_t count,
                                     std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
    std::unique_lock lock(FLock);
    FChanged.wait_for(lock, timeout, [&] { return FChunks.size() >= count; });
    return FChunks;
  }
  std::vector<TMonitorChunk> Chunks() {
    std::lock_guard lock(FLock);
    return FChunks;
  }

 private:
  void Run() {
    TMonitorChunk chunk;
    while (!FStop) {
      if (!FReader.ReadChunk(chunk, 50)) continue;
      std::lock_guard lock(FLock);
      FChunks.push_back(chunk);
      FChanged.notify_all();
    }
  }

  TSQLMonitorReader FReader;
  std::atomic<bool> FStop = false;
  std::mutex FLock;
  std::condition_variable FChanged;
  std::vector<TMonitorChunk> FChunks;
  std::thread FThread;
};
