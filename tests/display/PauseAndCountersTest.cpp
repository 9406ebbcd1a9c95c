#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "support/DialogFixture.h"

namespace lirosa::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kCounterEdits[] = {kIdRequestsSent, kIdSentBytes, kIdReceivedFrames,
                                 kIdReceivedBytes};

class PauseAndCountersTest : public DialogFixture {
 protected:
  void SetUp() override { Start(); }

  void Receive(const Bytes& bytes) {
    port.Feed(bytes);
    Ticks(1 + kFrameEndIdleTicks);
  }
  void Press(int id) { dialog->OnCommand(id, Notification::Clicked); }
};

TEST_F(PauseAndCountersTest, PausedFramesAreCountedButNotShown) {
  Receive({0x01});
  const std::string before = view.text;
  ASSERT_FALSE(before.empty());

  Press(kIdPauseDisplay);
  EXPECT_EQ(controls.Text(kIdPauseDisplay), "继续显示");
  for (int i = 0; i < 3; ++i) Receive(Bytes(10, static_cast<std::uint8_t>(0x10 + i)));
  Press(kIdPauseDisplay);

  EXPECT_EQ(view.text, before);
  EXPECT_EQ(dialog->counters.receivedFrames, 4);
  EXPECT_EQ(dialog->counters.receivedBytes, 31);
  EXPECT_EQ(controls.Text(kIdReceivedFrames), "4");
  EXPECT_EQ(controls.Text(kIdReceivedBytes), "31");

  // Shown again once resumed.
  Receive({0x02});
  EXPECT_NE(view.text.find("02 "), std::string::npos);
}

TEST_F(PauseAndCountersTest, TwoPressesReturnToTheActiveDisplay) {
  Press(kIdPauseDisplay);
  EXPECT_FALSE(dialog->displayActive);
  Press(kIdPauseDisplay);
  EXPECT_TRUE(dialog->displayActive);
  EXPECT_EQ(controls.Text(kIdPauseDisplay), "停止显示");
}

TEST_F(PauseAndCountersTest, ResetShowsZeroInAllFourEditsEvenOnesNeverWritten) {
  // Only the receive counters have been shown; the send edits are empty.
  Receive(Bytes(7, 0x33));
  ASSERT_EQ(controls.Text(kIdRequestsSent), "");
  dialog->counters.requestsSent = 5;
  dialog->counters.sentBytes = 40;

  Press(kIdResetCounters);
  EXPECT_EQ(dialog->counters.requestsSent, 0);
  EXPECT_EQ(dialog->counters.sentBytes, 0);
  EXPECT_EQ(dialog->counters.receivedFrames, 0);
  EXPECT_EQ(dialog->counters.receivedBytes, 0);
  for (int id : kCounterEdits) EXPECT_EQ(controls.Text(id), "0") << "edit " << id;

  // Counting starts again from zero.
  Receive({0x01, 0x02, 0x03});
  EXPECT_EQ(controls.Text(kIdReceivedBytes), "3");
  EXPECT_EQ(controls.Text(kIdReceivedFrames), "1");
}

TEST_F(PauseAndCountersTest, CountersShowBeyondThirtyTwoBits) {
  dialog->ShowCounter(kIdSentBytes, 5'000'000'000);
  EXPECT_EQ(controls.Text(kIdSentBytes), "5000000000");
}

}  // namespace
}  // namespace lirosa::test
