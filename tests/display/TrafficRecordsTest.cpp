#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "support/DialogFixture.h"
#include "support/TempDir.h"

namespace lirosa::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kStamp = "[2024:01:02:03:04:05]";  // the fake clock's local time
const Bytes kModbus{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};

class TrafficRecordsTest : public DialogFixture {
 protected:
  void SetUp() override {
    Start();
    dialog->autoClear = 0;
  }

  TempDir captureDir;

  void Options(int hex, int stamp, int sent, int line) {
    dialog->hexDisplay = hex;
    dialog->timeStamp = stamp;
    dialog->showSent = sent;
    dialog->newLine = line;
  }

  // Captures into a fresh file from now on.
  void CaptureOn() {
    dialog->captureFileName = captureDir.File("capture.txt");
    dialog->capturing = true;
  }
  std::string Captured() const {
    return std::filesystem::exists(captureDir.File("capture.txt")) ? captureDir.Read("capture.txt")
                                                                   : "";
  }

  void Show(const Bytes& bytes) { dialog->ShowReceived(bytes.data(), bytes.size()); }
  void Echo(const Bytes& bytes) { dialog->EchoSent(bytes.data(), bytes.size()); }
};

// ---- The worked example under every combination of the options ---------------

struct OptionRow {
  const char* name;
  int timeStamp;
  int showSent;
  int newLine;
  std::string appended;
};

void PrintTo(const OptionRow& row, std::ostream* os) { *os << row.name; }

class WorkedExampleTest : public TrafficRecordsTest,
                          public ::testing::WithParamInterface<OptionRow> {};

TEST_P(WorkedExampleTest, ReceivedFrameIsAppendedInRed) {
  const OptionRow& row = GetParam();
  view.Append("earlier", kSentColour);
  Options(1, row.timeStamp, row.showSent, row.newLine);
  Show(kModbus);
  EXPECT_EQ(view.text, "earlier" + row.appended);
  ASSERT_EQ(view.pieces.size(), 2u);
  // The line break takes the record's colour too.
  EXPECT_EQ(view.pieces[1].text, row.appended);
  EXPECT_EQ(view.pieces[1].colour, kReceivedColour);
  EXPECT_EQ(view.clears, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Options, WorkedExampleTest,
    ::testing::Values(
        OptionRow{"Bare", 0, 0, 0, "01 03 00 00 00 0A "},
        OptionRow{"NewLine", 0, 0, 1, "\r01 03 00 00 00 0A "},
        OptionRow{"Tag", 0, 1, 0, "[接收]01 03 00 00 00 0A "},
        OptionRow{"TagNewLine", 0, 1, 1, "\r[接收]01 03 00 00 00 0A "},
        OptionRow{"Stamp", 1, 0, 0, "[2024:01:02:03:04:05]01 03 00 00 00 0A "},
        OptionRow{"StampNewLine", 1, 0, 1, "\r[2024:01:02:03:04:05]01 03 00 00 00 0A "},
        OptionRow{"StampTag", 1, 1, 0, "[2024:01:02:03:04:05][接收]01 03 00 00 00 0A "},
        OptionRow{"StampTagNewLine", 1, 1, 1, "\r[2024:01:02:03:04:05][接收]01 03 00 00 00 0A "}),
    [](const ::testing::TestParamInfo<OptionRow>& info) { return std::string(info.param.name); });

TEST_F(TrafficRecordsTest, AppendRecordReturnsTheDecoratedTextWithoutTheLineBreak) {
  view.Append("earlier", kSentColour);
  Options(1, 1, 1, 1);
  EXPECT_EQ(dialog->AppendRecord("41 ", "[发送]", kSentColour), kStamp + "[发送]41 ");
  dialog->showSent = 0;
  // Without showSent no record carries a tag, whatever the caller passes.
  EXPECT_EQ(dialog->AppendRecord("42 ", "[发送]", kSentColour), kStamp + "42 ");
  EXPECT_EQ(view.text, "earlier\r" + kStamp + "[发送]41 \r" + kStamp + "42 ");
}

TEST_F(TrafficRecordsTest, StampedRecordsWithoutNewLineShareOneLine) {
  Options(1, 1, 0, 0);
  Show({0x01});
  Show({0x02});
  EXPECT_EQ(view.text, kStamp + "01 " + kStamp + "02 ");
  EXPECT_EQ(view.LineCount(), 1);
}

// ---- Where a line break goes -----------------------------------------------------

TEST_F(TrafficRecordsTest, LineBreakOnlyWhenTheDisplayHoldsMoreThanOneCharacter) {
  Options(1, 0, 0, 1);
  Show({0x01});
  EXPECT_EQ(view.text, "01 ") << "first record of an empty display";

  view.Clear();
  view.Append("x", kSentColour);
  Show({0x02});
  EXPECT_EQ(view.text, "x02 ") << "display holding one character";

  view.Clear();
  // One character, though three bytes: the display counts characters.
  view.Append("接", kSentColour);
  Show({0x03});
  EXPECT_EQ(view.text, "接03 ");

  view.Clear();
  view.Append("xy", kSentColour);
  Show({0x04});
  EXPECT_EQ(view.text, "xy\r04 ");
}

// ---- Auto-clear --------------------------------------------------------------------

struct ClearRow {
  const char* name;
  int autoClear;
  std::size_t frameLength;
  bool cleared;
};

void PrintTo(const ClearRow& row, std::ostream* os) { *os << row.name; }

class AutoClearTest : public TrafficRecordsTest, public ::testing::WithParamInterface<ClearRow> {};

TEST_P(AutoClearTest, ClearsBeforeARecordThatWouldNotFit) {
  const ClearRow& row = GetParam();
  Options(1, 1, 1, 1);
  dialog->autoClear = row.autoClear;
  dialog->lineChars = 84;
  dialog->displayRows = 15;
  const std::string thirteenLines = "1\r2\r3\r4\r5\r6\r7\r8\r9\r10\r11\r12\r13";
  view.Append(thirteenLines, kSentColour);
  ASSERT_EQ(view.LineCount(), 13);

  Show(Bytes(row.frameLength, 0x55));

  std::string data;
  for (std::size_t i = 0; i < row.frameLength; ++i) data += "55 ";
  const std::string record = kStamp + "[接收]" + data;
  if (row.cleared) {
    EXPECT_EQ(view.clears, 1);
    // A record after a clear starts at the top, without a line break.
    EXPECT_EQ(view.text, record);
  } else {
    EXPECT_EQ(view.clears, 0);
    EXPECT_EQ(view.text, thirteenLines + "\r" + record);
  }
}

// 13 lines shown, 84 characters a line, 15 rows: the data alone decides, in
// whole lines (integer division), and only more than 15 clears.
INSTANTIATE_TEST_SUITE_P(Rows, AutoClearTest,
                         ::testing::Values(ClearRow{"HundredBytesClear", 1, 100, true},
                                           ClearRow{"TwentyBytesAppend", 1, 20, false},
                                           ClearRow{"TwoLinesOfDataStillFit", 1, 83, false},
                                           ClearRow{"ThreeLinesOfDataClear", 1, 84, true},
                                           ClearRow{"IndeterminateBoxCountsAsOn", 2, 100, true},
                                           ClearRow{"OffNeverClears", 0, 100, false}),
                         [](const ::testing::TestParamInfo<ClearRow>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(TrafficRecordsTest, AutoClearCountsWrappedLines) {
  Options(1, 0, 0, 0);
  dialog->autoClear = 1;
  dialog->lineChars = 84;
  dialog->displayRows = 15;
  view.wrapWidth = 10;
  view.Append(std::string(151, 'x'), kSentColour);  // one line that wraps into 16
  Show({0x01});
  EXPECT_EQ(view.clears, 1);
  EXPECT_EQ(view.text, "01 ");
}

// ---- Text mode ------------------------------------------------------------------

TEST_F(TrafficRecordsTest, TextModeLeavesZeroBytesOutAndKeepsTheRest) {
  Options(0, 0, 0, 0);
  Show({0x41, 0x42, 0x00, 0x43});
  EXPECT_EQ(view.text, "ABC");
}

TEST_F(TrafficRecordsTest, TextModeShowsInvalidUtf8AsReplacementCharacters) {
  Options(0, 0, 0, 0);
  Show({0x4F, 0x4B, 0xFF, 0xE6, 0x8E, 0xA5});
  EXPECT_EQ(view.text, "OK\xEF\xBF\xBD接");
}

TEST_F(TrafficRecordsTest, CaptureGetsTheTextAsDisplayed) {
  Options(0, 0, 1, 0);
  CaptureOn();
  Show({0x41, 0x00, 0x42, 0xFF});
  EXPECT_EQ(view.text, "[接收]AB\xEF\xBF\xBD");
  EXPECT_EQ(Captured(), view.text);
}

// ---- Echoes ------------------------------------------------------------------------

TEST_F(TrafficRecordsTest, FirstHexEchoIntoAnEmptyDisplayEndsInTwoSpaces) {
  Options(1, 0, 1, 0);
  Echo({0x01, 0x02});
  Echo({0x03});
  EXPECT_EQ(view.text, "[发送]01 02  [发送]03 ");
  ASSERT_EQ(view.pieces.size(), 2u);
  EXPECT_EQ(view.pieces[0].colour, kSentColour);
  EXPECT_EQ(view.pieces[1].colour, kSentColour);

  // Emptied again, the next echo gets the extra space again.
  dialog->ClearDisplay();
  Echo({0x04});
  EXPECT_EQ(view.text, "[发送]04  ");
}

TEST_F(TrafficRecordsTest, NothingWrittenLeavesNoEcho) {
  Options(1, 1, 1, 1);
  CaptureOn();
  Echo({});
  EXPECT_EQ(view.text, "");
  EXPECT_EQ(Captured(), "");
}

TEST_F(TrafficRecordsTest, EchoFollowsTheDisplayModeNotTheRequestForm) {
  controls.SetCheck(kIdShowSent, 1);
  controls.SetCheck(kIdHexDisplay, 1);
  controls.SetText(kIdRequest1, "AB");
  controls.SetCheck(kIdHex1, 0);
  dialog->OnCommand(kIdSend1, Notification::Clicked);

  controls.SetCheck(kIdHexDisplay, 0);
  controls.SetText(kIdRequest2, "41 42");
  controls.SetCheck(kIdHex2, 1);
  dialog->OnCommand(kIdSend2, Notification::Clicked);

  EXPECT_EQ(port.written, (Bytes{0x41, 0x42, 0x41, 0x42}));
  EXPECT_EQ(view.text, "[发送]41 42  [发送]AB");
}

TEST_F(TrafficRecordsTest, TextEchoIntoAnEmptyDisplayGetsNoExtraSpace) {
  Options(0, 0, 1, 0);
  Echo({0x41, 0x42});
  EXPECT_EQ(view.text, "[发送]AB");
}

// ---- Which records are shown --------------------------------------------------------

struct EmitRow {
  const char* name;
  RecordKind kind;
  bool displayActive;
  int showSent;
  std::string shown;     // empty: nothing reaches the display
  std::string captured;  // empty: nothing reaches the capture file
  Colour colour;
};

void PrintTo(const EmitRow& row, std::ostream* os) { *os << row.name; }

class EmitRecordTest : public TrafficRecordsTest, public ::testing::WithParamInterface<EmitRow> {};

TEST_P(EmitRecordTest, ShowsAndCapturesAsTheKindSays) {
  const EmitRow& row = GetParam();
  Options(1, 0, row.showSent, 0);
  dialog->displayActive = row.displayActive;
  CaptureOn();
  dialog->EmitRecord(row.kind, "41 42");
  EXPECT_EQ(view.text, row.shown);
  if (!row.shown.empty()) {
    ASSERT_EQ(view.pieces.size(), 1u);
    EXPECT_EQ(view.pieces[0].colour, row.colour);
  }
  EXPECT_EQ(Captured(), row.captured);
}

TEST_P(EmitRecordTest, CapturesNothingWhileCaptureIsOff) {
  const EmitRow& row = GetParam();
  Options(1, 0, row.showSent, 0);
  dialog->displayActive = row.displayActive;
  CaptureOn();
  dialog->capturing = false;
  dialog->EmitRecord(row.kind, "41 42");
  EXPECT_FALSE(std::filesystem::exists(captureDir.File("capture.txt")));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EmitRecordTest,
    ::testing::Values(EmitRow{"ReceivedWithoutTag", RecordKind::Received, true, 0, "41 42", "41 42",
                              kReceivedColour},
                      EmitRow{"ReceivedWithTag", RecordKind::Received, true, 1, "[接收]41 42",
                              "[接收]41 42", kReceivedColour},
                      EmitRow{"EchoHiddenWithoutShowSent", RecordKind::RequestEcho, true, 0, "", "",
                              kSentColour},
                      EmitRow{"EchoShown", RecordKind::RequestEcho, true, 1, "[发送]41 42",
                              "[发送]41 42", kSentColour},
                      // Not shown, so captured bare.
                      EmitRow{"EchoHiddenWhilePaused", RecordKind::RequestEcho, false, 1, "",
                              "41 42", kSentColour},
                      EmitRow{"FileLineHiddenWithoutShowSent", RecordKind::FileLine, true, 0, "",
                              "41 42", kSentColour},
                      EmitRow{"FileLineShown", RecordKind::FileLine, true, 1, "[发送]41 42",
                              "[发送]41 42", kSentColour},
                      EmitRow{"FileLineHiddenWhilePaused", RecordKind::FileLine, false, 1, "",
                              "41 42", kSentColour}),
    [](const ::testing::TestParamInfo<EmitRow>& info) { return std::string(info.param.name); });

// ---- Clearing by hand -------------------------------------------------------------

TEST_F(TrafficRecordsTest, ClearButtonEmptiesTheDisplayAndNothingElse) {
  Options(1, 1, 1, 1);
  Show(kModbus);
  dialog->counters.receivedFrames = 7;
  ASSERT_TRUE(dialog->OnCommand(kIdClearDisplay, Notification::Clicked));
  EXPECT_EQ(view.text, "");
  EXPECT_EQ(view.clears, 1);
  EXPECT_EQ(dialog->counters.receivedFrames, 7);
  EXPECT_EQ(dialog->hexDisplay, 1);
  EXPECT_EQ(dialog->timeStamp, 1);
  EXPECT_EQ(dialog->showSent, 1);
  EXPECT_EQ(dialog->newLine, 1);
  EXPECT_TRUE(dialog->displayActive);

  // The next record starts the emptied display without a line break.
  Show({0x01});
  EXPECT_EQ(view.text, kStamp + "[接收]01 ");
}

}  // namespace
}  // namespace lirosa::test
