#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "support/CallDeadline.h"
#include "support/DialogFixture.h"
#include "transmit/LineIndex.h"

namespace lirosa::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kTwoLines = "01 03 00 00 00 0A\r\n01 03 00 01 00 01\r\n";
const Bytes kLine1 = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
const Bytes kLine2 = {0x01, 0x03, 0x00, 0x01, 0x00, 0x01};

class FileSendingTest : public DialogFixture {
 protected:
  void SetUp() override {
    Start();
    // Every tick pulls the controls into the window state, so the test sets
    // its options where the user would.
    controls.SetText(kIdCyclePeriod, "100");
  }

  // Chooses `content` as the file to send through the file chooser.
  void Choose(const std::string& content, const std::string& name = "send.txt") {
    files.Write(name, content);
    prompts.fileAnswers.push_back(files.File(name));
    dialog->OnCommand(kIdChooseSendFile, Notification::Clicked);
  }
  void StartStop() { dialog->OnCommand(kIdFileCycling, Notification::Clicked); }

  // Ticks one at a time until the port has been written to again, at most
  // `limit` ticks; returns the ticks taken (0: nothing was written).
  int TicksToNextWrite(int limit) {
    std::size_t before = port.written.size();
    for (int i = 1; i <= limit; ++i) {
      Ticks(1);
      if (port.written.size() != before) return i;
    }
    return 0;
  }
  // What the last write put on the line.
  Bytes LastWrite(std::size_t size) const {
    return Bytes(port.written.end() - static_cast<long>(size), port.written.end());
  }

  TempDir files;
};

// ---- Choosing a file ------------------------------------------------------------

TEST_F(FileSendingTest, ChoosingCountsLinesSetsTheTitleAndSelectsPeriodicPacing) {
  dialog->OnCommand(kIdPacingResponse, Notification::Clicked);
  Choose("01\n\n02\r\n03");

  ASSERT_EQ(prompts.fileQuestions.size(), 1u);
  const FileChoice& asked = prompts.fileQuestions[0];
  EXPECT_EQ(asked.filterName, "文本文件(*.txt)");
  EXPECT_EQ(asked.filterPattern, "*.txt");
  EXPECT_EQ(asked.defaultSuffix, "txt");
  EXPECT_TRUE(asked.mustExist);

  EXPECT_EQ(dialog->fileJob.path, files.File("send.txt"));
  EXPECT_EQ(window.title, "Lirosa4.5 发送文件" + files.File("send.txt"));
  EXPECT_EQ(controls.Text(kIdFileLineCount), "4");
  EXPECT_EQ(dialog->cycle.pacingMode, PacingMode::Periodic);
  EXPECT_EQ(controls.Check(kIdPacingPeriodic), 1);
  EXPECT_EQ(controls.Check(kIdPacingResponse), 0);
  EXPECT_TRUE(controls.IsEnabled(kIdCyclePeriod));
  EXPECT_FALSE(controls.IsEnabled(kIdResponseTimeout));
  EXPECT_FALSE(controls.IsEnabled(kIdRetryLimit));
  // Choosing neither starts nor stops sending.
  EXPECT_FALSE(dialog->fileJob.running);
}

// ---- Starting and stopping ---------------------------------------------------------

TEST_F(FileSendingTest, StartingWithoutAFileIsRefused) {
  StartStop();
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"您还没选择文件，无有进行发送！"});
  EXPECT_EQ(prompts.shown[0].kind, FakePrompts::Kind::Plain);
  EXPECT_FALSE(dialog->fileJob.running);
}

TEST_F(FileSendingTest, StartingWhileTheRotationRunsIsRefused) {
  Choose(kTwoLines);
  dialog->OnCommand(kIdAllRequests, Notification::Clicked);
  ASSERT_TRUE(dialog->allRequests.running);
  StartStop();
  EXPECT_EQ(
      prompts.Texts(),
      std::vector<std::string>{"发送区轮发正在进行，不能进行文件发送，如需要，请先停止文件发送！"});
  EXPECT_FALSE(dialog->fileJob.running);
}

TEST_F(FileSendingTest, StartAndStopSwitchCaptionAndTheRotationButton) {
  Choose(kTwoLines);
  StartStop();
  EXPECT_TRUE(dialog->fileJob.running);
  EXPECT_EQ(controls.Text(kIdFileCycling), "停止文件轮发");
  EXPECT_FALSE(controls.IsEnabled(kIdAllRequests));

  ASSERT_EQ(TicksToNextWrite(8), 8);
  EXPECT_EQ(dialog->fileJob.nextLine, 2);
  StartStop();
  EXPECT_FALSE(dialog->fileJob.running);
  EXPECT_EQ(controls.Text(kIdFileCycling), "开始文件轮发");
  EXPECT_TRUE(controls.IsEnabled(kIdAllRequests));
  EXPECT_EQ(dialog->fileJob.nextLine, 1);
  EXPECT_EQ(TicksToNextWrite(50), 0);
}

// ---- Periodic pacing ----------------------------------------------------------------

TEST_F(FileSendingTest, PeriodicSendsEveryEighthTickAtPeriod100AndWraps) {
  Choose(kTwoLines);
  StartStop();
  std::vector<std::string> shownLines;
  // 8 x 14 = 112 is the first multiple over 100.
  for (const Bytes& expected : {kLine1, kLine2, kLine1}) {
    ASSERT_EQ(TicksToNextWrite(20), 8);
    EXPECT_EQ(LastWrite(expected.size()), expected);
    shownLines.push_back(controls.Text(kIdFileCurrentLine));
  }
  EXPECT_EQ(shownLines, (std::vector<std::string>{"1", "2", "1"}));
  EXPECT_EQ(dialog->counters.requestsSent, 3);
  EXPECT_EQ(dialog->counters.sentBytes, 18);
  EXPECT_EQ(controls.Text(kIdRequestsSent), "3");
  EXPECT_EQ(controls.Text(kIdSentBytes), "18");
}

TEST_F(FileSendingTest, SendOnceStopsAfterTheLastLine) {
  controls.SetCheck(kIdSendOnce, 1);
  Choose(kTwoLines);
  StartStop();
  ASSERT_EQ(TicksToNextWrite(20), 8);
  ASSERT_EQ(TicksToNextWrite(20), 8);
  EXPECT_FALSE(dialog->fileJob.running);
  EXPECT_EQ(controls.Text(kIdFileCycling), "开始文件轮发");
  EXPECT_TRUE(controls.IsEnabled(kIdAllRequests));
  EXPECT_EQ(dialog->fileJob.nextLine, 1);
  EXPECT_EQ(TicksToNextWrite(50), 0);
  Bytes both = kLine1;
  both.insert(both.end(), kLine2.begin(), kLine2.end());
  EXPECT_EQ(port.written, both);
}

TEST_F(FileSendingTest, LowerCaseLineIsSentAndEchoedUpperCase) {
  controls.SetCheck(kIdShowSent, 1);
  Choose("0a ff\n");
  StartStop();
  ASSERT_EQ(TicksToNextWrite(20), 8);
  EXPECT_EQ(port.written, (Bytes{0x0A, 0xFF}));
  EXPECT_EQ(view.text, "[发送]0A FF");
  EXPECT_TRUE(dialog->txActivity);
}

// ---- Which lines go out ----------------------------------------------------------

struct LineRow {
  const char* name;
  std::string content;       // a file of two lines
  int hexBox;                // request 1's hex box
  std::vector<Bytes> sends;  // what each of the first two steps writes ({} = nothing)
};

class FileLineRowTest : public FileSendingTest, public ::testing::WithParamInterface<LineRow> {};

TEST_P(FileLineRowTest, SendsOrSkipsEachLine) {
  const LineRow& row = GetParam();
  controls.SetCheck(kIdHex1, row.hexBox);
  Choose(row.content);
  StartStop();
  std::int64_t sentLines = 0;
  for (std::size_t step = 0; step < row.sends.size(); ++step) {
    std::size_t before = port.written.size();
    Ticks(8);
    Bytes wrote(port.written.begin() + static_cast<long>(before), port.written.end());
    EXPECT_EQ(wrote, row.sends[step]) << "step " << step + 1;
    EXPECT_EQ(controls.Text(kIdFileCurrentLine), std::to_string(step + 1));
    if (!row.sends[step].empty()) ++sentLines;
  }
  // A skipped line is not counted, and the next step moves past it.
  EXPECT_EQ(dialog->counters.requestsSent, sentLines);
  EXPECT_TRUE(prompts.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FileLineRowTest,
    ::testing::Values(
        LineRow{"TabRejectedWithHexBoxClear", "01\t02\n03\n", 0, {{}, {0x03}}},
        LineRow{"TabRemovedWithHexBoxChecked", "01\t02\n03\n", 1, {{0x01, 0x02}, {0x03}}},
        LineRow{"PlainTextThatIsHexIsSentAsHex", "41 42 43\n44\n", 1, {{0x41, 0x42, 0x43}, {0x44}}},
        LineRow{"HelloIsRejectedAndSkipped", "HELLO\n41 42 43\n", 1, {{}, {0x41, 0x42, 0x43}}},
        LineRow{"EmptyLineIsSkipped", "\n0A\n", 1, {{}, {0x0A}}}),
    [](const ::testing::TestParamInfo<LineRow>& info) { return std::string(info.param.name); });

TEST_F(FileSendingTest, AnEmptyFileCountsZeroAndSendsNothing) {
  Choose("");
  EXPECT_EQ(controls.Text(kIdFileLineCount), "0");
  StartStop();
  EXPECT_EQ(TicksToNextWrite(100), 0);
  EXPECT_EQ(dialog->counters.requestsSent, 0);
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(FileSendingTest, AnEditTakesEffectAtTheNextStep) {
  Choose(kTwoLines);
  StartStop();
  ASSERT_EQ(TicksToNextWrite(20), 8);
  files.Write("send.txt", "0A 0A\r\n0B 0B 0B\r\n");
  ASSERT_EQ(TicksToNextWrite(20), 8);
  EXPECT_EQ(LastWrite(3), (Bytes{0x0B, 0x0B, 0x0B}));
}

TEST_F(FileSendingTest, ALineTheWriteCutsShortCountsWhatWentAndIsNotEchoed) {
  controls.SetCheck(kIdShowSent, 1);
  Choose("01 02 03\n04\n");
  StartStop();
  port.writeScript.push_back({2, ETIMEDOUT});
  ASSERT_EQ(TicksToNextWrite(20), 8);
  EXPECT_EQ(port.written, (Bytes{0x01, 0x02}));
  EXPECT_EQ(dialog->counters.requestsSent, 1);
  EXPECT_EQ(dialog->counters.sentBytes, 2);
  EXPECT_EQ(controls.Text(kIdSentBytes), "2");
  EXPECT_EQ(view.text, "");
  // The next step goes on with the next line.
  ASSERT_EQ(TicksToNextWrite(20), 8);
  EXPECT_EQ(LastWrite(1), (Bytes{0x04}));
}

// ---- Files that go away ---------------------------------------------------------

TEST_F(FileSendingTest, AFileDeletedAfterChoosingStopsCyclingWithTheFileError) {
  Choose(kTwoLines);
  StartStop();
  ASSERT_EQ(std::remove(files.File("send.txt").c_str()), 0);
  Ticks(8);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].kind, FakePrompts::Kind::Stop);
  EXPECT_EQ(prompts.shown[0].text, files.File("send.txt") + " 中包含无效的路径。");
  EXPECT_FALSE(dialog->fileJob.running);
  EXPECT_EQ(controls.Text(kIdFileCycling), "开始文件轮发");
  EXPECT_TRUE(controls.IsEnabled(kIdAllRequests));
  EXPECT_TRUE(port.written.empty());
  Ticks(50);
  EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(FileSendingTest, AFileThatCannotBeReadReportsAnUnknownErrorAndStops) {
  // A folder opens for reading on Linux; the read is what fails.
  const std::string folder = files.path().string();
  const std::string message = "在对 " + folder + " 进行访问时发生了一个不明错误。";
  prompts.fileAnswers.push_back(folder);
  dialog->OnCommand(kIdChooseSendFile, Notification::Clicked);
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{message});
  EXPECT_EQ(controls.Text(kIdFileLineCount), "0");

  StartStop();
  Ticks(8);
  EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{message, message}));
  EXPECT_EQ(prompts.shown.back().kind, FakePrompts::Kind::Stop);
  EXPECT_FALSE(dialog->fileJob.running);
}

// ---- Files that are no files, huge lines, huge files ------------------------------

struct EndlessRow {
  const char* name;
  std::string (*prepare)(const TempDir& dir);
};

class EndlessFileTest : public FileSendingTest, public ::testing::WithParamInterface<EndlessRow> {};

TEST_P(EndlessFileTest, IsRefusedWithAClearMessageWithoutWaiting) {
  const std::string path = GetParam().prepare(files);
  ASSERT_FALSE(path.empty());
  const std::string message = path + " 不是普通文件，无法发送。";
  CallDeadline deadline(std::chrono::milliseconds(3000));
  prompts.fileAnswers.push_back(path);
  dialog->OnCommand(kIdChooseSendFile, Notification::Clicked);
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{message});
  EXPECT_EQ(controls.Text(kIdFileLineCount), "0");
  StartStop();
  Ticks(8);
  EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{message, message}));
  EXPECT_FALSE(dialog->fileJob.running);
  EXPECT_TRUE(port.written.empty());
  EXPECT_FALSE(CallDeadline::Expired()) << "the window waited for the file";
}

INSTANTIATE_TEST_SUITE_P(
    Files, EndlessFileTest,
    ::testing::Values(EndlessRow{"DevZero", [](const TempDir&) { return std::string("/dev/zero"); }},
                      EndlessRow{"LinkToDevZero",
                                 [](const TempDir& dir) {
                                   std::filesystem::create_symlink("/dev/zero", dir.File("z.txt"));
                                   return dir.File("z.txt");
                                 }},
                      EndlessRow{"Fifo",
                                 [](const TempDir& dir) {
                                   const std::string path = dir.File("pipe.txt");
                                   return mkfifo(path.c_str(), 0644) == 0 ? path : std::string();
                                 }}),
    [](const ::testing::TestParamInfo<EndlessRow>& info) { return std::string(info.param.name); });

TEST_F(FileSendingTest, AnOverlongLineIsRefusedWithAMessageAndSkipped) {
  Choose("01\n" + std::string(LineIndex::kMaxLineBytes + 1, 'A') + "\n02\n");
  EXPECT_EQ(controls.Text(kIdFileLineCount), "3");
  StartStop();
  ASSERT_EQ(TicksToNextWrite(20), 8);
  EXPECT_EQ(LastWrite(1), Bytes{0x01});
  // Line 2 goes by with its message, and the step after it sends line 3.
  ASSERT_EQ(TicksToNextWrite(20), 16);
  EXPECT_EQ(LastWrite(1), Bytes{0x02});
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{files.File("send.txt") +
                                                      " 的第 2 行长于 1048576 字节，已跳过。"});
  EXPECT_EQ(dialog->counters.requestsSent, 2);
  EXPECT_TRUE(dialog->fileJob.running);
}

// More than two slices of the index: counted over the ticks, not at once.
class LargeFileTest : public FileSendingTest {
 protected:
  static std::string Lines(const char* line, std::size_t count) {
    std::string content;
    for (std::size_t i = 0; i < count; ++i) content += line;
    return content;
  }
  static constexpr std::size_t kLines = 2 * LineIndex::kSliceBytes / 3 + 7;
};

TEST_F(LargeFileTest, IsCountedOverTheTicksAndItsStepsWaitForTheCount) {
  Choose(Lines("0A\n", kLines));
  EXPECT_EQ(controls.Text(kIdFileLineCount), "") << "counted before choosing returned";
  StartStop();
  int ticks = 0;
  while (controls.Text(kIdFileLineCount).empty() && ticks < 100) {
    Ticks(1);
    ++ticks;
    if (controls.Text(kIdFileLineCount).empty()) {
      EXPECT_TRUE(port.written.empty());
    }
  }
  // Two slices after the one of the choice; the second tick already counts
  // towards the period.
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(controls.Text(kIdFileLineCount), std::to_string(kLines));
  EXPECT_EQ(TicksToNextWrite(20), 7);
  EXPECT_EQ(port.written, Bytes{0x0A});
}

TEST_F(LargeFileTest, IsCountedWhileThePortIsClosedAndTheWindowDoesNotRest) {
  dialog->OnCommand(kIdOpenClose, Notification::Clicked);
  ASSERT_FALSE(dialog->portOpen);
  Choose(Lines("0A\n", kLines));
  for (int i = 0; i < 20 && controls.Text(kIdFileLineCount).empty(); ++i) {
    dialog->OnTimer(kLineTimerId);
    dialog->OnTimer(kLampTimerId);
    EXPECT_FALSE(dialog->Resting() && dialog->fileLines.Building()) << "paused while counting";
  }
  EXPECT_EQ(controls.Text(kIdFileLineCount), std::to_string(kLines));
}

TEST_F(LargeFileTest, AnEditedFileIsReadThroughAgainAndTheStepGoesOutAfterIt) {
  Choose(Lines("0A\n", kLines));
  StartStop();
  ASSERT_EQ(TicksToNextWrite(20), 9);  // counting, then the period
  files.Write("send.txt", Lines("0B\n", kLines + 1));
  // The step that finds the edit waits two slices, then sends line 2 of the
  // new text.
  ASSERT_EQ(TicksToNextWrite(20), 10);
  EXPECT_EQ(LastWrite(1), Bytes{0x0B});
  EXPECT_EQ(controls.Text(kIdFileCurrentLine), "2");
  // The count stays the one of the choice.
  EXPECT_EQ(dialog->fileJob.lineCount, static_cast<int>(kLines));
}

// ---- Response-driven pacing -----------------------------------------------------------

class ResponseDrivenFileTest : public FileSendingTest {
 protected:
  void SetUp() override {
    FileSendingTest::SetUp();
    controls.SetText(kIdResponseTimeout, "5");
    controls.SetText(kIdRetryLimit, "1");
    Choose("01\n02\n03\n");
    dialog->OnCommand(kIdPacingResponse, Notification::Clicked);
    StartStop();
  }
  // Moves the calendar clock on and ticks once; returns the byte written, or
  // -1 when nothing was.
  int AtSecond(std::time_t second) {
    clock.now = start + second;
    std::size_t before = port.written.size();
    Ticks(1);
    if (port.written.size() == before) return -1;
    return port.written.back();
  }
  std::time_t start = clock.now;
};

TEST_F(ResponseDrivenFileTest, SilentDeviceGetsEachLineOnceMoreAfterTheTimeOut) {
  EXPECT_EQ(AtSecond(0), 0x01);
  EXPECT_EQ(AtSecond(3), -1);
  EXPECT_EQ(AtSecond(5), -1);  // 5 s are not more than the time-out
  EXPECT_EQ(AtSecond(6), 0x01);
  EXPECT_EQ(controls.Text(kIdFileCurrentLine), "1");
  EXPECT_EQ(AtSecond(11), -1);
  EXPECT_EQ(AtSecond(12), 0x02);
  EXPECT_EQ(AtSecond(18), 0x02);
  EXPECT_EQ(AtSecond(24), 0x03);
  EXPECT_EQ(AtSecond(30), 0x03);
  EXPECT_EQ(AtSecond(36), 0x01);
  EXPECT_EQ(dialog->counters.requestsSent, 7);
}

TEST_F(ResponseDrivenFileTest, AnAnsweredLineReleasesTheNextOnTheTickAfterTheFrame) {
  port.onWrite = [this](const Bytes&) { port.Feed({0x06}); };
  EXPECT_EQ(AtSecond(0), 0x01);
  // The answer arrives on the same tick and its frame ends after the idle
  // ticks; no second passes.
  // The frame ends after 1 to 4 empty polls; the step of the next tick sends.
  int ticks = TicksToNextWrite(10);
  EXPECT_GE(ticks, 2);
  EXPECT_LE(ticks, kFrameEndIdleTicks + 1);
  EXPECT_EQ(port.written.back(), 0x02);
  EXPECT_EQ(dialog->counters.receivedFrames, 1);
}

}  // namespace
}  // namespace lirosa::test
