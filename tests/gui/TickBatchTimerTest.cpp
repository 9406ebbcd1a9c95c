#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QtTest/QTest>

#include "WindowFixture.h"
#include "app/ControlIds.h"
#include "gui/CounterEdit.h"

namespace lirosa::test {
namespace {

// The real window host on real timers: receiving only, it fires once per
// batch of ticks, frames still end by silent ticks, and a click in the
// window returns it to every tick at once.
class TickBatchTimerTest : public WindowFixture {
 protected:
  void SetUp() override {
    clock.realMonotonic = true;
    port.stampsArrivals = true;
    Start();
    ASSERT_TRUE(logic->portOpen);
  }
  std::string Frames() const { return controls.Text(kIdReceivedFrames); }
};

TEST_F(TickBatchTimerTest, BurstsBecomeFramesWhileTheTimersFireOncePerBatch) {
  port.FeedAt({0x01, 0x02}, SteadyNowNs());
  ASSERT_TRUE(QTest::qWaitFor([&] { return logic->Batching(); }, 2000));
  EXPECT_EQ(host.TimerPeriodMs(), kBatchTicks * kLineTimerMs);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Frames() == "1"; }, 2000));

  // Two bursts 2 ms apart are one frame; 150 ms later, another.
  port.FeedAt({0x03}, SteadyNowNs());
  QTest::qWait(2);
  port.FeedAt({0x04}, SteadyNowNs());
  QTest::qWait(150);
  port.FeedAt({0x05}, SteadyNowNs());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Frames() == "3"; }, 2000));
  QTest::qWait(100);
  EXPECT_EQ(Frames(), "3");
  EXPECT_EQ(controls.Text(kIdReceivedBytes), "5");
  // The counters' edits show it too, once the screen refresh comes.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return Find<CounterEdit>(kIdReceivedFrames)->ShownText() == QStringLiteral("3"); },
      1000));
}

TEST_F(TickBatchTimerTest, AClickEndsTheBatch) {
  port.FeedAt({0x01}, SteadyNowNs());
  ASSERT_TRUE(QTest::qWaitFor([&] { return logic->Batching(); }, 2000));
  window.show();
  auto* filter = Find<QCheckBox>(kIdKeywordFilter);
  ASSERT_NE(filter, nullptr);
  QTest::mouseClick(filter, Qt::LeftButton);
  EXPECT_FALSE(logic->Batching());
  EXPECT_EQ(host.TimerPeriodMs(), kLineTimerMs);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Frames() == "1"; }, 2000));
}

}  // namespace
}  // namespace lirosa::test
