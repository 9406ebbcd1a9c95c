#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QColor>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "e2e/LiveWindow.h"
#include "e2e/SimTrace.h"
#include "pty/SimProcess.h"
#include "support/TempDir.h"

namespace lirosa::test {
namespace {

using namespace std::chrono_literals;
using Kind = SimEvent::Kind;

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

// CRC-16/MODBUS, low byte first, worked out by hand for these frames.
constexpr const char* kRead = "01 03 00 00 00 01 84 0A";
constexpr const char* kReadAnswer = "01 03 02 00 00 B8 44";  // register 0 holds 0
constexpr const char* kWrite = "01 06 00 01 00 2A 59 D5";    // answered by itself

constexpr std::size_t kRoundTrips = 20;

// Picks the first "16 CRC" (low byte first) in the checksum dialog and
// confirms with "Да ".
void ChooseFirstCrc16(QWidget& modal) {
  if (auto* first = modal.findChild<QAbstractButton*>("id1041")) first->click();
  if (auto* yes = modal.findChild<QAbstractButton*>("id1")) yes->click();
}

void ExpectColour(const DisplayLine& line, const QColor& colour) {
  ASSERT_FALSE(line.colours.empty()) << line.text;
  for (const QColor& each : line.colours) EXPECT_EQ(each, colour) << line.text;
}

// Two requests with their checksums added by the tool, both in the rotation,
// paced by the device's answers: the device sees them alternately, each
// only after it has answered the one before.
TEST(TransmitE2eTest, ResponseDrivenRotationSendsEachRequestAfterTheLastAnswer) {
  TempDir logs;
  const std::string log = logs.File("sim.log");
  SimProcess sim;
  ASSERT_TRUE(sim.Start({"modbus", "--log", log}));
  LiveWindow window;
  window.Start(sim.Port());
  ASSERT_TRUE(window.Logic().portOpen) << "the window did not open " << sim.Port();

  window.SetText(kIdRequest1, "01 03 00 00 00 01");
  window.SetText(kIdRequest2, "01 06 00 01 00 2A");
  ASSERT_TRUE(window.ClickAnswering(kIdChecksum1, ChooseFirstCrc16));
  ASSERT_TRUE(window.ClickAnswering(kIdChecksum2, ChooseFirstCrc16));
  ASSERT_EQ(window.Text(kIdRequest1), kRead);
  ASSERT_EQ(window.Text(kIdRequest2), kWrite);

  window.Click(kIdRepeat1);
  window.Click(kIdRepeat2);
  window.Click(kIdPacingResponse);
  window.SetText(kIdResponseTimeout, "5");
  window.Click(kIdShowSent);
  window.Click(kIdNewLine);          // a record per display line
  window.SetCheck(kIdAutoClear, 0);  // and every record kept
  window.Click(kIdAllRequests);

  const bool enough = window.RunUntil(
      [&] { return CountMessages(log, Kind::Rx) > kRoundTrips; }, 20s);
  window.Click(kIdAllRequests);
  ASSERT_TRUE(enough) << "requests seen by the device: " << CountMessages(log, Kind::Rx);
  // The answer to the last request may still be on its way.
  ASSERT_TRUE(window.RunUntilAllAnswered(5s))
      << window.Text(kIdRequestsSent) << " requests, " << window.Text(kIdReceivedFrames)
      << " answers";

  const std::vector<SimMessage> line = JoinChunks(ReadSimTrace(log));
  const std::size_t requests = std::stoul(window.Text(kIdRequestsSent));
  ASSERT_EQ(line.size(), 2 * requests);
  std::vector<std::int64_t> gapsUs;
  for (std::size_t i = 0; i < requests; ++i) {
    const SimMessage& request = line[2 * i];
    const SimMessage& answer = line[2 * i + 1];
    const bool read = i % 2 == 0;
    ASSERT_EQ(request.kind, Kind::Rx) << "message " << 2 * i;
    ASSERT_EQ(answer.kind, Kind::Tx) << "message " << 2 * i + 1;
    EXPECT_EQ(request.hex, read ? kRead : kWrite) << "request " << i;
    EXPECT_EQ(answer.hex, read ? kReadAnswer : kWrite) << "answer " << i;
    EXPECT_LE(request.lastMicros, answer.firstMicros) << "request " << i;
    if (i == 0) continue;
    const SimMessage& previousAnswer = line[2 * i - 1];
    EXPECT_GT(request.firstMicros, previousAnswer.lastMicros) << "request " << i;
    gapsUs.push_back(request.firstMicros - previousAnswer.lastMicros);
  }

  // From the end of an answer on the line to the next request: the read at
  // the next tick, one to four silent ticks to end the frame, then the send
  // on the tick after.
  ASSERT_FALSE(gapsUs.empty());
  std::sort(gapsUs.begin(), gapsUs.end());
  const std::int64_t minUs = gapsUs.front();
  const std::int64_t medianUs = gapsUs[gapsUs.size() / 2];
  const std::int64_t maxUs = gapsUs.back();
  RecordProperty("answer_to_next_request_round_trips", static_cast<int>(gapsUs.size()));
  RecordProperty("answer_to_next_request_min_us", static_cast<int>(minUs));
  RecordProperty("answer_to_next_request_median_us", static_cast<int>(medianUs));
  RecordProperty("answer_to_next_request_max_us", static_cast<int>(maxUs));
  std::printf("answer end to next request over %zu round trips: min %.1f ms, median %.1f ms, "
              "max %.1f ms\n",
              gapsUs.size(), minUs / 1000.0, medianUs / 1000.0, maxUs / 1000.0);
  // Typically 45 ms; a loaded machine stretches ticks, so the bound only
  // catches a wait of many ticks or a time-out instead of the answer.
  EXPECT_LT(medianUs, 150'000);

  // The display: each echo in blue, then its answer in red, tagged.
  const std::vector<DisplayLine> shown = window.Display();
  ASSERT_EQ(shown.size(), 2 * requests);
  for (std::size_t i = 0; i < requests; ++i) {
    const bool read = i % 2 == 0;
    // The first echo into the empty display ends in two spaces.
    const std::string echoEnd = i == 0 ? "  " : " ";
    EXPECT_EQ(shown[2 * i].text, std::string("[发送]") + (read ? kRead : kWrite) + echoEnd);
    EXPECT_EQ(shown[2 * i + 1].text, std::string("[接收]") + (read ? kReadAnswer : kWrite) + " ");
    ExpectColour(shown[2 * i], kBlue);
    ExpectColour(shown[2 * i + 1], kRed);
  }
  EXPECT_EQ(window.Text(kIdSentBytes), std::to_string(8 * requests));
}

}  // namespace
}  // namespace lirosa::test
