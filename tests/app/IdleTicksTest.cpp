#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/ControlIds.h"
#include "support/DialogFixture.h"

namespace lirosa::test {
namespace {

// One round of both timers, as the window gives them.
void Round(MonitorDialog& dialog) {
  dialog.OnTimer(kLineTimerId);
  dialog.OnTimer(kLampTimerId);
}

// Rounds until the window rests; how many it took, or -1 after `limit`.
int RoundsToRest(MonitorDialog& dialog, int limit = 10) {
  for (int round = 1; round <= limit; ++round) {
    Round(dialog);
    if (dialog.Resting()) return round;
  }
  return -1;
}

class IdleTicksTest : public DialogFixture {
 protected:
  void SetUp() override {
    Start();
    ASSERT_TRUE(dialog->portOpen);
  }
};

TEST_F(IdleTicksTest, AQuietOpenPortStopsTheTimersAndInputWakesThem) {
  ASSERT_GT(RoundsToRest(*dialog), 0);
  EXPECT_TRUE(window.paused);
  EXPECT_TRUE(port.noticeArmed);

  port.Feed({0x01, 0x02});
  EXPECT_EQ(window.wakePosts, 1);
  dialog->Wake();
  EXPECT_FALSE(dialog->Resting());
  EXPECT_FALSE(window.paused);
  EXPECT_EQ(window.resumes, 1);
  for (int round = 0; round < 5; ++round) Round(*dialog);
  EXPECT_EQ(dialog->counters.receivedFrames, 1);
  EXPECT_EQ(view.text, "01 02 ");
  // Frame shown and lamps dark again: back to rest.
  EXPECT_GT(RoundsToRest(*dialog), 0);
}

TEST_F(IdleTicksTest, EveryWindowEventWakesTheTimers) {
  ASSERT_GT(RoundsToRest(*dialog), 0);
  dialog->OnCommand(kIdClearDisplay, Notification::Clicked);
  EXPECT_EQ(window.resumes, 1);
  ASSERT_GT(RoundsToRest(*dialog), 0);
  dialog->OnSize(SizeKind::Restored, 800, 500);
  EXPECT_EQ(window.resumes, 2);
  // Waking an awake window asks the host for nothing.
  dialog->Wake();
  EXPECT_EQ(window.resumes, 2);
}

TEST_F(IdleTicksTest, WorkUnderWayKeepsTheTimersRunningUntilItIsOver) {
  // A frame being gathered ends by counting silent ticks.
  port.Feed({0x01});
  Round(*dialog);
  EXPECT_FALSE(dialog->Resting());
  ASSERT_GT(RoundsToRest(*dialog), 0);
  EXPECT_EQ(dialog->counters.receivedFrames, 1);
  dialog->Wake();

  // An auto send credits ticks.
  controls.SetText(kIdRequest1, "AA");
  controls.SetCheck(kIdAuto1, 1);
  EXPECT_EQ(RoundsToRest(*dialog, 50), -1);
  controls.SetCheck(kIdAuto1, 0);
  EXPECT_GT(RoundsToRest(*dialog), 0);
  dialog->Wake();

  // So does a rotation, paced by time or by answers.
  controls.SetCheck(kIdRepeat1, 1);
  dialog->OnCommand(kIdAllRequests, Notification::Clicked);
  ASSERT_TRUE(dialog->allRequests.running);
  EXPECT_EQ(RoundsToRest(*dialog, 50), -1);
  dialog->OnCommand(kIdAllRequests, Notification::Clicked);
  EXPECT_GT(RoundsToRest(*dialog), 0);
}

TEST_F(IdleTicksTest, AClosedPortRestsWithoutAskingThePort) {
  dialog->OnCommand(kIdOpenClose, Notification::Clicked);
  ASSERT_FALSE(dialog->portOpen);
  ASSERT_GT(RoundsToRest(*dialog), 0);
  EXPECT_FALSE(port.noticeArmed);
}

TEST_F(IdleTicksTest, AHostThatCannotPauseKeepsTicking) {
  window.canPause = false;
  EXPECT_EQ(RoundsToRest(*dialog), -1);
  // A wake that finds the timers running asks nothing of the host.
  port.Feed({0x01});
  dialog->Wake();
  EXPECT_EQ(window.resumes, 0);
}

// Two windows see the same byte arrive the same number of ticks after they
// fell quiet: one whose timers ran on, one that rested meanwhile. Its frame
// must end on the same tick: the rest is invisible.
TEST(IdleTicksPhaseTest, FramesEndOnTheSameTickAsIfTheTimersHadRunOn) {
  struct Rig : DialogFixture {
    using DialogFixture::dialog;
    using DialogFixture::port;
    using DialogFixture::Start;
    using DialogFixture::window;
    void TestBody() override {}
  };
  for (int quietTicks = 0; quietTicks < 9; ++quietTicks) {
    SCOPED_TRACE("quiet ticks " + std::to_string(quietTicks));
    Rig resting;
    Rig running;
    running.window.canPause = false;
    resting.Start();
    running.Start();
    const int rounds = RoundsToRest(*resting.dialog);
    ASSERT_GT(rounds, 0);
    for (int round = 0; round < rounds; ++round) Round(*running.dialog);

    for (int tick = 0; tick < quietTicks; ++tick) Round(*running.dialog);
    resting.window.skippedTicks = quietTicks;
    resting.port.Feed({0x42});
    running.port.Feed({0x42});
    resting.dialog->Wake();

    auto ticksToFrame = [](Rig& rig) {
      for (int tick = 1; tick <= 10; ++tick) {
        Round(*rig.dialog);
        if (rig.dialog->counters.receivedFrames == 1) return tick;
      }
      return -1;
    };
    const int expected = ticksToFrame(running);
    ASSERT_GT(expected, 0);
    EXPECT_EQ(ticksToFrame(resting), expected);
  }
}

}  // namespace
}  // namespace lirosa::test
