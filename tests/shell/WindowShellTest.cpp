#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "shell/LampModel.h"
#include "support/DialogFixture.h"

namespace lirosa::test {
namespace {

class LampTest : public DialogFixture {
 protected:
  void SetUp() override { Start(); }

  // One lamp tick; returns how many frames it painted (0 or 1).
  int LampTick() {
    const std::size_t before = window.lamps.size();
    dialog->OnTimer(kLampTimerId);
    return static_cast<int>(window.lamps.size() - before);
  }
  void Send() {
    controls.SetText(kIdRequest1, "01 02");
    controls.SetCheck(kIdHex1, 1);
    dialog->OnCommand(kIdSend1, Notification::Clicked);
  }
};

TEST_F(LampTest, StateLampFollowsThePortWithinOneTick) {
  ASSERT_TRUE(dialog->portOpen);
  ASSERT_EQ(LampTick(), 1);
  EXPECT_TRUE(window.lamps.back().portOpen);
  EXPECT_EQ(StateLampColour(window.lamps.back().portOpen), (Colour{255, 0, 0}));

  dialog->OnCommand(kIdOpenClose, Notification::Clicked);
  ASSERT_FALSE(dialog->portOpen);
  ASSERT_EQ(LampTick(), 1);
  EXPECT_FALSE(window.lamps.back().portOpen);
  EXPECT_EQ(StateLampColour(window.lamps.back().portOpen), (Colour{0, 0, 0}));
}

TEST_F(LampTest, TenSendsInOneTickLightTheSentLampForOneTick) {
  LampTick();
  for (int i = 0; i < 10; ++i) Send();
  ASSERT_EQ(LampTick(), 1);
  EXPECT_EQ(window.lamps.back(), (LampFrame{true, true, false}));
  EXPECT_FALSE(dialog->txActivity);
  // Dark again on the very next tick, then nothing more to paint.
  ASSERT_EQ(LampTick(), 1);
  EXPECT_EQ(window.lamps.back(), (LampFrame{true, false, false}));
  EXPECT_EQ(LampTick(), 0);
}

TEST_F(LampTest, SteadyTrafficKeepsTheLampLitWithoutRepainting) {
  LampTick();
  Send();
  EXPECT_EQ(LampTick(), 1);
  Send();
  EXPECT_EQ(LampTick(), 0);  // still lit: the image is already right
  EXPECT_TRUE(window.lamps.back().txLit);
}

TEST_F(LampTest, ASendRefusedBeforeWritingLeavesTheLampIdle) {
  LampTick();
  controls.SetText(kIdRequest1, "");
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  controls.SetText(kIdRequest1, "0x0A");
  controls.SetCheck(kIdHex1, 1);
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  EXPECT_EQ(LampTick(), 0);
  EXPECT_FALSE(window.lamps.back().txLit);
}

TEST_F(LampTest, ReceptionAndTransmissionInOneTickLightBothLamps) {
  LampTick();
  Send();
  port.Feed({0x41, 0x42});
  Ticks(1);
  ASSERT_EQ(LampTick(), 1);
  EXPECT_EQ(window.lamps.back(), (LampFrame{true, true, true}));
  EXPECT_FALSE(dialog->txActivity);
  EXPECT_FALSE(dialog->rxActivity);
}

TEST_F(LampTest, AnIdleWindowPaintsTheLampsOnce) {
  int painted = 0;
  for (int i = 0; i < 100; ++i) painted += LampTick();
  EXPECT_EQ(painted, 1);
}

TEST(LampModelTest, TakingAFrameClearsTheActivityFlags) {
  bool tx = true;
  bool rx = false;
  EXPECT_EQ(TakeLampFrame(false, tx, rx), (LampFrame{false, true, false}));
  EXPECT_FALSE(tx);
  EXPECT_FALSE(rx);
  EXPECT_EQ(TakeLampFrame(true, tx, rx), (LampFrame{true, false, false}));
}

TEST(LampModelTest, ImagesCarryTheLampColours) {
  const LampImage state = StateLampRecipe(true);
  EXPECT_EQ(state.width, 13);
  EXPECT_EQ(state.height, 13);
  ASSERT_EQ(state.discs.size(), 1u);
  EXPECT_EQ(state.discs[0].fill, (Colour{255, 0, 0}));
  EXPECT_EQ(StateLampRecipe(false).discs[0].fill, (Colour{0, 0, 0}));

  const LampImage traffic = TrafficLampRecipe(false, true);
  EXPECT_EQ(traffic.width, 60);
  EXPECT_EQ(traffic.height, 20);
  ASSERT_EQ(traffic.discs.size(), 2u);
  EXPECT_EQ(traffic.discs[0].fill, (Colour{0, 70, 0}));
  EXPECT_EQ(traffic.discs[1].fill, (Colour{0, 255, 0}));
  EXPECT_LT(traffic.discs[0].box.right, traffic.discs[1].box.left);  // sent on the left
  EXPECT_EQ(traffic.highlights.size(), 2u);
}

// ---- Stay-on-top ---------------------------------------------------------------

class StayOnTopTest : public DialogFixture {
 protected:
  void SetUp() override { Start(); }
  void Click() { dialog->OnCommand(kIdStayOnTop, Notification::Clicked); }
};

TEST_F(StayOnTopTest, StartsInTheNormalBand) {
  EXPECT_FALSE(dialog->stayOnTop);
  EXPECT_FALSE(window.stayOnTop);
}

TEST_F(StayOnTopTest, TwoClicksPinAndReleaseRepaintingEachTime) {
  const int calls = window.stayOnTopCalls;
  Click();
  EXPECT_TRUE(dialog->stayOnTop);
  EXPECT_TRUE(window.stayOnTop);
  EXPECT_EQ(window.stayOnTopRepaints, 1);
  Click();
  EXPECT_FALSE(dialog->stayOnTop);
  EXPECT_FALSE(window.stayOnTop);
  EXPECT_EQ(window.stayOnTopRepaints, 2);
  EXPECT_EQ(window.stayOnTopCalls, calls + 2);
}

TEST_F(StayOnTopTest, TogglingMovesNoControl) {
  controls.moves.clear();
  Click();
  EXPECT_TRUE(controls.moves.empty());
}

TEST_F(StayOnTopTest, TheAboutCommandOpensTheAboutBox) {
  dialog->OnSysCommand(kSysCommandAbout);
  dialog->OnSysCommand(0xF060);  // close command: not ours
  EXPECT_EQ(prompts.aboutShown, 1);
}

}  // namespace
}  // namespace lirosa::test
