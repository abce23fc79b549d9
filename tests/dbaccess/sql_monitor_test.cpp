#include "dbaccess/trace/sql_monitor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/trace/sql_monitor_channel.h"
#include "framework/core/base/exceptions.h"
#include "tests/dbaccess/monitor_thread.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

constexpr const char* ProgramName = "dbaccess_tests";

// A channel name of the test's own, so parallel tests never meet.
std::string UniqueSuffix() {
  static int counter = 0;
  return ".test." + std::to_string(getpid()) + "." + std::to_string(++counter);
}

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 15s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

class SQLMonitorTest : public ::testing::Test {
 protected:
  // Every case starts with no hook, whatever an earlier case shut down.
  void SetUp() override { RestartSQLMonitor(); }

  void TearDown() override {
    RestartSQLMonitor();
    // Holders that died (the forked monitor) leave the name behind.
    shm_unlink(SQLMonitorChannelName(FSuffix).c_str());
  }

  std::string Message(std::string_view text) const { return MonitorMessageText(ProgramName, text); }

  const std::string FSuffix = UniqueSuffix();
};

// ---- Texts --------------------------------------------------------------------------

struct TTextCase {
  const char* Label;
  std::function<std::string()> Build;
  std::string Expected;
};

std::function<std::string()> Gives(std::string s) {
  return [s] { return s; };
}
std::string Fails() { throw EConvertError("cannot convert"); }

const std::string SQL = "select *\r\nfrom T\r\n";

void PrintTo(const TTextCase& c, std::ostream* os) { *os << c.Label; }

class TraceTextTest : public ::testing::TestWithParam<TTextCase> {};

TEST_P(TraceTextTest, TextIsExact) { EXPECT_EQ(GetParam().Build(), GetParam().Expected); }

INSTANTIATE_TEST_SUITE_P(
    Texts, TraceTextTest,
    ::testing::Values(
        TTextCase{"PrepareWithPlan", [] { return PrepareTraceText("Q", SQL, Gives("PLAN (T NATURAL)")); },
                  "Q: [Prepare] select *\r\nfrom T\r\n\r\n  Plan: PLAN (T NATURAL)"},
        TTextCase{"PrepareWithoutPlan", [] { return PrepareTraceText("Q", SQL, Fails); },
                  "Q: [Prepare] select *\r\nfrom T\r\n\r\n  Plan: Can't retrieve plan "},
        TTextCase{
            "ExecuteWithEveryKindOfParameter",
            [] {
              const std::vector<TTraceValue> params{{"A", 496, false, Gives("5")},
                                                    {"B", 449, false, Gives("x'y")},
                                                    {"C", 452, true, Gives("unused")},
                                                    {"D", 521, false, Gives("unused")},
                                                    {"E", 540, false, Gives("unused")},
                                                    {"F", 480, false, Fails},
                                                    {"G", 448, false, Fails}};
              return ExecuteTraceText("Q", SQL, params, std::nullopt, 12);
            },
            "Q: [Execute] select *\r\nfrom T\r\n\r\n  A = 5\r\n  B = 'x'y'\r\n  C = <NULL>\r\n  D = <BLOB>"
            "\r\n  E = <ARRAY>\r\n  F = <Can't print value>\r\n  G = <Can't print value>"
            "\r\nExecute tick count 12"},
        TTextCase{"ExecuteOfAnUpdate",
                  [] { return ExecuteTraceText("Q", "update T set A = 1\r\n", {}, 3, 0); },
                  "Q: [Execute] update T set A = 1\r\n\r\nRows Affected:  3\r\nExecute tick count 0"},
        TTextCase{"FetchOfARow",
                  [] {
                    const std::vector<TTraceValue> columns{{"ID", 496, false, Gives("7")},
                                                           {"NAME", 449, true, Gives("unused")}};
                    return FetchTraceText("DS", SQL, columns, false);
                  },
                  "\r\nDS: [Fetch] select *\r\nfrom T\r\nID = 7\r\nNAME = NULL\r\n"},
        TTextCase{"FetchAtTheEnd", [] { return FetchTraceText("DS", SQL, {}, true); },
                  "\r\nDS: [Fetch] select *\r\nfrom T\r\n\r\n  End of file reached"},
        TTextCase{"Connect", [] { return ConnectTraceText("DB"); }, "DB: [Connect]"},
        TTextCase{"Disconnect", [] { return DisconnectTraceText("DB"); }, "DB: [Disconnect]"},
        TTextCase{"Start", [] { return TransactionTraceText(TTransactionTraceAction::Start, "TR", 41); },
                  "TR: [Start transaction](41)"},
        TTextCase{"Commit", [] { return TransactionTraceText(TTransactionTraceAction::Commit, "TR", 41); },
                  "TR: [Commit (Hard commit)](41)"},
        TTextCase{"CommitRetaining",
                  [] { return TransactionTraceText(TTransactionTraceAction::CommitRetaining, "TR", 41); },
                  "TR: [Commit retaining (Soft commit)](41)"},
        TTextCase{"Rollback",
                  [] { return TransactionTraceText(TTransactionTraceAction::Rollback, "TR", 41); },
                  "TR: [Rollback](41)"},
        TTextCase{"RollbackRetaining",
                  [] { return TransactionTraceText(TTransactionTraceAction::RollbackRetaining, "TR", 41); },
                  "TR: [Rollback retaining (Soft rollback)](41)"},
        TTextCase{"SetSavepoint",
                  [] { return SavepointTraceText("TR", 9, "S1", TSavepointTraceOperation::Set); },
                  "TR: Transaction(9) - [SetSavePoint(\"S1\")]"},
        TTextCase{"RollBackToSavepoint",
                  [] { return SavepointTraceText("TR", 9, "S1", TSavepointTraceOperation::RollBackTo); },
                  "TR: Transaction(9) - [RollBackToSavePoint(\"S1\")]"},
        TTextCase{"ReleaseSavepoint",
                  [] { return SavepointTraceText("TR", 9, "S1", TSavepointTraceOperation::Release); },
                  "TR: Transaction(9) - [ReleaseSavePoint(\"S1\")]"},
        TTextCase{"ServiceQuery", [] { return ServiceTraceText(TServiceTraceAction::Query, "SV"); },
                  "SV: [Query]"},
        TTextCase{"Message", [] { return MonitorMessageText("phones", "DB: [Connect]"); },
                  "\r\n[Application: phones]\r\nDB: [Connect]"}),
    [](const auto& info) { return std::string(info.param.Label); });

struct TEscapeCase {
  const char* Label;
  std::string Input;
  std::string Expected;
};

void PrintTo(const TEscapeCase& c, std::ostream* os) { *os << c.Label; }

class EscapeTraceTextTest : public ::testing::TestWithParam<TEscapeCase> {};

TEST_P(EscapeTraceTextTest, ControlCharactersBecomeHexCodes) {
  EXPECT_EQ(EscapeTraceText(GetParam().Input), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, EscapeTraceTextTest,
    ::testing::Values(TEscapeCase{"Escape",
                                  "a\x1b"
                                  "b",
                                  "a#$1Bb"},
                      TEscapeCase{"LineEnds", "line\r\nnext\n", "line\r\nnext\n"},
                      TEscapeCase{"LowControls", std::string("\0\t\x1f ", 4), "#$00#$09#$1F "},
                      TEscapeCase{"HighBytes", "\xc0\xff~", "\xc0\xff~"}, TEscapeCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.Label); });

// ---- The channel ------------------------------------------------------------------------

TEST_F(SQLMonitorTest, TracedTextsArriveInOrder) {
  TFIBSQLMonitorHook hook(FSuffix);
  TMonitorThread monitor(FSuffix);
  const std::vector<TTraceValue> params{{"ID", 496, false, Gives("1")}};

  hook.TraceConnect("DB");
  hook.TraceStartTransaction("TR", 15, true);
  hook.TracePrepare("Q", SQL, Gives("PLAN (T NATURAL)"));
  hook.TraceExecute("Q", SQL, params, std::nullopt, 2);
  hook.TraceFetch("Q", SQL, {}, true);
  hook.TraceCommit("TR", 15, true);
  hook.TraceDisconnect("DB");

  const std::vector<std::pair<TTraceKind, std::string>> expected{
      {TTraceKind::Connect, ConnectTraceText("DB")},
      {TTraceKind::Transaction, TransactionTraceText(TTransactionTraceAction::Start, "TR", 15)},
      {TTraceKind::Prepare, PrepareTraceText("Q", SQL, Gives("PLAN (T NATURAL)"))},
      {TTraceKind::Execute, ExecuteTraceText("Q", SQL, params, std::nullopt, 2)},
      {TTraceKind::Fetch, FetchTraceText("Q", SQL, {}, true)},
      {TTraceKind::Transaction, TransactionTraceText(TTransactionTraceAction::Commit, "TR", 15)},
      {TTraceKind::Connect, DisconnectTraceText("DB")}};
  const std::vector<TMonitorChunk> chunks = monitor.WaitFor(expected.size());
  ASSERT_EQ(chunks.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(chunks[i].Kind, expected[i].first) << i;
    EXPECT_EQ(chunks[i].Text, Message(expected[i].second)) << i;
    if (i > 0) {
      EXPECT_GE(chunks[i].Time, chunks[i - 1].Time);
    }
  }
}

TEST_F(SQLMonitorTest, NothingIsQueuedAndNoWriterRunsWithoutAMonitor) {
  TFIBSQLMonitorHook hook(FSuffix);
  ASSERT_TRUE(hook.Active());
  hook.TraceConnect("unheard");
  EXPECT_FALSE(hook.Wants(TTraceKind::Connect));
  EXPECT_FALSE(hook.WriterRunning());

  {
    TMonitorThread monitor(FSuffix);
    hook.TraceConnect("heard");
    EXPECT_TRUE(hook.WriterRunning());
    const auto chunks = monitor.WaitFor(1);
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0].Text, Message("heard: [Connect]"));
  }

  // The writer ends once the monitor is gone; a message sent meanwhile is
  // not kept for a later monitor.
  EXPECT_TRUE(Eventually([&] { return !hook.WriterRunning(); }));
  hook.TraceConnect("after");
  EXPECT_FALSE(hook.WriterRunning());
  TMonitorThread late(FSuffix);
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(late.Chunks().empty());
}

TEST_F(SQLMonitorTest, OnlyKindsSwitchedOnArrive) {
  TFIBSQLMonitorHook hook(FSuffix);
  TMonitorThread monitor(FSuffix, false);
  monitor.Reader().SetSwitch(TTraceKind::Execute, true);

  hook.TracePrepare("Q", SQL, Gives("plan"));
  hook.TraceExecute("Q", SQL, {}, std::nullopt, 1);
  hook.TraceConnect("DB");
  hook.TraceExecute("Q", SQL, {}, std::nullopt, 2);

  const auto chunks = monitor.WaitFor(2);
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0].Text, Message(ExecuteTraceText("Q", SQL, {}, std::nullopt, 1)));
  EXPECT_EQ(chunks[1].Text, Message(ExecuteTraceText("Q", SQL, {}, std::nullopt, 2)));
  EXPECT_EQ(monitor.WaitFor(3, 300ms).size(), 2u);
}

TEST_F(SQLMonitorTest, TransactionWithoutDefaultDatabaseIsNotTraced) {
  TFIBSQLMonitorHook hook(FSuffix);
  TMonitorThread monitor(FSuffix);
  hook.TraceStartTransaction("LOOSE", 1, false);
  hook.TraceCommit("LOOSE", 1, false);
  hook.TraceSavepoint("LOOSE", 1, false, "S", TSavepointTraceOperation::Set);
  hook.TraceRollback("BOUND", 2, true);

  const auto chunks = monitor.WaitFor(1);
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].Text, Message("BOUND: [Rollback](2)"));
  EXPECT_EQ(monitor.WaitFor(2, 300ms).size(), 1u);
}

TEST_F(SQLMonitorTest, LongMessageArrivesInChunksWithOneKindAndTime) {
  TSQLMonitorReader reader(FSuffix);
  std::string text(4500, 'x');
  for (std::size_t i = 0; i < text.size(); i += 97) text[i] = static_cast<char>('a' + i % 26);
  std::atomic<bool> written = false;
  std::thread writer([&] {
    TSQLMonitorChannel channel(FSuffix);
    written = channel.WriteMessage(TTraceKind::Fetch, 45000.25, text, [] { return false; });
  });

  std::vector<TMonitorChunk> chunks;
  TMonitorChunk chunk;
  for (int tries = 0; chunks.size() < 3 && tries < 100; ++tries)
    if (reader.ReadChunk(chunk, 100)) chunks.push_back(chunk);
  writer.join();

  EXPECT_TRUE(written);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].Text.size(), 2002u);
  EXPECT_EQ(chunks[1].Text.size(), 2002u);
  EXPECT_EQ(chunks[2].Text.size(), 496u);
  for (const TMonitorChunk& c : chunks) {
    EXPECT_EQ(c.Kind, TTraceKind::Fetch);
    EXPECT_EQ(c.Time, 45000.25);
  }
  EXPECT_EQ(chunks[0].Text + chunks[1].Text + chunks[2].Text, text);
}

TEST_F(SQLMonitorTest, ControlCharactersInSQLArriveEscaped) {
  TFIBSQLMonitorHook hook(FSuffix);
  TMonitorThread monitor(FSuffix);
  hook.TraceExecute("Q", "select '\x1b' from T\r\n", {}, std::nullopt, 0);
  const auto chunks = monitor.WaitFor(1);
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].Text, Message("Q: [Execute] select '#$1B' from T\r\n\r\nExecute tick count 0"));
}

// ---- Mended faults ---------------------------------------------------------------------------

TEST_F(SQLMonitorTest, MonitorThatDiesHoldingTheMutexDoesNotBlockTheTracer) {
  TFIBSQLMonitorHook hook(FSuffix);
  // The monitor attaches, takes the mutex and dies without a word.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TSQLMonitorReader reader(FSuffix);
    reader.SetAllSwitches(true);
    reader.Channel().Lock([] { return true; });
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  ASSERT_TRUE(hook.Wants(TTraceKind::Connect));
  hook.TraceConnect("lost");
  // The writer takes the mutex over and counts the dead monitor out.
  ASSERT_TRUE(Eventually([&] { return hook.Channel()->MonitorCount() == 0; }));

  TMonitorThread monitor(FSuffix);
  hook.TraceConnect("heard");
  const auto chunks = monitor.WaitFor(1);
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].Text, Message("heard: [Connect]"));
}

TEST_F(SQLMonitorTest, SilentMonitorIsCountedOutWhileTheOtherKeepsReading) {
  TFIBSQLMonitorHook hook(FSuffix);
  TSQLMonitorReader silent(FSuffix);
  TMonitorThread monitor(FSuffix);
  hook.TraceConnect("DB");
  const auto chunks = monitor.WaitFor(1);
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].Text, Message("DB: [Connect]"));
  EXPECT_EQ(hook.Channel()->MonitorCount(), 1);
}

TEST_F(SQLMonitorTest, MonitorThatStopsAnsweringWhileReadyIsCountedOut) {
  TFIBSQLMonitorHook hook(FSuffix);
  TSQLMonitorReader reader(FSuffix);
  reader.SetAllSwitches(true);
  TMonitorChunk chunk;
  // Ready for a chunk, then never heard of again.
  EXPECT_FALSE(reader.ReadChunk(chunk, 0));
  hook.TraceConnect("first");
  hook.TraceConnect("second");
  EXPECT_TRUE(Eventually([&] { return hook.Channel()->MonitorCount() == 0; }));
}

TEST_F(SQLMonitorTest, MonitorCountedOutWhileAliveAttachesAgain) {
  TFIBSQLMonitorHook hook(FSuffix);
  TSQLMonitorReader reader(FSuffix);
  reader.SetAllSwitches(true);
  hook.TraceConnect("missed");
  ASSERT_TRUE(Eventually([&] { return hook.Channel()->MonitorCount() == 0; }));

  TMonitorChunk chunk;
  EXPECT_FALSE(reader.ReadChunk(chunk, 0));
  EXPECT_EQ(hook.Channel()->MonitorCount(), 1);
  hook.TraceConnect("heard");
  bool read = false;
  for (int tries = 0; !read && tries < 100; ++tries) read = reader.ReadChunk(chunk, 100);
  ASSERT_TRUE(read);
  EXPECT_EQ(chunk.Text, Message("heard: [Connect]"));
}

TEST_F(SQLMonitorTest, MonitorFallingBehindCostsBoundedMemoryAndIsToldWhatWasDropped) {
  constexpr std::size_t limit = 16 * 1024;
  constexpr int sent = 1000;
  TFIBSQLMonitorHook hook(FSuffix, limit);
  TSQLMonitorReader reader(FSuffix);
  reader.SetAllSwitches(true);
  // The monitor holds the channel's mutex: the writer hands nothing over
  // while the program traces.
  ASSERT_TRUE(reader.Channel().Lock([] { return false; }));
  for (int i = 0; i < sent; ++i) hook.TraceExecute("Q", SQL, {}, std::nullopt, i);
  const TTraceQueueState state = hook.QueueState();
  reader.Channel().Unlock();

  EXPECT_LE(state.PeakBytes, limit);
  EXPECT_LE(state.Bytes, limit);
  ASSERT_GT(state.Dropped, 0u);
  ASSERT_LT(state.Dropped, static_cast<std::uint64_t>(sent));
  // The first messages arrive in order; the rest were dropped.
  const int kept = sent - static_cast<int>(state.Dropped);
  std::vector<TMonitorChunk> chunks;
  TMonitorChunk chunk;
  for (int tries = 0; static_cast<int>(chunks.size()) < kept && tries < kept + 100; ++tries)
    if (reader.ReadChunk(chunk, 100)) chunks.push_back(chunk);
  ASSERT_EQ(static_cast<int>(chunks.size()), kept);
  EXPECT_EQ(chunks.back().Text, Message(ExecuteTraceText("Q", SQL, {}, std::nullopt, kept - 1)));

  // Once the queue has room, the next message comes after the notice.
  hook.TraceConnect("DB");
  chunks.clear();
  for (int tries = 0; chunks.size() < 2 && tries < 100; ++tries)
    if (reader.ReadChunk(chunk, 100)) chunks.push_back(chunk);
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0].Text, Message(DroppedTraceText(state.Dropped)));
  EXPECT_EQ(chunks[1].Text, Message("DB: [Connect]"));
}

TEST_F(SQLMonitorTest, ChannelIsPrivateToTheUser) {
  for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{0777}}) {
    const mode_t previous = umask(mask);
    TSQLMonitorChannel channel(FSuffix);
    umask(previous);
    ASSERT_TRUE(channel.Created());
    EXPECT_NE(channel.Name().find(".SharedMem." + std::to_string(geteuid())), std::string::npos);
    struct stat info {};
    ASSERT_EQ(stat(("/dev/shm" + channel.Name()).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "umask " << mask;
    EXPECT_EQ(info.st_uid, geteuid());
  }
}

TEST_F(SQLMonitorTest, ChannelOthersMayReadIsRefused) {
  const std::string name = SQLMonitorChannelName(FSuffix);
  const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(fchmod(fd, 0644), 0);
  close(fd);

  try {
    TSQLMonitorChannel channel(FSuffix);
    ADD_FAILURE() << "opened";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), ceCannotCreateSharedResource);
  }
  TFIBSQLMonitorHook hook(FSuffix);
  EXPECT_FALSE(hook.Active());
  EXPECT_EQ(hook.Channel(), nullptr);
  hook.TraceConnect("DB");
  EXPECT_FALSE(hook.WriterRunning());
}

TEST_F(SQLMonitorTest, LastHolderRemovesTheName) {
  const std::string path = "/dev/shm" + SQLMonitorChannelName(FSuffix);
  struct stat info {};
  {
    TSQLMonitorChannel first(FSuffix);
    {
      TSQLMonitorChannel second(FSuffix);
      EXPECT_FALSE(second.Created());
    }
    EXPECT_EQ(stat(path.c_str(), &info), 0);
  }
  EXPECT_NE(stat(path.c_str(), &info), 0);
  // A new holder starts a new object.
  TSQLMonitorChannel again(FSuffix);
  EXPECT_TRUE(again.Created());
}

TEST_F(SQLMonitorTest, WriterSurvivesTracingThreadsWhileMonitorsComeAndGo) {
  TFIBSQLMonitorHook hook(FSuffix);
  std::atomic<bool> done = false;
  std::vector<std::thread> tracers;
  for (int t = 0; t < 4; ++t)
    tracers.emplace_back([&, t] {
      const std::string name = "DB" + std::to_string(t);
      while (!done) {
        hook.TraceConnect(name);
        std::this_thread::sleep_for(1ms);
      }
    });
  std::size_t received = 0;
  for (int round = 0; round < 5; ++round) {
    TMonitorThread monitor(FSuffix);
    received += monitor.WaitFor(3).size();
    hook.SetActive(round % 2 == 0);
    hook.SetActive(true);
  }
  done = true;
  for (std::thread& t : tracers) t.join();

  EXPECT_GE(received, 15u);
  EXPECT_TRUE(Eventually([&] { return !hook.WriterRunning(); }));
}

TEST_F(SQLMonitorTest, SwitchingOffStopsTheWriter) {
  TFIBSQLMonitorHook hook(FSuffix);
  TMonitorThread monitor(FSuffix);
  hook.TraceConnect("DB");
  EXPECT_TRUE(hook.WriterRunning());
  hook.SetActive(false);
  EXPECT_FALSE(hook.WriterRunning());
  EXPECT_FALSE(hook.Wants(TTraceKind::Connect));
  hook.TraceConnect("off");
  EXPECT_FALSE(hook.WriterRunning());
}

// ---- The process-wide hook ----------------------------------------------------------------------

TEST_F(SQLMonitorTest, HookIsCreatedOnceForAllThreads) {
  SetSQLMonitorChannelSuffix(FSuffix);
  std::vector<TFIBSQLMonitorHook*> seen(8);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < seen.size(); ++i) threads.emplace_back([&, i] { seen[i] = MonitorHook(); });
  for (std::thread& t : threads) t.join();
  ASSERT_NE(seen[0], nullptr);
  for (TFIBSQLMonitorHook* hook : seen) EXPECT_EQ(hook, seen[0]);
  EXPECT_EQ(seen[0]->Channel()->Name(), SQLMonitorChannelName(FSuffix));
  ShutdownSQLMonitor();
  EXPECT_EQ(MonitorHook(), nullptr);
}

TEST_F(SQLMonitorTest, ShutdownStopsTheWriterWhenTheMonitorNeverReads) {
  SetSQLMonitorChannelSuffix(FSuffix);
  TSQLMonitorReader deaf(FSuffix);
  deaf.SetAllSwitches(true);
  TFIBSQLMonitorHook* hook = MonitorHook();
  ASSERT_NE(hook, nullptr);
  for (int i = 0; i < 3; ++i) hook->TraceConnect("DB");
  EXPECT_TRUE(hook->WriterRunning());

  ShutdownSQLMonitor();
  EXPECT_EQ(MonitorHook(), nullptr);
  EXPECT_EQ(deaf.Channel().MonitorCount(), 0);
}

// ---- The monitor program ---------------------------------------------------------------------------

TEST_F(SQLMonitorTest, MonitorProgramPrintsEveryMessageWithItsTime) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string tool = TULVO_SQL_MONITOR_TOOL;
  std::vector<std::string> args{tool, "--count", "2", "--channel-suffix", FSuffix};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, tool.c_str(), &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);

  TFIBSQLMonitorHook hook(FSuffix);
  ASSERT_TRUE(Eventually([&] { return hook.Wants(TTraceKind::Connect); }));
  hook.TraceConnect("DB");
  hook.TraceDisconnect("DB");

  std::string output;
  char buffer[4096];
  pollfd p{out[0], POLLIN, 0};
  while (poll(&p, 1, 20000) > 0) {
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    output.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  const std::string time = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})";
  const std::regex expected(time + " connect\n\\[Application: dbaccess_tests\\]\nDB: \\[Connect\\]\n" + time +
                            " connect\n\\[Application: dbaccess_tests\\]\nDB: \\[Disconnect\\]\n");
  EXPECT_TRUE(std::regex_match(output, expected)) << output;
}

}  // namespace
