#include "framework/core/system/thread.h"

TThread::TThread() = default;

TThread::~TThread() {
  // A last resort for classes whose Execute needs nothing of their own; the
  // others have stopped the thread in their destructors already.
  Terminate();
  if (FThread.joinable() && FThread.get_id() == std::this_thread::get_id()) {
    FThread.detach();  // freed by its own Execute: nobody is left to join it
    return;
  }
  WaitFor();
}

void TThread::Start() {
  std::lock_guard lock(FMutex);
  if (FStarted) throw EThread("Cannot call Start on a running or finished thread");
  FThread = std::thread(&TThread::Run, this);
  FStarted = true;
}

void TThread::Run() {
  std::exception_ptr fatal;
  try {
    Execute();
  } catch (...) {
    fatal = std::current_exception();
  }
  std::lock_guard lock(FMutex);
  FFatalException = fatal;
  FFinished = true;
  FFinishedChanged.notify_all();
}

void TThread::Terminate() { FTerminated = true; }

bool TThread::Terminated() const { return FTerminated; }

bool TThread::Started() const {
  std::lock_guard lock(FMutex);
  return FStarted;
}

bool TThread::Finished() const {
  std::lock_guard lock(FMutex);
  return FFinished;
}

std::exception_ptr TThread::FatalException() const {
  std::lock_guard lock(FMutex);
  return FFatalException;
}

int TThread::WaitFor() {
  {
    std::unique_lock lock(FMutex);
    if (!FStarted) return FReturnValue;
    if (FThread.get_id() == std::this_thread::get_id()) throw EThread("Thread cannot wait for itself");
    FFinishedChanged.wait(lock, [this] { return FFinished; });
  }
  // Several threads may wait; one of them joins.
  std::lock_guard join(FJoinMutex);
  if (FThread.joinable()) FThread.join();
  return FReturnValue;
}

void TThread::TerminateAndWait() {
  Terminate();
  WaitFor();
}
