#include "dbaccess/trace/trace_queue.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "dbaccess/trace/sql_monitor.h"

namespace {

// A script runs against one queue, one character per step:
//   p  push the next message (1000 bytes of its own letter, a, b, c, ...):
//      prints "+" when queued, "-" when dropped
//   r  a message refused before it is built: prints "R" when refused, "."
//      when the queue would take it
//   o  pop one: prints the message's letter, or "[n]" for the notice of n
//      dropped messages
//   c  clear
struct TQueueCase {
  const char* Label;
  int LimitInMessages;
  const char* Script;
  const char* Expected;
};

void PrintTo(const TQueueCase& c, std::ostream* os) { *os << c.Label; }

class TraceQueueTest : public ::testing::TestWithParam<TQueueCase> {};

std::size_t OneMessage() { return TTraceQueue::MessageBytes({TTraceKind::Fetch, std::string(1000, 'a'), 0}); }

TEST_P(TraceQueueTest, KeepsToItsBoundAndTellsOfWhatItDropped) {
  const TQueueCase& c = GetParam();
  const std::size_t limit = static_cast<std::size_t>(c.LimitInMessages) * OneMessage();
  TTraceQueueTotals totals;
  TTraceQueue queue(limit, "phones", &totals);
  std::string out;
  char next = 'a';
  std::uint64_t dropped = 0;
  for (const char* step = c.Script; *step; ++step) {
    switch (*step) {
      case 'p': {
        const bool queued = queue.Push({TTraceKind::Fetch, std::string(1000, next++), 1.5});
        out += queued ? "+" : "-";
        dropped += queued ? 0 : 1;
        break;
      }
      case 'r': {
        const bool refused = queue.RefuseIfFull(TTraceKind::Fetch);
        out += refused ? "R" : ".";
        dropped += refused ? 1 : 0;
        break;
      }
      case 'o': {
        TFIBTraceObject message;
        if (!queue.Pop(message)) {
          out += "_";
          break;
        }
        const std::string header = MonitorMessageText("phones", "");
        if (message.Text.starts_with(header)) {
          const std::string text = message.Text.substr(header.size());
          const std::size_t open = text.find('('), close = text.find(')');
          out += "[" + text.substr(open + 1, close - open - 1) + "]";
          EXPECT_EQ(message.Text,
                    MonitorMessageText(
                        "phones", DroppedTraceText(std::stoull(text.substr(open + 1, close - open - 1)))));
          EXPECT_EQ(message.Kind, TTraceKind::Fetch);
          EXPECT_EQ(message.Time, 1.5);
        } else {
          out += message.Text[0];
        }
        break;
      }
      case 'c':
        queue.Clear();
        break;
    }
    // Only a lone message (with the notice in front of it) may pass the bound.
    EXPECT_TRUE(queue.Bytes() <= limit || queue.Count() <= 2) << "after step " << (step - c.Script);
  }
  EXPECT_EQ(out, c.Expected);
  EXPECT_EQ(totals.Dropped.load(), dropped);
  if (limit > 0) {
    EXPECT_LE(totals.PeakBytes.load(), limit);
  }
}

INSTANTIATE_TEST_SUITE_P(Scripts, TraceQueueTest,
                         ::testing::Values(TQueueCase{"UnderTheBoundAllIsKept", 4, "pppoooo", "+++abc_"},
                                           TQueueCase{"PastTheBoundMessagesAreDroppedAndCounted", 3,
                                                      "pppppooop"
                                                      "oo",
                                                      "+++--abc+[2]f"},
                                           TQueueCase{"QueueTakesMessagesAgainOnlyOnceHalfDrained", 4,
                                                      "pppppop"
                                                      "op"
                                                      "oooo"
                                                      "o",
                                                      "++++-a-b+cd[2]g_"},
                                           TQueueCase{"RefusedBeforeBuiltCountsAsDropped", 2,
                                                      "pprroop"
                                                      "oo",
                                                      "++RRab+[2]c"},
                                           TQueueCase{"MessageLargerThanTheBoundGoesThroughAnEmptyQueue", 0,
                                                      "ppo"
                                                      "p",
                                                      "+-a+"},
                                           TQueueCase{"ClearForgetsWhatWasDropped", 2, "pppcpoo", "++-+d_"},
                                           TQueueCase{"EmptyQueueAdmits", 2, "ro", "._"}),
                         [](const auto& info) { return std::string(info.param.Label); });

}  // namespace
