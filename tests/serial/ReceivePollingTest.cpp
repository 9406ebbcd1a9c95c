#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "support/DialogFixture.h"
#include "support/TempDir.h"
#include "transmit/HexText.h"

namespace lirosa::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t n, int seed) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7 + seed) % 251);
  return bytes;
}

Bytes Joined(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Hex records separated by `separator`, read back into bytes.
std::vector<Bytes> ParseRecords(const std::string& text, const std::string& separator) {
  std::vector<Bytes> records;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    Bytes bytes;
    EXPECT_EQ(HexTextToBytes(text.substr(start, end - start), false, bytes), HexParseResult::Ok);
    records.push_back(bytes);
    start = end + separator.size();
  }
  return records;
}

// The port is open, records are hex, one to a display line, and the display
// never clears itself. Options are set on the controls, since every tick
// pulls them into the window's state.
class ReceivePollingTest : public DialogFixture {
 protected:
  void SetUp() override {
    Start();
    ASSERT_TRUE(dialog->portOpen);
    controls.SetCheck(kIdAutoClear, 0);
    controls.SetCheck(kIdNewLine, 1);
  }

  void Feed(const Bytes& bytes) { port.Feed(bytes); }
  std::vector<Bytes> ShownFrames() const { return ParseRecords(view.text, "\r"); }
  std::int64_t Frames() const { return dialog->counters.receivedFrames; }
  std::int64_t ReceivedBytes() const { return dialog->counters.receivedBytes; }
};

// ---- When a frame ends ----------------------------------------------------------

struct PhaseRow {
  const char* name;
  int emptyPollsBefore;  // sets the phase of the idle count
  int emptyPollsToEnd;
};

void PrintTo(const PhaseRow& row, std::ostream* os) { *os << row.name; }

class FrameEndPhaseTest : public ReceivePollingTest,
                          public ::testing::WithParamInterface<PhaseRow> {};

TEST_P(FrameEndPhaseTest, SingleByteEndsAfterTheRestOfTheIdleCount) {
  const PhaseRow& row = GetParam();
  Ticks(row.emptyPollsBefore);
  Feed({0x01});
  Ticks(1);
  EXPECT_TRUE(dialog->rxActivity);
  Ticks(row.emptyPollsToEnd - 1);
  EXPECT_EQ(Frames(), 0);
  EXPECT_EQ(view.text, "");
  Ticks(1);
  EXPECT_EQ(Frames(), 1);
  EXPECT_EQ(controls.Text(kIdReceivedFrames), "1");
  EXPECT_EQ(view.text, "01 ");
}

INSTANTIATE_TEST_SUITE_P(Phases, FrameEndPhaseTest,
                         ::testing::Values(PhaseRow{"InStep", 0, 4}, PhaseRow{"OneAhead", 1, 3},
                                           PhaseRow{"TwoAhead", 2, 2}, PhaseRow{"ThreeAhead", 3, 1},
                                           // The count wrapped to 0 at four empty polls.
                                           PhaseRow{"Wrapped", 4, 4},
                                           PhaseRow{"WrappedOneAhead", 5, 3}),
                         [](const ::testing::TestParamInfo<PhaseRow>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(ReceivePollingTest, BytesDoNotRestartTheIdleCountSoAShortGapJoinsBursts) {
  Feed({0x01});
  Ticks(1);
  Ticks(2);
  Feed({0x02});
  Ticks(1);
  Ticks(1);
  EXPECT_EQ(Frames(), 0);
  Ticks(1);  // the fourth empty poll since start-up
  EXPECT_EQ(Frames(), 1);
  EXPECT_EQ(view.text, "01 02 ");
}

// ---- Reading what the driver holds ----------------------------------------------------

TEST_F(ReceivePollingTest, OverlongFrameEndsAndTheChunkBeginsTheNext) {
  TempDir captureDir;
  controls.SetText(kIdCaptureFileName, captureDir.File("capture.txt"));
  dialog->capturing = true;
  dialog->responseWait.awaitingResponse = true;

  const std::vector<Bytes> chunks = {Pattern(1024, 1), Pattern(1024, 2), Pattern(1024, 3),
                                     Pattern(1000, 4), Pattern(100, 5),  Pattern(20, 6)};
  for (std::size_t i = 0; i < 4; ++i) {
    Feed(chunks[i]);
    Ticks(1);
  }
  // 4072 bytes held: still one frame, under way.
  EXPECT_EQ(Frames(), 0);
  EXPECT_TRUE(dialog->responseWait.awaitingResponse);

  // 4072 + 100 would fill the frame buffer: the 4072 bytes end as a frame.
  Feed(chunks[4]);
  Ticks(1);
  EXPECT_EQ(Frames(), 1);
  EXPECT_FALSE(dialog->responseWait.awaitingResponse);
  EXPECT_EQ(ShownFrames(),
            (std::vector<Bytes>{Joined({chunks[0], chunks[1], chunks[2], chunks[3]})}));

  Feed(chunks[5]);
  Ticks(1);
  Ticks(4);
  EXPECT_EQ(Frames(), 2);
  EXPECT_EQ(ReceivedBytes(), 4192);
  EXPECT_EQ(controls.Text(kIdReceivedBytes), "4192");
  EXPECT_EQ(controls.Text(kIdReceivedFrames), "2");
  const std::vector<Bytes> expected = {Joined({chunks[0], chunks[1], chunks[2], chunks[3]}),
                                       Joined({chunks[4], chunks[5]})};
  EXPECT_EQ(ShownFrames(), expected);
  // Each captured record ends its line, as the new-line option asks.
  EXPECT_EQ(ParseRecords(captureDir.Read("capture.txt"), "\r\n"), expected);
}

TEST_F(ReceivePollingTest, OneTickTakesEverythingQueued) {
  const Bytes burst = Pattern(5000, 9);
  Feed(burst);
  Ticks(1);
  EXPECT_TRUE(port.input.empty());
  EXPECT_EQ(ReceivedBytes(), 5000);
  EXPECT_EQ(controls.Text(kIdReceivedBytes), "5000");
  EXPECT_TRUE(dialog->rxActivity);
  // The fourth 1024-byte chunk would have filled the frame buffer.
  EXPECT_EQ(Frames(), 1);

  Ticks(4);
  EXPECT_EQ(Frames(), 2);
  const std::vector<Bytes> frames = ShownFrames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].size(), 3072u);
  EXPECT_EQ(frames[1].size(), 1928u);
  EXPECT_EQ(Joined(frames), burst);
}

TEST_F(ReceivePollingTest, FloodIsTakenInBoundedSlicesPerTick) {
  Feed(Pattern(100000, 3));
  Ticks(1);
  EXPECT_EQ(ReceivedBytes(), 64 * 1024);
  EXPECT_EQ(port.input.size(), 100000u - 64 * 1024);
  Ticks(1);
  EXPECT_EQ(ReceivedBytes(), 100000);
  EXPECT_TRUE(port.input.empty());
}

TEST_F(ReceivePollingTest, PausedDisplayStillCountsAndEndsTheWait) {
  TempDir captureDir;
  controls.SetText(kIdCaptureFileName, captureDir.File("capture.txt"));
  dialog->capturing = true;
  ASSERT_TRUE(dialog->OnCommand(kIdPauseDisplay, Notification::Clicked));
  ASSERT_FALSE(dialog->displayActive);
  dialog->responseWait.awaitingResponse = true;

  Feed({0x01, 0x02});
  Ticks(5);
  EXPECT_EQ(Frames(), 1);
  EXPECT_EQ(ReceivedBytes(), 2);
  EXPECT_FALSE(dialog->responseWait.awaitingResponse);
  EXPECT_EQ(view.text, "");
  EXPECT_FALSE(std::filesystem::exists(captureDir.File("capture.txt")));
}

// ---- The key-word filter ------------------------------------------------------------

struct KeywordRow {
  const char* name;
  int filter;
  int hexDisplay;
  std::string keyword;
  Bytes frame;
  bool shown;
};

void PrintTo(const KeywordRow& row, std::ostream* os) { *os << row.name; }

class KeywordTest : public ReceivePollingTest, public ::testing::WithParamInterface<KeywordRow> {};

TEST_P(KeywordTest, FiltersTheFrame) {
  const KeywordRow& row = GetParam();
  controls.SetCheck(kIdKeywordFilter, row.filter);
  controls.SetCheck(kIdHexDisplay, row.hexDisplay);
  controls.SetText(kIdKeyword, row.keyword);
  dialog->responseWait.awaitingResponse = true;
  Feed(row.frame);
  Ticks(5);
  // Shown or not, the frame is counted and is the awaited answer.
  EXPECT_EQ(Frames(), 1);
  EXPECT_FALSE(dialog->responseWait.awaitingResponse);
  EXPECT_EQ(view.text.empty(), !row.shown) << view.text;
}

const Bytes kModbus{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

INSTANTIATE_TEST_SUITE_P(
    Keywords, KeywordTest,
    ::testing::Values(
        KeywordRow{"HexInsideLongerFrame", 1, 1, "03 00", kModbus, true},
        KeywordRow{"HexAtTheVeryEnd", 1, 1, "00 0A", kModbus, true},
        KeywordRow{"HexEqualToTheFrame", 1, 1, "01 03 00 00 00 0A", kModbus, true},
        KeywordRow{"HexLowerCaseKeyword", 1, 1, "0a", kModbus, true},
        KeywordRow{"HexJoinedDigits", 1, 1, "0300", kModbus, true},
        KeywordRow{"HexAbsent", 1, 1, "FF", kModbus, false},
        KeywordRow{"HexLongerThanTheFrame", 1, 1, "01 03 00 00 00 0A 00", kModbus, false},
        KeywordRow{"BadHexKeywordShowsNothing", 1, 1, "0G", kModbus, false},
        KeywordRow{"EmptyKeywordIsUnfiltered", 1, 1, "", kModbus, true},
        KeywordRow{"FilterOffIgnoresTheKeyword", 0, 1, "FF", kModbus, true},
        KeywordRow{"TextInsideLongerFrame", 1, 0, "OK", TextBytes("xxOKyy"), true},
        KeywordRow{"TextEqualToTheFrame", 1, 0, "OK", TextBytes("OK"), true},
        KeywordRow{"TextIsCaseSensitive", 1, 0, "ok", TextBytes("xxOKyy"), false},
        KeywordRow{"TextKeywordOfTwelveBytes", 1, 0, "STATUS=READY", TextBytes("STATUS=READY"),
                   true},
        KeywordRow{"TextChineseKeyword", 1, 0, "接收", TextBytes("数据接收完毕"), true},
        // In text mode the key word is its own bytes, not hex.
        KeywordRow{"TextModeTakesHexLiterally", 1, 0, "01", kModbus, false}),
    [](const ::testing::TestParamInfo<KeywordRow>& info) { return std::string(info.param.name); });

TEST(ContainsKeywordTest, EmptyKeyMatchesAndLongerKeyDoesNot) {
  const std::uint8_t frame[] = {0x01, 0x02};
  const std::uint8_t key[] = {0x01, 0x02, 0x03};
  EXPECT_TRUE(MonitorDialog::ContainsKeyword(frame, 2, key, 0));
  EXPECT_TRUE(MonitorDialog::ContainsKeyword(frame, 2, key, 2));
  EXPECT_FALSE(MonitorDialog::ContainsKeyword(frame, 2, key, 3));
  EXPECT_FALSE(MonitorDialog::ContainsKeyword(frame, 2, key + 1, 2));
}

// ---- Failures of the device -------------------------------------------------------------

class DeviceGoneTest : public ReceivePollingTest,
                       public ::testing::WithParamInterface<const char*> {};

TEST_P(DeviceGoneTest, ClosesThePortAndSaysSoOnce) {
  port.failCall = GetParam();
  port.failError = EIO;
  port.failAlways = true;
  Feed({0x01});
  Ticks(5);
  EXPECT_FALSE(dialog->portOpen);
  EXPECT_FALSE(port.open);
  EXPECT_EQ(controls.Text(kIdOpenClose), "打开串口");
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"通信端口<COM1>已断开!"});
  EXPECT_EQ(ReceivedBytes(), 0);
}

INSTANTIATE_TEST_SUITE_P(Calls, DeviceGoneTest, ::testing::Values("QueuedCount", "Read"));

TEST_F(ReceivePollingTest, OtherErrorsCountAsEmptyPolls) {
  Feed({0x01});
  Ticks(1);
  port.failCall = "QueuedCount";
  port.failError = EINVAL;
  port.failAlways = true;
  Ticks(3);
  EXPECT_EQ(Frames(), 0);
  Ticks(1);
  EXPECT_EQ(Frames(), 1);
  EXPECT_TRUE(dialog->portOpen);
  EXPECT_TRUE(prompts.shown.empty());
}

// ---- The tick around the poll -------------------------------------------------------------

TEST_F(ReceivePollingTest, ClosedPortReadsNothingAndKeepsThePartFrame) {
  Feed({0x01});
  Ticks(1);
  ASSERT_TRUE(dialog->OnCommand(kIdOpenClose, Notification::Clicked));
  ASSERT_FALSE(dialog->portOpen);
  Feed({0x02});
  Ticks(10);
  EXPECT_EQ(port.input.size(), 1u);
  EXPECT_EQ(ReceivedBytes(), 1);
  EXPECT_EQ(Frames(), 0);

  // Opening again discards what the driver held; the part frame goes on.
  ASSERT_TRUE(dialog->OnCommand(kIdOpenClose, Notification::Clicked));
  ASSERT_TRUE(dialog->portOpen);
  Ticks(4);
  EXPECT_EQ(Frames(), 1);
  EXPECT_EQ(view.text, "01 ");
}

}  // namespace
}  // namespace lirosa::test
