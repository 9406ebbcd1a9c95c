// The far end goes away, or stops reading, while the window is busy with it:
// a real port, the simulator or a bare pseudo-terminal, and the window's own
// 10 ms tick.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "display/RecordText.h"
#include "pty/LiveDialog.h"
#include "pty/PtyPair.h"
#include "pty/SimProcess.h"
#include "support/TempDir.h"

namespace lirosa {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;
using test::LiveDialog;
using test::PtyPair;
using test::SimProcess;
using test::TempDir;

constexpr const char* kCaptionOpen = "打开串口";
constexpr const char* kCaptionClose = "关闭串口";

std::string HexOf(const std::vector<std::uint8_t>& bytes) {
  return HexRecordText(bytes.data(), bytes.size());
}

// The window on a simulator reached through a fixed link, as a user's
// adapter is reached through its stable name; a new simulator on the same
// link stands for the device plugged in again.
class DeviceLossTest : public ::testing::Test {
 protected:
  std::string Link() const { return files.File("device"); }
  std::string CapturePath() const { return files.File("capture.txt"); }

  void StartSim(SimProcess& sim, std::vector<std::string> args) {
    args.insert(args.end(), {"--link", Link()});
    ASSERT_TRUE(sim.Start(args)) << "lirosa-sim did not start from " << test::SimBinaryPath();
  }

  // Kills the far end and checks how the window takes it: closed at the
  // first tick that can see the loss, told once, the port left alone after,
  // and every counted byte in the capture file.
  void ExpectLossSurvived(SimProcess& sim) {
    ASSERT_TRUE(live.dialog->portOpen);
    // Once the simulator is reaped its end of the pair is closed, so the
    // loss is visible to the very next tick.
    ASSERT_EQ(sim.Stop(SIGKILL), 128 + SIGKILL);
    live.Tick();
    EXPECT_FALSE(live.dialog->portOpen) << "still open one tick after the loss";
    EXPECT_FALSE(live.port.IsOpen()) << "the descriptor must be dropped at once";
    EXPECT_EQ(live.controls.Text(kIdOpenClose), kCaptionOpen);

    const std::int64_t callsAtClose = live.port.calls;
    for (int i = 0; i < 20; ++i) live.Tick();
    EXPECT_EQ(live.port.calls, callsAtClose) << "ticks after the loss must leave the port alone";
    // Nothing is left to do: once the lamps show it, the timers stop.
    for (int i = 0; i < 3 && !live.dialog->Resting(); ++i) {
      live.dialog->OnTimer(kLineTimerId);
      live.dialog->OnTimer(kLampTimerId);
    }
    EXPECT_TRUE(live.dialog->Resting()) << "the window keeps ticking with nothing to do";

    const std::vector<std::string> boxes = live.prompts.Texts();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "通信端口<" + Link() + ">已断开!");

    EXPECT_EQ(live.dialog->counters.receivedBytes,
              static_cast<std::int64_t>(live.port.read.size()));
    EXPECT_TRUE(live.dialog->rxFrame.frame.empty()) << "bytes held back from display and capture";
    const std::string captured = files.Read("capture.txt");
    EXPECT_EQ(captured.size(), 3 * live.port.read.size());
    EXPECT_TRUE(captured == HexOf(live.port.read)) << "the capture differs from the bytes read";
  }

  // A new simulator on the same link, and the user's click on the button.
  void Reopen(SimProcess& sim, const std::vector<std::string>& args) {
    StartSim(sim, args);
    live.Click(kIdOpenClose);
    ASSERT_TRUE(live.dialog->portOpen) << ::testing::PrintToString(live.prompts.Texts());
    EXPECT_EQ(live.controls.Text(kIdOpenClose), kCaptionClose);
  }

  TempDir files;
  LiveDialog live;
};

TEST_F(DeviceLossTest, FarEndKilledMidFlood) {
  constexpr std::int64_t kFloodBytes = 50'000'000;  // far more than arrives before the kill
  SimProcess sim;
  StartSim(sim, {"flood", "--bytes", std::to_string(kFloodBytes)});
  live.Start(Link());
  ASSERT_TRUE(live.dialog->portOpen) << ::testing::PrintToString(live.prompts.Texts());
  live.StartCapture(CapturePath());
  ASSERT_TRUE(live.TickUntil([&] { return live.dialog->counters.receivedBytes >= 100'000; }));

  ExpectLossSurvived(sim);
  EXPECT_LT(live.dialog->counters.receivedBytes, kFloodBytes);

  SimProcess again;
  Reopen(again, {"flood", "--bytes", "5000"});
  const std::int64_t before = live.dialog->counters.receivedBytes;
  // The reopened simulator's start is slow under sanitizers on a busy machine.
  EXPECT_TRUE(live.TickUntil([&] { return live.dialog->counters.receivedBytes == before + 5000; },
                             std::chrono::seconds(10)));
  EXPECT_TRUE(live.TickUntil([&] { return live.dialog->rxFrame.frameIdle; }));
  EXPECT_TRUE(files.Read("capture.txt") == HexOf(live.port.read));
  EXPECT_EQ(live.prompts.shown.size(), 1u);
}

TEST_F(DeviceLossTest, FarEndKilledDuringResponseDrivenRotation) {
  SimProcess sim;
  StartSim(sim, {"modbus", "--delay-ms", "1"});
  live.Start(Link(), {"01 03 00 00 00 01 84 0A", "01 06 00 01 00 2A 59 D5", ""});
  ASSERT_TRUE(live.dialog->portOpen) << ::testing::PrintToString(live.prompts.Texts());
  live.StartCapture(CapturePath());
  live.controls.SetCheck(kIdRepeat1, 1);
  live.Click(kIdRepeat1);
  live.controls.SetCheck(kIdRepeat2, 1);
  live.Click(kIdRepeat2);
  live.Click(kIdPacingResponse);
  live.Click(kIdAllRequests);
  ASSERT_TRUE(live.TickUntil([&] { return live.dialog->counters.receivedFrames >= 6; }));

  ExpectLossSurvived(sim);
  EXPECT_TRUE(live.dialog->allRequests.running)
      << "the rotation pauses with the port, it is not stopped";

  SimProcess again;
  Reopen(again, {"modbus", "--delay-ms", "1"});
  // A request whose answer was lost with the device is waited for until the
  // response time-out: let it run out.
  live.clock.now += 60;
  const std::int64_t frames = live.dialog->counters.receivedFrames;
  EXPECT_TRUE(live.TickUntil([&] { return live.dialog->counters.receivedFrames >= frames + 4; }))
      << "the rotation did not go on after the reopen";
  EXPECT_TRUE(files.Read("capture.txt") == HexOf(live.port.read));
}

TEST(StalledPeerTest, LargeSendGivesUpAfterASecondAndShowsWhatWasTaken) {
  PtyPair pty;  // its master is never read: the line stalls once its buffers are full
  ASSERT_TRUE(pty.ok());
  LiveDialog live;
  live.Start(pty.path());
  ASSERT_TRUE(live.dialog->portOpen) << ::testing::PrintToString(live.prompts.Texts());
  constexpr std::size_t kRequestSize = 200'000;
  live.controls.SetCheck(kIdShowSent, 1);
  live.controls.SetCheck(kIdHexDisplay, 0);
  live.controls.SetCheck(kIdHex1, 0);
  live.controls.SetText(kIdRequest1, std::string(kRequestSize, 'A'));

  const auto start = steady_clock::now();
  live.Click(kIdSend1);
  const auto took = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
  EXPECT_GE(took.count(), 900) << "gave up before a second without progress";
  EXPECT_LT(took.count(), 3000) << "the window hung on a stalled line";

  const TrafficCounters& counters = live.dialog->counters;
  EXPECT_EQ(counters.requestsSent, 1);
  const auto accepted = static_cast<std::size_t>(counters.sentBytes);
  EXPECT_GT(accepted, 0u);
  EXPECT_LT(accepted, kRequestSize);
  EXPECT_EQ(static_cast<std::size_t>(std::count(live.view.text.begin(), live.view.text.end(), 'A')),
            accepted)
      << "the echo must show exactly the bytes taken";
  EXPECT_TRUE(live.prompts.shown.empty()) << "a stall is not a lost device";

  // The ticks go on, and the other direction still works.
  ASSERT_TRUE(pty.Send({'o', 'k'}));
  EXPECT_TRUE(live.TickUntil([&] { return counters.receivedBytes == 2; }, milliseconds(1000)));
  EXPECT_TRUE(live.dialog->portOpen);

  // The far end holds exactly what was counted: no more turns up.
  const std::vector<std::uint8_t> arrived = pty.Receive(accepted);
  EXPECT_EQ(arrived.size(), accepted);
  EXPECT_TRUE(std::all_of(arrived.begin(), arrived.end(), [](std::uint8_t b) { return b == 'A'; }));
  std::uint8_t extra = 0;
  EXPECT_FALSE(
      test::WaitUntil([&] { return ::read(pty.master(), &extra, 1) == 1; }, milliseconds(200)))
      << "the far end got more than was counted";
}

}  // namespace
}  // namespace lirosa

namespace lirosa {
namespace {

// Drains the far end of the line until it has been empty for a moment;
// returns the bytes taken.
std::size_t Drain(int master) {
  std::size_t total = 0;
  std::uint8_t buffer[4096];
  test::WaitUntil(
      [&] {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) total += static_cast<std::size_t>(n);
        return n < 0 && errno == EAGAIN;
      },
      milliseconds(2000));
  return total;
}

// An auto send every tick into a line nobody reads: after the first write
// has given up, the ticks stay short; once the far end reads, sends go out
// again; closing the stalled port is immediate.
TEST(StalledPeerTest, CyclicSendsFailAtOnceAfterTheFirstTimeOutUntilTheLineDrains) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  LiveDialog live;
  live.Start(pty.path());
  ASSERT_TRUE(live.dialog->portOpen) << ::testing::PrintToString(live.prompts.Texts());
  live.controls.SetCheck(kIdHex1, 0);
  live.controls.SetText(kIdRequest1, std::string(1000, 'A'));
  live.controls.SetText(kIdPeriod1, "10");
  live.controls.SetCheck(kIdAuto1, 1);
  live.Click(kIdAuto1);
  const TrafficCounters& counters = live.dialog->counters;

  // Ticks as the window's timer gives them; each one's length measured.
  auto timedTick = [&] {
    const auto start = steady_clock::now();
    live.Tick();
    return std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
  };
  milliseconds first{0};
  for (int i = 0; i < 500 && first < milliseconds(900); ++i) first = std::max(first, timedTick());
  ASSERT_GE(first.count(), 900) << "the line never stalled";
  const std::int64_t sentBytes = counters.sentBytes;
  const std::int64_t requests = counters.requestsSent;

  milliseconds longest{0};
  for (int i = 0; i < 100; ++i) longest = std::max(longest, timedTick());
  // Each tick would wait out its second without the stall mark; a loaded
  // machine may stretch one, never to anything near that.
  EXPECT_LT(longest.count(), 400) << "a send on the stalled line waited again";
  EXPECT_EQ(counters.sentBytes, sentBytes);
  EXPECT_EQ(counters.requestsSent, requests) << "requests of which nothing went out were counted";
  EXPECT_TRUE(live.dialog->portOpen);

  // The far end reads: the next sends go out again.
  EXPECT_GT(Drain(pty.master()), 0u);
  EXPECT_TRUE(live.TickUntil([&] { return counters.sentBytes > sentBytes; }))
      << "sends did not resume once the line drained";
  EXPECT_GT(Drain(pty.master()), 0u);

  // Stalled once more, the port still closes at once.
  first = milliseconds(0);
  for (int i = 0; i < 500 && first < milliseconds(900); ++i) first = std::max(first, timedTick());
  const auto start = steady_clock::now();
  live.Click(kIdOpenClose);
  EXPECT_LT(std::chrono::duration_cast<milliseconds>(steady_clock::now() - start).count(), 500);
  EXPECT_FALSE(live.dialog->portOpen);
  EXPECT_EQ(live.controls.Text(kIdOpenClose), kCaptionOpen);
}

}  // namespace
}  // namespace lirosa
