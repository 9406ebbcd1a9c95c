#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "support/DialogFixture.h"

namespace lirosa::test {
namespace {

constexpr int kRequestIds[3] = {kIdRequest1, kIdRequest2, kIdRequest3};
constexpr int kAutoIds[3] = {kIdAuto1, kIdAuto2, kIdAuto3};
constexpr int kPeriodIds[3] = {kIdPeriod1, kIdPeriod2, kIdPeriod3};
constexpr int kRepeatIds[3] = {kIdRepeat1, kIdRepeat2, kIdRepeat3};

// One send, as the line saw it: which tick of the run, and which slot (each
// slot's request is the one byte of its number).
struct Sent {
  int tick;
  int slot;
  friend bool operator==(const Sent&, const Sent&) = default;
};

void PrintTo(const Sent& s, std::ostream* os) { *os << "{tick " << s.tick << ", slot " << s.slot << "}"; }

class CyclicSendingTest : public DialogFixture {
 protected:
  void SetUp() override {
    Start();
    for (int slot = 1; slot <= 3; ++slot) controls.SetText(kRequestIds[slot - 1], "0" + std::to_string(slot));
  }

  void Click(int id) { dialog->OnCommand(id, Notification::Clicked); }

  void AutoSend(int slot, const std::string& period) {
    controls.SetCheck(kAutoIds[slot - 1], 1);
    Click(kAutoIds[slot - 1]);
    controls.SetText(kPeriodIds[slot - 1], period);
  }

  void Select(int slot) {
    controls.SetCheck(kRepeatIds[slot - 1], 1);
    Click(kRepeatIds[slot - 1]);
  }

  void ResponseDriven(const std::string& timeoutS, const std::string& retries) {
    controls.SetCheck(kIdPacingResponse, 1);
    Click(kIdPacingResponse);
    controls.SetText(kIdResponseTimeout, timeoutS);
    controls.SetText(kIdRetryLimit, retries);
  }

  // Runs `n` ticks, one at a time, and returns the sends they made; ticks
  // are numbered on from the previous run.
  std::vector<Sent> Run(int n) {
    std::vector<Sent> sends;
    for (int i = 0; i < n; ++i) {
      std::size_t before = port.written.size();
      Ticks(1);
      ++tick_;
      for (std::size_t at = before; at < port.written.size(); ++at) sends.push_back({tick_, port.written[at]});
    }
    return sends;
  }

  std::vector<int> Slots(const std::vector<Sent>& sends) {
    std::vector<int> slots;
    for (const Sent& s : sends) slots.push_back(s.slot);
    return slots;
  }

  int tick_ = 0;
};

// ---- Per-slot automatic sending ---------------------------------------------------

struct PeriodRow {
  const char* name;
  std::string period;
  int everyTicks;
};

class AutoPeriodTest : public CyclicSendingTest, public ::testing::WithParamInterface<PeriodRow> {};

TEST_P(AutoPeriodTest, SendsWhenTheCreditedTicksPassThePeriod) {
  const PeriodRow& row = GetParam();
  AutoSend(1, row.period);
  int n = row.everyTicks;
  EXPECT_EQ(Run(3 * n), (std::vector<Sent>{{n, 1}, {2 * n, 1}, {3 * n, 1}}));
}

INSTANTIATE_TEST_SUITE_P(
    Periods, AutoPeriodTest,
    ::testing::Values(PeriodRow{"Period1000", "1000", 72}, PeriodRow{"Period13", "13", 1},
                      PeriodRow{"Period14", "14", 2}, PeriodRow{"Period28", "28", 3},
                      // A one-digit period reads "10" from the next tick on.
                      PeriodRow{"OneDigitBecomes10", "5", 1}),
    [](const ::testing::TestParamInfo<PeriodRow>& info) { return std::string(info.param.name); });

TEST_F(CyclicSendingTest, SlotsWithAutoSendEachKeepTheirOwnPeriod) {
  AutoSend(1, "28");  // every 3 ticks
  AutoSend(3, "14");  // every 2 ticks
  EXPECT_EQ(Run(6), (std::vector<Sent>{{2, 3}, {3, 1}, {4, 3}, {6, 1}, {6, 3}}));
}

TEST_F(CyclicSendingTest, AutoAndRepeatBoxesExcludeEachOtherInEverySlot) {
  for (int slot = 1; slot <= 3; ++slot) {
    SCOPED_TRACE(slot);
    int autoId = kAutoIds[slot - 1];
    int periodId = kPeriodIds[slot - 1];
    int repeatId = kRepeatIds[slot - 1];
    ASSERT_FALSE(controls.IsEnabled(periodId));
    controls.SetCheck(repeatId, 1);
    controls.SetCheck(autoId, 1);
    Click(autoId);
    EXPECT_TRUE(controls.IsEnabled(periodId));
    EXPECT_EQ(controls.Check(repeatId), 0);
    controls.SetCheck(autoId, 0);
    Click(autoId);
    EXPECT_FALSE(controls.IsEnabled(periodId));
    controls.SetCheck(autoId, 1);
    Click(autoId);
    controls.SetCheck(repeatId, 1);
    Click(repeatId);
    EXPECT_EQ(controls.Check(autoId), 0);
    EXPECT_FALSE(controls.IsEnabled(periodId));
    EXPECT_EQ(controls.Check(repeatId), 1);
  }
  // The members follow the boxes at the next tick.
  Ticks(1);
  for (const RequestSlot& slot : dialog->slots) {
    EXPECT_EQ(slot.autoSend, 0);
    EXPECT_EQ(slot.inAllRequests, 1);
  }
}

TEST_F(CyclicSendingTest, PacingRadiosSwitchTheirEditsAndTheMode) {
  Click(kIdPacingResponse);
  EXPECT_EQ(dialog->cycle.pacingMode, PacingMode::ResponseDriven);
  EXPECT_EQ(controls.Check(kIdPacingPeriodic), 0);
  EXPECT_FALSE(controls.IsEnabled(kIdCyclePeriod));
  EXPECT_TRUE(controls.IsEnabled(kIdResponseTimeout));
  EXPECT_TRUE(controls.IsEnabled(kIdRetryLimit));
  Click(kIdPacingPeriodic);
  EXPECT_EQ(dialog->cycle.pacingMode, PacingMode::Periodic);
  EXPECT_EQ(controls.Check(kIdPacingResponse), 0);
  EXPECT_TRUE(controls.IsEnabled(kIdCyclePeriod));
  EXPECT_FALSE(controls.IsEnabled(kIdResponseTimeout));
  EXPECT_FALSE(controls.IsEnabled(kIdRetryLimit));
}

// ---- The rotation, periodic ----------------------------------------------------------

TEST_F(CyclicSendingTest, PeriodicRotationStepsEvery101TicksAt1000) {
  Select(1);
  Click(kIdAllRequests);
  EXPECT_EQ(controls.Text(kIdAllRequests), "停止轮发");
  EXPECT_FALSE(controls.IsEnabled(kIdFileCycling));
  EXPECT_EQ(Run(202), (std::vector<Sent>{{101, 1}, {202, 1}}));
}

TEST_F(CyclicSendingTest, RotationSendsTheSelectedSlotsInTurn) {
  controls.SetText(kIdCyclePeriod, "09");  // two digits, so it stays 9: a step every tick
  Select(1);
  Select(3);
  Click(kIdAllRequests);
  EXPECT_EQ(Slots(Run(5)), (std::vector<int>{1, 3, 1, 3, 1}));
}

TEST_F(CyclicSendingTest, SendOnceSendsEachSelectedSlotThenStopsWithoutSending) {
  controls.SetText(kIdCyclePeriod, "09");
  controls.SetCheck(kIdSendOnce, 1);
  Select(1);
  Select(3);
  Click(kIdAllRequests);
  EXPECT_EQ(Run(5), (std::vector<Sent>{{1, 1}, {2, 3}}));
  EXPECT_FALSE(dialog->allRequests.running);
  EXPECT_EQ(dialog->allRequests.index, 0);
  EXPECT_EQ(controls.Text(kIdAllRequests), "开始轮发");
  EXPECT_TRUE(controls.IsEnabled(kIdFileCycling));
  // Started again, the next round begins at slot 1.
  Click(kIdAllRequests);
  EXPECT_EQ(Slots(Run(3)), (std::vector<int>{1, 3}));
}

TEST_F(CyclicSendingTest, EmptyOrInvalidRequestStillTakesItsStep) {
  controls.SetText(kIdCyclePeriod, "09");
  controls.SetText(kIdRequest2, "zz");
  Select(1);
  Select(2);
  Select(3);
  Click(kIdAllRequests);
  EXPECT_EQ(Run(3), (std::vector<Sent>{{1, 1}, {3, 3}}));
  EXPECT_EQ(dialog->counters.requestsSent, 2);
}

TEST_F(CyclicSendingTest, NoSlotSelectedRunsButSendsNothing) {
  controls.SetText(kIdCyclePeriod, "09");
  Click(kIdAllRequests);
  EXPECT_TRUE(Run(10).empty());
  EXPECT_TRUE(dialog->allRequests.running);
  EXPECT_EQ(dialog->allRequests.index, 0);
}

TEST_F(CyclicSendingTest, StopAndStartGoesOnAfterTheSlotSentLast) {
  controls.SetText(kIdCyclePeriod, "09");
  for (int slot = 1; slot <= 3; ++slot) Select(slot);
  Click(kIdAllRequests);
  Run(1);
  Click(kIdAllRequests);
  EXPECT_EQ(controls.Text(kIdAllRequests), "开始轮发");
  EXPECT_TRUE(Run(3).empty());
  Click(kIdAllRequests);
  EXPECT_EQ(Slots(Run(3)), (std::vector<int>{2, 3, 1}));
}

TEST_F(CyclicSendingTest, RotationIsRefusedWhileFileCyclingRuns) {
  controls.SetText(kIdAllRequests, "Все запросы");
  dialog->fileJob.running = true;
  Click(kIdAllRequests);
  EXPECT_FALSE(dialog->allRequests.running);
  EXPECT_EQ(controls.Text(kIdAllRequests), "Все запросы");
  EXPECT_EQ(prompts.Texts(),
            std::vector<std::string>{"文件轮发正在进行，不能进行发送区轮发，需要的话，请先停止文件轮发！"});
}

TEST_F(CyclicSendingTest, OpenCloseButtonStopsTheRotationButNotAutoSends) {
  controls.SetText(kIdCyclePeriod, "09");
  Select(1);
  AutoSend(2, "13");
  Click(kIdAllRequests);
  EXPECT_EQ(Slots(Run(1)), (std::vector<int>{2, 1}));
  Click(kIdOpenClose);
  EXPECT_FALSE(dialog->allRequests.running);
  EXPECT_EQ(controls.Text(kIdAllRequests), "开始轮发");
  EXPECT_TRUE(controls.IsEnabled(kIdFileCycling));
  EXPECT_TRUE(Run(5).empty());
  Click(kIdOpenClose);
  ASSERT_TRUE(dialog->portOpen);
  EXPECT_EQ(Slots(Run(2)), (std::vector<int>{2, 2}));
}

TEST_F(CyclicSendingTest, PortChangeOnlyPausesTheRotation) {
  controls.SetText(kIdCyclePeriod, "09");
  Select(1);
  Select(2);
  Click(kIdAllRequests);
  Run(1);
  controls.SetText(kIdPortList, "COM2");
  dialog->OnCommand(kIdPortList, Notification::SelectionChanged);
  ASSERT_FALSE(dialog->portOpen);
  EXPECT_TRUE(Run(5).empty());
  EXPECT_TRUE(dialog->allRequests.running);
  Click(kIdOpenClose);
  ASSERT_TRUE(dialog->portOpen);
  EXPECT_EQ(Slots(Run(2)), (std::vector<int>{2, 1}));
}

// ---- The rotation, paced by responses -----------------------------------------------

TEST_F(CyclicSendingTest, AnsweringDeviceReleasesTheNextRequestOnTheTickAfterTheFrameEnds) {
  port.onWrite = [this](const std::vector<std::uint8_t>& bytes) {
    if (!bytes.empty()) port.Feed({0xA0, bytes[0]});
  };
  ResponseDriven("5", "1");
  Select(1);
  Select(2);
  Click(kIdAllRequests);
  std::vector<Sent> sends;
  std::vector<int> frameEnds;
  for (int i = 0; i < 40; ++i) {
    std::int64_t frames = dialog->counters.receivedFrames;
    for (const Sent& s : Run(1)) sends.push_back(s);
    if (dialog->counters.receivedFrames != frames) frameEnds.push_back(tick_);
  }
  ASSERT_GE(sends.size(), 4u);
  EXPECT_EQ(Slots(sends).at(0), 1);
  EXPECT_EQ(Slots(sends).at(1), 2);
  EXPECT_EQ(Slots(sends).at(2), 1);
  // Every send after the first comes on the tick after a frame ended.
  ASSERT_GE(frameEnds.size(), sends.size() - 1);
  for (std::size_t i = 1; i < sends.size(); ++i) EXPECT_EQ(sends[i].tick, frameEnds[i - 1] + 1) << i;
}

struct SilentRow {
  const char* name;
  std::string retries;
  std::vector<int> slotsAtSeconds;  // the slot sent at each whole second 0, 6, 12, 18 (0: none)
};

class SilentDeviceTest : public CyclicSendingTest, public ::testing::WithParamInterface<SilentRow> {};

TEST_P(SilentDeviceTest, RepeatsAfterTheTimeOutThenMovesOn) {
  const SilentRow& row = GetParam();
  ResponseDriven("5", row.retries);
  Select(1);
  Select(2);
  Click(kIdAllRequests);
  const std::time_t start = clock.now;
  std::vector<int> seen;
  for (int second = 0; second <= 18; ++second) {
    clock.now = start + second;
    std::vector<Sent> sends = Run(3);
    if (second % 6 == 0) {
      seen.push_back(sends.empty() ? 0 : sends.front().slot);
      EXPECT_LE(sends.size(), 1u) << second;
    } else {
      EXPECT_TRUE(sends.empty()) << "second " << second;
    }
  }
  EXPECT_EQ(seen, row.slotsAtSeconds);
}

INSTANTIATE_TEST_SUITE_P(
    Retries, SilentDeviceTest,
    ::testing::Values(SilentRow{"OneRetry", "1", {1, 1, 2, 2}}, SilentRow{"NoRetry", "0", {1, 2, 1, 2}},
                      // A limit the count never equals repeats until an answer.
                      SilentRow{"NegativeLimit", "-1", {1, 1, 1, 1}}),
    [](const ::testing::TestParamInfo<SilentRow>& info) { return std::string(info.param.name); });

TEST_F(CyclicSendingTest, NegativeRetryLimitRepeatsUntilAnAnswerArrives) {
  ResponseDriven("0", "-1");
  Select(1);
  Select(2);
  Click(kIdAllRequests);
  const std::time_t start = clock.now;
  for (int second = 0; second < 4; ++second) {
    clock.now = start + second;
    EXPECT_EQ(Slots(Run(1)), std::vector<int>{1}) << second;
  }
  port.Feed({0x55});
  std::vector<Sent> sends = Run(10);
  ASSERT_FALSE(sends.empty());
  EXPECT_EQ(sends.front().slot, 2);
}

TEST_F(CyclicSendingTest, ClockSetBackDoesNotHoldTheRotation) {
  ResponseDriven("5", "0");
  Select(1);
  Select(2);
  Click(kIdAllRequests);
  EXPECT_EQ(Slots(Run(1)), std::vector<int>{1});
  clock.now -= 3600;
  EXPECT_TRUE(Run(1).empty());
  clock.now += 6;
  EXPECT_EQ(Slots(Run(1)), std::vector<int>{2});
}

TEST_F(CyclicSendingTest, ResponseDrivenSendOnceStopsAfterTheLastSlotTimesOut) {
  ResponseDriven("5", "0");
  controls.SetCheck(kIdSendOnce, 1);
  Select(1);
  Select(3);
  Click(kIdAllRequests);
  const std::time_t start = clock.now;
  EXPECT_EQ(Slots(Run(1)), std::vector<int>{1});
  clock.now = start + 6;
  EXPECT_EQ(Slots(Run(1)), std::vector<int>{3});
  EXPECT_TRUE(dialog->allRequests.running);
  clock.now = start + 12;
  EXPECT_TRUE(Run(1).empty());
  EXPECT_FALSE(dialog->allRequests.running);
  EXPECT_EQ(controls.Text(kIdAllRequests), "开始轮发");
}

}  // namespace
}  // namespace lirosa::test
