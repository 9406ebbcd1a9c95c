#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "support/CallDeadline.h"
#include "support/DialogFixture.h"

namespace lirosa::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kStamp = "[2024:01:02:03:04:05]";  // the fake clock's local time
const Bytes kModbus{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};

// Makes `dir` the current directory for the life of the object.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::filesystem::path& dir)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~CurrentDirectory() { std::filesystem::current_path(previous_); }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

class CaptureTest : public DialogFixture {
 protected:
  void SetUp() override { Start(); }

  // Chooses `path` with button 1016 and switches capture on with 1015. The
  // choice pushes the window state to the controls, so options go after it.
  void CaptureTo(const std::string& path) {
    prompts.fileAnswers.push_back(path);
    dialog->OnCommand(kIdChooseCaptureFile, Notification::Clicked);
    dialog->OnCommand(kIdCapture, Notification::Clicked);
  }
  // One frame from the device, ticked until the line has been idle long
  // enough to end it.
  void Receive(const Bytes& bytes) {
    port.Feed(bytes);
    Ticks(1 + kFrameEndIdleTicks);
  }
  // Options as the user ticks them; every tick pulls them in.
  void Options(int timeStamp, int showSent, int newLine) {
    controls.SetCheck(kIdTimeStamp, timeStamp);
    controls.SetCheck(kIdShowSent, showSent);
    controls.SetCheck(kIdNewLine, newLine);
  }
  std::string Content(const std::string& name) const {
    return std::filesystem::exists(files.File(name)) ? files.Read(name) : "<missing>";
  }

  TempDir files;
};

// ---- What the file receives -------------------------------------------------

struct RecordRow {
  const char* name;
  int timeStamp;
  int showSent;
  std::string written;
};

void PrintTo(const RecordRow& row, std::ostream* os) { *os << row.name; }

class CaptureRecordRowTest : public CaptureTest, public ::testing::WithParamInterface<RecordRow> {};

TEST_P(CaptureRecordRowTest, ReceivedFrameIsWrittenAsShown) {
  const RecordRow& row = GetParam();
  CaptureTo(files.File("capture.txt"));
  Options(row.timeStamp, row.showSent, 0);
  Receive(kModbus);
  EXPECT_EQ(Content("capture.txt"), row.written);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, CaptureRecordRowTest,
    ::testing::Values(RecordRow{"TimeStampAndShowSent", 1, 1,
                                kStamp + "[接收]01 03 00 00 00 0A \r\n"},
                      RecordRow{"TimeStampOnly", 1, 0, kStamp + "01 03 00 00 00 0A \r\n"},
                      RecordRow{"NoOptions", 0, 0, "01 03 00 00 00 0A "}),
    [](const ::testing::TestParamInfo<RecordRow>& info) { return std::string(info.param.name); });

TEST_F(CaptureTest, WithoutTimeStampAndNewLineRecordsRunTogether) {
  CaptureTo(files.File("capture.txt"));
  Options(0, 0, 0);
  Receive({0x01, 0x02});
  Receive({0x03});
  EXPECT_EQ(Content("capture.txt"), "01 02 03 ");
}

TEST_F(CaptureTest, LineFeedInATextFrameIsWrittenAsCrLf) {
  CaptureTo(files.File("capture.txt"));
  controls.SetCheck(kIdHexDisplay, 0);
  Receive({0x41, 0x0A, 0x42});
  EXPECT_EQ(Content("capture.txt"), "A\r\nB");
}

TEST_F(CaptureTest, CaptureRecordTranslatesLineFeedsAndStopsAtAZeroByte) {
  dialog->captureFileName = files.File("capture.txt");
  dialog->CaptureRecord("A\nB");
  dialog->CaptureRecord(std::string("CD\0EF", 5));
  dialog->newLine = 1;
  dialog->CaptureRecord("\n");
  EXPECT_EQ(Content("capture.txt"), "A\r\nBCD\r\n\r\n");
}

TEST_F(CaptureTest, NothingIsWrittenWhileCaptureIsOff) {
  dialog->captureFileName = files.File("capture.txt");
  controls.SetText(kIdCaptureFileName, files.File("capture.txt"));
  Receive(kModbus);
  EXPECT_EQ(Content("capture.txt"), "<missing>");

  dialog->OnCommand(kIdCapture, Notification::Clicked);
  EXPECT_EQ(controls.Text(kIdCapture), "停止保存");
  EXPECT_TRUE(dialog->capturing);
  // Switching on touches no file.
  EXPECT_EQ(Content("capture.txt"), "<missing>");
  Receive({0x01});
  dialog->OnCommand(kIdCapture, Notification::Clicked);
  EXPECT_EQ(controls.Text(kIdCapture), "保存数据");
  EXPECT_FALSE(dialog->capturing);
  Receive({0x02});
  EXPECT_EQ(Content("capture.txt"), "01 ");
}

// ---- The file's name -------------------------------------------------------------

TEST_F(CaptureTest, AnEmptyNameBecomesDataTxtInTheCurrentFolderWhichIsAppendedTo) {
  CurrentDirectory here(files.path());
  files.Write("data.txt", "kept\r\n");
  dialog->captureFileName.clear();
  controls.SetText(kIdCaptureFileName, "");
  // Changed by the user since the last pull: the push shows the member again.
  controls.SetCheck(kIdTimeStamp, 1);

  dialog->OnCommand(kIdCapture, Notification::Clicked);
  EXPECT_EQ(dialog->captureFileName, "data.txt");
  EXPECT_EQ(controls.Text(kIdCaptureFileName), "data.txt");
  EXPECT_EQ(controls.Check(kIdTimeStamp), 0);

  Receive({0x0A});
  EXPECT_EQ(Content("data.txt"), "kept\r\n0A ");
}

TEST_F(CaptureTest, ChoosingAFileAsksForATextFileThatMayNotExistYet) {
  prompts.fileAnswers.push_back(files.File("new.txt"));
  dialog->OnCommand(kIdChooseCaptureFile, Notification::Clicked);
  ASSERT_EQ(prompts.fileQuestions.size(), 1u);
  const FileChoice& asked = prompts.fileQuestions[0];
  EXPECT_EQ(asked.filterName, "文本文件(*.txt)");
  EXPECT_EQ(asked.filterPattern, "*.txt");
  EXPECT_EQ(asked.defaultSuffix, "txt");
  EXPECT_FALSE(asked.mustExist);
  EXPECT_EQ(dialog->captureFileName, files.File("new.txt"));
  EXPECT_EQ(controls.Text(kIdCaptureFileName), files.File("new.txt"));
  // Choosing does not switch capture on.
  EXPECT_FALSE(dialog->capturing);

  prompts.fileAnswers.push_back(std::nullopt);
  dialog->OnCommand(kIdChooseCaptureFile, Notification::Clicked);
  EXPECT_EQ(dialog->captureFileName, files.File("new.txt"));
}

TEST_F(CaptureTest, AFileChosenWhileCapturingGetsTheNextRecord) {
  CaptureTo(files.File("first.txt"));
  Receive({0x01});
  prompts.fileAnswers.push_back(files.File("second.txt"));
  dialog->OnCommand(kIdChooseCaptureFile, Notification::Clicked);
  EXPECT_TRUE(dialog->capturing);
  Receive({0x02});
  EXPECT_EQ(Content("first.txt"), "01 ");
  EXPECT_EQ(Content("second.txt"), "02 ");
}

// ---- While the display is paused ----------------------------------------------

TEST_F(CaptureTest, PausedDisplayCapturesEchoesAndFileLinesBareButNoFrames) {
  Options(1, 1, 0);
  Receive({0x55});  // the display is no longer empty
  CaptureTo(files.File("capture.txt"));
  dialog->OnCommand(kIdPauseDisplay, Notification::Clicked);

  Receive({0x01, 0x02});
  controls.SetText(kIdRequest1, "03 04");
  controls.SetCheck(kIdHex1, 1);
  dialog->OnCommand(kIdSend1, Notification::Clicked);

  files.Write("send.txt", "0a 0b\n");
  prompts.fileAnswers.push_back(files.File("send.txt"));
  dialog->OnCommand(kIdChooseSendFile, Notification::Clicked);
  controls.SetText(kIdCyclePeriod, "10");
  dialog->OnCommand(kIdFileCycling, Notification::Clicked);
  Ticks(1);

  // Bare data text: no time stamp, no tag; each still ends its line, since
  // the time-stamp option is on.
  EXPECT_EQ(Content("capture.txt"), "03 04 \r\n0A 0B\r\n");
  EXPECT_EQ(dialog->counters.receivedFrames, 2);
}

// ---- Failures ----------------------------------------------------------------------

// Fills in the file name the way the messages carry it.
std::string Message(const char* pattern, const std::string& path) {
  std::string text = pattern;
  text.replace(text.find("%1"), 2, path);
  return text;
}

struct FailureRow {
  const char* name;
  // Prepares the failure in `dir` and returns the capture path; a descriptor
  // to close afterwards goes to `held`.
  std::function<std::string(const TempDir& dir, int& held)> prepare;
  const char* message;
};

void PrintTo(const FailureRow& row, std::ostream* os) { *os << row.name; }

class CaptureFailureTest : public CaptureTest, public ::testing::WithParamInterface<FailureRow> {
 protected:
  void TearDown() override {
    if (held >= 0) close(held);
  }
  int held = -1;
};

TEST_P(CaptureFailureTest, ShowsTheCauseInAStopBoxAndKeepsCapturing) {
  const FailureRow& row = GetParam();
  const std::string path = row.prepare(files, held);
  if (path.empty()) GTEST_SKIP() << "cannot be arranged here";
  CaptureTo(path);
  {
    // A record never waits for the file: one that blocks is cut off here.
    CallDeadline deadline(std::chrono::milliseconds(2000));
    dialog->CaptureRecord("01 ");
    EXPECT_FALSE(CallDeadline::Expired()) << "the record waited for the file";
  }

  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].kind, FakePrompts::Kind::Stop);
  EXPECT_EQ(prompts.shown[0].text, Message(row.message, path));
  EXPECT_TRUE(dialog->capturing);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, CaptureFailureTest,
    ::testing::Values(
        // open() gives ENOENT.
        FailureRow{"MissingFolder",
                   [](const TempDir& dir, int&) { return dir.File("missing/data.txt"); },
                   "%1 中包含无效的路径。"},
        // A plain file used as a folder: ENOTDIR.
        FailureRow{"FileUsedAsFolder",
                   [](const TempDir& dir, int&) {
                     dir.Write("plain.txt", "");
                     return dir.File("plain.txt/data.txt");
                   },
                   "%1 中包含无效的路径。"},
        // A folder cannot be opened for writing, not even by root: EISDIR.
        FailureRow{"FolderAsFile", [](const TempDir& dir, int&) { return dir.path().string(); },
                   "对 %1 的存取被拒绝。"},
        // Permission bits: EACCES. Root ignores them, so the row is skipped
        // there; FolderAsFile covers the message.
        FailureRow{"ReadOnlyFile",
                   [](const TempDir& dir, int&) -> std::string {
                     if (geteuid() == 0) return "";
                     dir.Write("locked.txt", "");
                     chmod(dir.File("locked.txt").c_str(), 0444);
                     return dir.File("locked.txt");
                   },
                   "对 %1 的存取被拒绝。"},
        // Opens fine, every write fails with ENOSPC.
        FailureRow{"FullDisk",
                   [](const TempDir&, int&) -> std::string {
                     return access("/dev/full", W_OK) == 0 ? "/dev/full" : "";
                   },
                   "在存取 %1 时磁盘已满。"},
        // Another open file description holds the lock, as another program
        // writing the file would.
        FailureRow{"LockedByAnotherProgram",
                   [](const TempDir& dir, int& held) {
                     std::string path = dir.File("busy.txt");
                     held = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
                     if (held < 0 || flock(held, LOCK_EX | LOCK_NB) != 0) return std::string();
                     return path;
                   },
                   "在存取 %1 时发生共享违例。"},
        // A record lock (fcntl) of another open file description: flock
        // does not see it, the record lock taken for the write does.
        FailureRow{"RecordLockedByAnotherProgram",
                   [](const TempDir& dir, int& held) {
                     std::string path = dir.File("ranges.txt");
                     held = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
                     struct flock range {};
                     range.l_type = F_RDLCK;
                     range.l_whence = SEEK_SET;
                     range.l_start = 10;
                     range.l_len = 5;
                     if (held < 0 || fcntl(held, F_OFD_SETLK, &range) != 0) return std::string();
                     return path;
                   },
                   "在存取 %1 时发生共享违例。"},
        // A FIFO nobody reads would block the open for ever; one that is
        // read is no file either. Both are refused as a folder is.
        FailureRow{"FifoWithoutReader",
                   [](const TempDir& dir, int&) {
                     std::string path = dir.File("pipe.txt");
                     return mkfifo(path.c_str(), 0644) == 0 ? path : std::string();
                   },
                   "对 %1 的存取被拒绝。"},
        FailureRow{"FifoWithReader",
                   [](const TempDir& dir, int& held) {
                     std::string path = dir.File("pipe.txt");
                     if (mkfifo(path.c_str(), 0644) != 0) return std::string();
                     held = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                     return held >= 0 ? path : std::string();
                   },
                   "对 %1 的存取被拒绝。"}),
    [](const ::testing::TestParamInfo<FailureRow>& info) { return std::string(info.param.name); });

TEST_F(CaptureTest, ACharacterDeviceReadyForOutputIsWrittenTo) {
  CaptureTo("/dev/null");
  dialog->CaptureRecord("01 ");
  EXPECT_TRUE(prompts.shown.empty()) << ::testing::PrintToString(prompts.Texts());
}

TEST_F(CaptureTest, AnotherProcesssRecordLockIsASharingViolation) {
  const std::string path = files.File("held.txt");
  files.Write("held.txt", "old ");
  // The child takes a classic POSIX write lock on the whole file, says so,
  // and holds it until its pipe closes.
  int ready[2];
  int release[2];
  ASSERT_EQ(pipe2(ready, O_CLOEXEC), 0);
  ASSERT_EQ(pipe2(release, O_CLOEXEC), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(ready[0]);
    close(release[1]);
    const int fd = open(path.c_str(), O_RDWR);
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    const char answer = fd >= 0 && fcntl(fd, F_SETLK, &whole) == 0 ? 'y' : 'n';
    if (write(ready[1], &answer, 1) != 1) _exit(1);
    char ignored = 0;
    while (read(release[0], &ignored, 1) > 0) {
    }
    _exit(0);
  }
  close(ready[1]);
  close(release[0]);
  char answer = 0;
  ASSERT_EQ(read(ready[0], &answer, 1), 1);
  close(ready[0]);

  CaptureTo(path);
  Receive({0x01});
  close(release[1]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_EQ(answer, 'y') << "the child could not lock the file";
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"在存取 " + path + " 时发生共享违例。"});

  // Released with the child's exit: the next record lands.
  Receive({0x02});
  EXPECT_EQ(Content("held.txt"), "old 02 ");
}

TEST_F(CaptureTest, ALockedFileLosesTheRecordAndTheNextOneLandsOnceReleased) {
  const std::string path = files.File("busy.txt");
  files.Write("busy.txt", "old ");
  int held = open(path.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  CaptureTo(path);
  Receive({0x01});
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"在存取 " + path + " 时发生共享违例。"});
  close(held);

  Receive({0x02});
  EXPECT_EQ(Content("busy.txt"), "old 02 ");
  EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(CaptureTest, APersistentFailureInsideTicksOpensOneBoxAtATime) {
  const std::string path = files.File("missing/data.txt");
  CaptureTo(path);
  // While the box is open the window keeps ticking and frames keep failing.
  int nestedFrames = 0;
  prompts.whileOpen = [&] {
    for (int i = 0; i < 3; ++i, ++nestedFrames) Receive({0x01});
  };
  Receive({0x01});
  EXPECT_EQ(nestedFrames, 3);
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].text, path + " 中包含无效的路径。");

  // Closed: the next failing record opens the next box.
  prompts.whileOpen = nullptr;
  Receive({0x02});
  EXPECT_EQ(prompts.shown.size(), 2u);
  EXPECT_EQ(dialog->counters.receivedFrames, 5);
}

}  // namespace
}  // namespace lirosa::test
