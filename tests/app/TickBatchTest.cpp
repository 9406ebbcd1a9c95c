#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "support/FakeControls.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace lirosa::test {
namespace {

constexpr std::int64_t kMs = 1'000'000;

// Bytes as the reader thread stamps them.
struct Arrival {
  std::int64_t ns;
  std::vector<std::uint8_t> bytes;
};

// What a run showed: the records (one per line) and the counters.
struct Outcome {
  std::string text;
  std::int64_t frames = 0;
  std::int64_t bytes = 0;
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

// One window on fakes whose port stamps arrivals, driven on a clock of its
// own: every 10 ms, or once per batch whenever the window asks for it.
class Rig {
 public:
  explicit Rig(bool canBatch) {
    window.canBatch = canBatch;
    window.canPause = false;
    port.stampsArrivals = true;
    dialog = std::make_unique<MonitorDialog>(
        Platform{controls, prompts, view, port, clock, window, {}, settings.path().string(),
                 nullptr, (settings.path() / "sys").string()});
    dialog->InitDialog();
    // A line break before every record but the first, so records show.
    controls.SetCheck(kIdNewLine, 1);
  }

  // Runs on until `endNs`, the timers firing every window.batchTicks
  // periods.
  void Run(const std::vector<Arrival>& arrivals, std::int64_t endNs) {
    std::size_t next = 0;
    for (now += kMs; now <= endNs; now += kMs) {
      clock.monotonicNs = now;
      for (; next < arrivals.size() && arrivals[next].ns <= now; ++next) {
        port.FeedAt(arrivals[next].bytes, arrivals[next].ns);
      }
      if (now - lastFire < window.batchTicks * 10 * kMs) continue;
      lastFire = now;
      ++firings;
      dialog->OnTimer(kLineTimerId);
      dialog->OnTimer(kLampTimerId);
      if (dialog->Batching()) ++batchedFirings;
    }
  }

  Outcome Result() const {
    return {view.text, dialog->counters.receivedFrames, dialog->counters.receivedBytes};
  }

  TempDir settings;
  FakeControls controls;
  FakePrompts prompts;
  FakeTrafficView view;
  FakeSerialPort port;
  FakeClock clock;
  FakeWindow window;
  std::unique_ptr<MonitorDialog> dialog;
  int firings = 0;
  int batchedFirings = 0;
  std::int64_t now = 0;
  std::int64_t lastFire = 0;
};

struct Schedule {
  const char* name;
  std::vector<Arrival> arrivals;
};

// Gaps around the frame end (1 to 4 silent ticks) and chunks around the
// frame size, at random but the same on every run.
std::vector<Arrival> RandomArrivals(unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Arrival> arrivals;
  std::int64_t at = 5 * kMs;
  unsigned value = 0;
  for (int i = 0; i < 300; ++i) {
    at += std::uniform_int_distribution<std::int64_t>(0, 70)(random) * kMs / 2;
    std::vector<std::uint8_t> bytes(std::uniform_int_distribution<std::size_t>(1, 1500)(random));
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(value++ % 251);
    arrivals.push_back({at, std::move(bytes)});
  }
  return arrivals;
}

class TickBatchTest : public ::testing::TestWithParam<Schedule> {};

TEST_P(TickBatchTest, FramesEndOnTheSameTicksAsWithEveryTickRun) {
  const std::vector<Arrival>& arrivals = GetParam().arrivals;
  const std::int64_t end = arrivals.back().ns + 200 * kMs;
  Rig everyTick(false);
  everyTick.Run(arrivals, end);
  Rig batched(true);
  batched.Run(arrivals, end);

  EXPECT_GT(everyTick.Result().frames, 0);
  EXPECT_EQ(batched.Result(), everyTick.Result());
  // It did batch: most firings stood for a batch of ticks.
  EXPECT_GT(batched.batchedFirings, batched.firings / 2);
  EXPECT_LT(batched.firings * 3, everyTick.firings);
}

INSTANTIATE_TEST_SUITE_P(
    Schedules, TickBatchTest,
    ::testing::Values(
        Schedule{"BurstsAroundTheFrameEnd",
                 {{3 * kMs, {0x01}},
                  {12 * kMs, {0x02}},
                  {41 * kMs, {0x03}},
                  {79 * kMs, {0x04, 0x05}},
                  {80 * kMs, {0x06}},
                  {130 * kMs, {0x07}},
                  {171 * kMs, {0x08}},
                  {172 * kMs, {0x09}},
                  {260 * kMs, {0x0A}}}},
        Schedule{"OverlongFrameInOneBatch",
                 {{2 * kMs, std::vector<std::uint8_t>(3000, 0x11)},
                  {14 * kMs, std::vector<std::uint8_t>(3000, 0x22)},
                  {31 * kMs, std::vector<std::uint8_t>(70'000, 0x33)}}},
        Schedule{"Random1", RandomArrivals(1)}, Schedule{"Random2", RandomArrivals(2)}),
    [](const ::testing::TestParamInfo<Schedule>& info) { return std::string(info.param.name); });

class TickBatchEventsTest : public ::testing::Test {
 protected:
  // Batching, with a byte whose frame is still open.
  void SetUp() override {
    rig.Run({{3 * kMs, {0x01}}}, 20 * kMs);
    ASSERT_TRUE(rig.dialog->Batching());
    ASSERT_EQ(rig.window.batchTicks, kBatchTicks);
  }
  Rig rig{true};
};

TEST_F(TickBatchEventsTest, AWindowEventRunsTheTicksDueAndReturnsToEveryTick) {
  // Last tick at 10 ms; by 65 ms five more were due, the frame ending in
  // one of them.
  rig.now = rig.clock.monotonicNs = 65 * kMs;
  rig.dialog->OnCommand(kIdNoAction, Notification::Clicked);
  EXPECT_FALSE(rig.dialog->Batching());
  EXPECT_EQ(rig.window.batchTicks, 1);
  EXPECT_EQ(rig.dialog->counters.receivedFrames, 1);
  EXPECT_EQ(rig.view.text, "01 ");
}

TEST_F(TickBatchEventsTest, SendingOnATimerNeedsEveryTick) {
  rig.controls.SetText(kIdRequest1, "AA");
  rig.controls.SetText(kIdPeriod1, "20");
  rig.controls.SetCheck(kIdAuto1, 1);
  rig.dialog->OnCommand(kIdAuto1, Notification::Clicked);
  rig.Run({}, 200 * kMs);
  EXPECT_FALSE(rig.dialog->Batching());
  EXPECT_EQ(rig.window.batchTicks, 1);
  EXPECT_GT(rig.port.written.size(), 0u);
}

TEST_F(TickBatchEventsTest, AFloodIsTakenEveryTickSoNoFiringHoldsTheWindowLonger) {
  // More than a batch's most in one firing: back to every tick, each
  // bounded.
  const std::size_t flood = 3 * kBatchTicks * kMaxReadPerTick;
  const std::int64_t batchNs = kBatchTicks * 10 * kMs;
  rig.Run({{30 * kMs, std::vector<std::uint8_t>(flood, 0x55)}}, 30 * kMs + batchNs + 10 * kMs);
  EXPECT_FALSE(rig.dialog->Batching());
  EXPECT_EQ(rig.window.batchTicks, 1);
  EXPECT_LT(rig.dialog->counters.receivedBytes, static_cast<std::int64_t>(flood));
  // Once the flood has been taken, batching again.
  rig.Run({}, 30 * kMs + 4 * batchNs);
  EXPECT_EQ(rig.dialog->counters.receivedBytes, static_cast<std::int64_t>(flood + 1));
  EXPECT_TRUE(rig.dialog->Batching());
}

// A line at a steady rate: batched in as many ticks as stay under the most
// one firing may take, else taken every tick, and at one rate never
// changing the length.
struct SteadyLine {
  const char* name;
  std::size_t bytesPerTick;
  int batchTicks;  // 1: every tick
};

class TickBatchRateTest : public ::testing::TestWithParam<SteadyLine> {};

TEST_P(TickBatchRateTest, OneRateOneWay) {
  const SteadyLine& line = GetParam();
  std::vector<Arrival> settle, steady;
  unsigned value = 0;
  // Bytes come on after the last firing looked, so that no firing sees the
  // line go quiet.
  for (std::int64_t at = 5 * kMs; at < 1100 * kMs; at += 5 * kMs) {
    std::vector<std::uint8_t> bytes(line.bytesPerTick / 2);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(value++ % 251);
    (at <= 200 * kMs ? settle : steady).push_back({at, std::move(bytes)});
  }
  Rig rig(true);
  rig.Run(settle, 200 * kMs);
  const int firings = rig.firings;
  const int batched = rig.batchedFirings;
  rig.Run(steady, 1000 * kMs);
  const int later = rig.firings - firings;
  EXPECT_EQ(rig.batchedFirings - batched, line.batchTicks > 1 ? later : 0);
  EXPECT_EQ(later, 80 / line.batchTicks);
  EXPECT_EQ(rig.window.batchTicks, line.batchTicks);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, TickBatchRateTest,
    ::testing::Values(SteadyLine{"Baud115200", 116, kBatchTicks},
                      SteadyLine{"OneMegabytePerSecond", 10'000, kBatchTicks},
                      SteadyLine{"TwoMegabytesPerSecond", 20'000, 5},
                      SteadyLine{"FourMegabytesPerSecond", 40'000, 2},
                      SteadyLine{"SixMegabytesPerSecond", 60'000, 1}),
    [](const ::testing::TestParamInfo<SteadyLine>& info) { return std::string(info.param.name); });

TEST_F(TickBatchEventsTest, APortWithoutArrivalTimesIsPolledEveryTick) {
  Rig plain(true);
  plain.port.stampsArrivals = false;
  plain.Run({{3 * kMs, {0x01}}}, 100 * kMs);
  EXPECT_EQ(plain.batchedFirings, 0);
  EXPECT_EQ(plain.window.batchTicks, 1);
}

// The length follows the rate at once when a firing would carry too much,
// and grows only with a quarter to spare, so a rate near a bound keeps it.
TEST(BatchLengthTest, ShrinksAtOnceAndGrowsWithRoomToSpare) {
  struct Case {
    std::size_t taken;
    int polled;
    int current;
    int expected;
  };
  constexpr std::size_t kBatch = kMaxReadPerBatch;
  const Case cases[] = {
      {0, 1, 1, kBatchTicks},                // a quiet line batches at the longest
      {kBatch / 10 - 1, 1, 1, 8},            // grows to 8, not to the 10 that just fit
      {kBatch / 10 - 1, 1, 9, 9},            // but keeps the 9 it has
      {kBatch / 4, 1, 5, 3},                 // four ticks would carry a whole batch
      {6 * (kBatch / 4), 6, 5, 3},           // six ticks at a quarter of a batch each
      {kBatch / 2, 1, 1, 1},                 // two ticks are a whole batch: every tick
      {kMaxReadPerTick * 10, 10, 10, 1},     // a flood at the most a tick takes
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BatchLength(c.taken, c.polled, c.current), c.expected)
        << c.taken << " bytes in " << c.polled << " ticks, now " << c.current;
  }
}

}  // namespace
}  // namespace lirosa::test
