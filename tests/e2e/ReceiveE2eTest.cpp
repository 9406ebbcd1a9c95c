#include <gtest/gtest.h>

#include <QColor>

#include "app/ControlIds.h"
#include "e2e/LiveWindow.h"
#include "pty/SimProcess.h"

namespace lirosa::test {
namespace {

using namespace std::chrono_literals;

const QColor kRed(255, 0, 0);

// Three frames a device sends 100 ms apart reach the window as three records:
// the silence between them ends each frame, whatever the tick's phase.
TEST(ReceiveE2eTest, FramesSentApartAreThreeRedHexRecordsAndCounted) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start({"script", "--interval-ms", "100", "01 02 03", "0A 0B 0C 0D", "FF"}));
  LiveWindow window;
  window.Start(sim.Port());
  ASSERT_TRUE(window.Logic().portOpen) << "the window did not open " << sim.Port();
  // Each record on a line of its own, so the display shows where frames end.
  window.SetCheck(kIdNewLine, 1);

  ASSERT_TRUE(window.RunUntil([&] { return window.Text(kIdReceivedFrames) == "3"; }, 10s))
      << "frames counted: '" << window.Text(kIdReceivedFrames) << "'";
  EXPECT_EQ(window.Text(kIdReceivedBytes), "8");

  const std::vector<DisplayLine> lines = window.Display();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, "01 02 03 ");
  EXPECT_EQ(lines[1].text, "0A 0B 0C 0D ");
  EXPECT_EQ(lines[2].text, "FF ");
  for (const DisplayLine& line : lines) {
    ASSERT_FALSE(line.colours.empty()) << line.text;
    for (const QColor& colour : line.colours) EXPECT_EQ(colour, kRed) << line.text;
  }
}

// Between frames an idle window stops its timers; the device's next frame
// and the user's typing each start them again, and nothing is missed.
TEST(ReceiveE2eTest, AnIdleWindowStopsTicking) {
  SimProcess sim;
  ASSERT_TRUE(sim.Start({"script", "--interval-ms", "400", "11 22", "33"}));
  LiveWindow window;
  window.Start(sim.Port());
  ASSERT_TRUE(window.Logic().portOpen) << "the window did not open " << sim.Port();
  window.SetCheck(kIdNewLine, 1);

  ASSERT_TRUE(window.RunUntil([&] { return window.Text(kIdReceivedFrames) == "1"; }, 10s));
  EXPECT_TRUE(window.RunUntil([&] { return !window.TimersRunning(); }, 350ms))
      << "still ticking after the first frame";
  ASSERT_TRUE(window.RunUntil([&] { return window.Text(kIdReceivedFrames) == "2"; }, 10s));
  ASSERT_TRUE(window.RunUntil([&] { return !window.TimersRunning(); }, 1s));
  window.SetText(kIdRequest1, "01 02");
  EXPECT_TRUE(window.TimersRunning());

  const std::vector<DisplayLine> lines = window.Display();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "11 22 ");
  EXPECT_EQ(lines[1].text, "33 ");
}

}  // namespace
}  // namespace lirosa::test
