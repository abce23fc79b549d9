#pragma once
// Threads. A `TThread` runs its `Execute` on a thread of its own once
// `Start` is called, and is asked to stop by `Terminate`, which only sets the
// flag that a well-behaved `Execute` polls through `Terminated()`.
//
// The object is owned by whoever created it (a std::unique_ptr), never by
// the thread. Destroying it terminates the thread and waits for it. Because
// C++ destroys a derived class's members before the base destructor runs, a
// derived class whose Execute uses its own members must call
// `TerminateAndWait()` in its own destructor.
//
// An exception that leaves Execute ends the thread quietly; it is kept in
// `FatalException()` for whoever waits.

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "framework/core/base/exceptions.h"
#include "framework/core/base/object.h"

TULVO_DECLARE_EXCEPTION(EThread, Exception);

class TThread : public TObject {
 public:
  TThread();
  ~TThread() override;

  // Starts the thread. Raises EThread "Cannot call Start on a running or
  // finished thread" when it has been started before.
  void Start();
  // The same as Start, for code written against suspended creation.
  void Resume() { Start(); }

  void Terminate();
  bool Terminated() const;
  bool Started() const;
  // Execute has returned (or left by an exception).
  bool Finished() const;

  // Blocks until Execute has returned, then gives `ReturnValue`. Returns at
  // once for a thread that was never started. Raises EThread "Thread cannot
  // wait for itself" when called from the thread itself.
  int WaitFor();
  // Terminate, then WaitFor.
  void TerminateAndWait();

  int ReturnValue() const { return FReturnValue; }
  std::exception_ptr FatalException() const;

 protected:
  virtual void Execute() = 0;
  // For Execute to report its result.
  void SetReturnValue(int value) { FReturnValue = value; }

 private:
  void Run();

  mutable std::mutex FMutex;
  std::condition_variable FFinishedChanged;
  std::thread FThread;
  std::mutex FJoinMutex;
  bool FStarted = false;
  std::atomic<bool> FTerminated = false;
  bool FFinished = false;
  std::atomic<int> FReturnValue = 0;
  std::exception_ptr FFatalException;
};
