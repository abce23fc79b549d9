// sql_monitor: shows the SQL trace of every program of this user that uses
// the database layer. It attaches to the trace channel as a monitor, turns
// every kind of trace on and prints each message with its time, until
// interrupted (SIGINT, SIGTERM) or until --count messages or --seconds
// seconds have passed.
//
//   sql_monitor [--count N] [--seconds S] [--channel-suffix SUFFIX]
//
// --channel-suffix attaches to a channel of that name instead of the
// user's usual one; the tests run their own channels.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "dbaccess/client/errors.h"
#include "dbaccess/trace/sql_monitor_channel.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/text.h"

namespace {

volatile std::sig_atomic_t StopSignal = 0;

void OnStopSignal(int) { StopSignal = 1; }

struct TOptions {
  std::optional<long> Count;
  std::optional<long> Seconds;
  std::string Suffix;
};

bool ParsePositive(const char* text, long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && value > 0;
}

bool ParseOptions(int argc, char** argv, TOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (i + 1 >= argc) return false;
    long value = 0;
    if (arg == "--count") {
      if (!ParsePositive(argv[++i], value)) return false;
      options.Count = value;
    } else if (arg == "--seconds") {
      if (!ParsePositive(argv[++i], value)) return false;
      options.Seconds = value;
    } else if (arg == "--channel-suffix") {
      options.Suffix = argv[++i];
    } else {
      return false;
    }
  }
  return true;
}

const char* KindName(TTraceKind kind) {
  switch (kind) {
    case TTraceKind::Prepare:
      return "prepare";
    case TTraceKind::Execute:
      return "execute";
    case TTraceKind::Fetch:
      return "fetch";
    case TTraceKind::Connect:
      return "connect";
    case TTraceKind::Transaction:
      return "transaction";
    case TTraceKind::Service:
      return "service";
  }
  return "unknown";
}

// The trace text has Windows line ends and the program's code page; the
// terminal wants neither.
std::string ForTerminal(std::string_view text) {
  std::string lines;
  lines.reserve(text.size());
  for (char c : text)
    if (c != '\r') lines += c;
  return AnsiToUtf8(lines);
}

void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  if (!ParseOptions(argc, argv, options)) {
    std::cerr << "usage: sql_monitor [--count N] [--seconds S] [--channel-suffix SUFFIX]\n";
    return 2;
  }
  InstallSignalHandlers();

  try {
    TSQLMonitorReader reader(options.Suffix);
    reader.SetAllSwitches(true);
    std::cerr << "sql_monitor: attached to " << reader.Channel().Name() << "\n";

    const auto start = std::chrono::steady_clock::now();
    long messages = 0;
    // A message longer than one chunk arrives as several; a chunk shorter
    // than the longest ends its message.
    bool insideMessage = false;
    TMonitorChunk chunk;
    while (!StopSignal) {
      if (options.Seconds &&
          std::chrono::steady_clock::now() - start >= std::chrono::seconds(*options.Seconds))
        break;
      if (!reader.ReadChunk(chunk, 200)) continue;
      if (!insideMessage || chunk.Text.starts_with("\r\n[Application: ")) {
        if (insideMessage) {
          std::cout << "\n";
          if (options.Count && ++messages >= *options.Count) break;
        }
        std::cout << FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", chunk.Time) << " " << KindName(chunk.Kind);
      }
      std::cout << ForTerminal(chunk.Text);
      insideMessage = chunk.Text.size() == MonitorChunkSize;
      if (!insideMessage) {
        std::cout << "\n";
        std::cout.flush();
        if (options.Count && ++messages >= *options.Count) break;
      }
    }
    std::cout.flush();
  } catch (const Exception& e) {
    std::cerr << "sql_monitor: " << e.Message() << "\n";
    return 1;
  }
  return 0;
}
