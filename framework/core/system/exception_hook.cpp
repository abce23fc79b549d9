#include "framework/core/system/exception_hook.h"

#include <mutex>
#include <utility>

namespace {

// Installed once by the GUI at start-up, but asked from any thread that
// loads a dataset: the handler is copied out under the lock and called
// outside it.
std::mutex& HookLock() {
  static std::mutex lock;
  return lock;
}

TApplicationExceptionHandler& Hook() {
  static TApplicationExceptionHandler hook;
  return hook;
}

}  // namespace

TApplicationExceptionHandler SetApplicationExceptionHandler(TApplicationExceptionHandler handler) {
  std::lock_guard<std::mutex> guard(HookLock());
  return std::exchange(Hook(), std::move(handler));
}

bool HandleApplicationException(TObject* sender) {
  TApplicationExceptionHandler handler;
  {
    std::lock_guard<std::mutex> guard(HookLock());
    handler = Hook();
  }
  if (!handler) return false;
  handler(sender);
  return true;
}
