#include "framework/gui/application/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace termination_signals {

namespace {

constexpr int kSignals[] = {SIGHUP, SIGINT, SIGTERM};

int WriteEnd = -1;

extern "C" void OnSignal(int signal) {
  const int saved = errno;
  const char byte = static_cast<char>(signal);
  // A full pipe already holds a request to end: nothing is lost.
  [[maybe_unused]] ssize_t written = ::write(WriteEnd, &byte, 1);
  errno = saved;
}

int InstallOnce() noexcept {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  WriteEnd = ends[1];
  struct sigaction action {};
  action.sa_handler = OnSignal;
  // Interrupted system calls go on: the loop hears the pipe soon enough.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
  for (int signal : kSignals)
    if (::sigaction(signal, &action, nullptr) != 0) return -1;
  return ends[0];
}

}  // namespace

int Install() noexcept {
  static std::once_flag once;
  static int readEnd = -1;
  static int error = 0;
  std::call_once(once, [] {
    readEnd = InstallOnce();
    if (readEnd < 0) error = errno;
  });
  if (readEnd < 0) errno = error;
  return readEnd;
}

bool Drain(int readEnd) noexcept {
  bool any = false;
  char bytes[32];
  for (;;) {
    const ssize_t n = ::read(readEnd, bytes, sizeof bytes);
    if (n > 0) {
      any = true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return any;
  }
}

}  // namespace termination_signals
