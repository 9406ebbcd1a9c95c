// Capture failing at full traffic: the window tells the user one box at a
// time, builds no backlog of messages while a box is open, keeps receiving,
// and captures again as soon as the cause is gone.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "display/FileErrors.h"
#include "display/RecordText.h"
#include "pty/LiveDialog.h"
#include "pty/PtyPair.h"
#include "support/TempDir.h"

namespace lirosa {
namespace {

using test::FakePrompts;
using test::LiveDialog;
using test::PtyPair;
using test::TempDir;

class CaptureFaultTest;

struct FaultRow {
  const char* name;
  const char* captureName;  // inside the test's folder
  int error;
  FileStage stage;
  void (*apply)(CaptureFaultTest&);
  void (*remove)(CaptureFaultTest&);
};

class CaptureFaultTest : public ::testing::TestWithParam<FaultRow> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    std::filesystem::create_directory(files.path() / "out");
    std::filesystem::create_directory(files.path() / "ro");
  }
  void TearDown() override {
    if (lockFd >= 0) ::close(lockFd);
    if (mounted) ::umount2((files.path() / "ro").c_str(), MNT_DETACH);
  }

 public:
  std::string CapturePath() const { return files.File(GetParam().captureName); }

  std::string CaptureContent() const {
    std::ifstream in(CapturePath(), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }

  // As much as the line takes right now, up to what a pty moves in a tick;
  // a full line simply takes less.
  void Feed() {
    static const std::vector<std::uint8_t> chunk(4096, 0x5A);
    [[maybe_unused]] const ssize_t taken = ::write(pty.master(), chunk.data(), chunk.size());
  }

  TempDir files;
  PtyPair pty;
  LiveDialog live;
  int lockFd = -1;
  bool mounted = false;
};

// A folder that becomes read-only for root too: a file system of its own
// mounted there and remounted read-only (EROFS), then writable again.
// Mounting needs root (CAP_SYS_ADMIN); elsewhere the case is skipped, and
// the next one covers the same open-failure path.
void MountReadOnly(CaptureFaultTest& t) {
  const std::string folder = (t.files.path() / "ro").string();
  if (::mount("lirosa-test", folder.c_str(), "tmpfs", 0, "size=1m") != 0) {
    GTEST_SKIP() << "cannot mount a file system here: " << std::strerror(errno);
  }
  t.mounted = true;
  ASSERT_EQ(::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
      << std::strerror(errno);
}
void MountWritable(CaptureFaultTest& t) {
  const std::string folder = (t.files.path() / "ro").string();
  ASSERT_EQ(::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT, nullptr), 0)
      << std::strerror(errno);
}

// Putting a regular file where the folder was makes every open of the
// capture file fail (ENOTDIR) for root and users alike: the same
// open-failure path a read-only folder takes, with its own message; which
// message each errno gets is FileErrorMessage's own matter.
void ReplaceFolderByFile(CaptureFaultTest& t) {
  std::filesystem::rename(t.files.path() / "out", t.files.path() / "out.away");
  t.files.Write("out", "not a folder");
}
void RestoreFolder(CaptureFaultTest& t) {
  std::filesystem::remove(t.files.path() / "out");
  std::filesystem::rename(t.files.path() / "out.away", t.files.path() / "out");
}

// Every write to /dev/full fails with ENOSPC, as on a full disk.
void LinkToFullDevice(CaptureFaultTest& t) {
  std::filesystem::create_symlink("/dev/full", t.CapturePath());
}
void RemoveLink(CaptureFaultTest& t) { std::filesystem::remove(t.CapturePath()); }

// flock locks belong to the open file, so a lock the test takes through its
// own descriptor shuts the window out exactly as another program's would.
void HoldLock(CaptureFaultTest& t) {
  t.lockFd = ::open(t.CapturePath().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(t.lockFd, 0);
  ASSERT_EQ(::flock(t.lockFd, LOCK_EX | LOCK_NB), 0);
}
void ReleaseLock(CaptureFaultTest& t) {
  ::close(t.lockFd);
  t.lockFd = -1;
}

TEST_P(CaptureFaultTest, OneBoxAtATimeNoBacklogAndCaptureResumes) {
  const FaultRow& row = GetParam();
  live.Start(pty.path());
  ASSERT_TRUE(live.dialog->portOpen) << ::testing::PrintToString(live.prompts.Texts());
  live.StartCapture(CapturePath());
  row.apply(*this);
  if (IsSkipped()) return;

  // A modal box lets ticks run; here three of them, with traffic, while
  // each box is open.
  bool feeding = true;
  int depth = 0;
  int maxDepth = 0;
  std::int64_t framesUnderBoxes = 0;
  live.prompts.whileOpen = [&] {
    maxDepth = std::max(maxDepth, ++depth);
    const std::int64_t frames = live.dialog->counters.receivedFrames;
    for (int i = 0; i < 3; ++i) {
      if (feeding) Feed();
      live.Tick();
    }
    framesUnderBoxes += live.dialog->counters.receivedFrames - frames;
    --depth;
  };
  int outerTicks = 0;
  for (; outerTicks < 20; ++outerTicks) {
    Feed();
    live.Tick();
  }
  // The frame still gathering ends under the fault too.
  feeding = false;
  for (int i = 0; i < 20 && !live.dialog->rxFrame.frameIdle; ++i, ++outerTicks) live.Tick();
  ASSERT_TRUE(live.dialog->rxFrame.frameIdle);

  EXPECT_TRUE(live.dialog->portOpen);
  EXPECT_GT(live.dialog->counters.receivedBytes, 20'000) << "receiving must go on under the fault";
  const std::string message = FileErrorMessage(row.error, row.stage, CapturePath());
  const std::vector<FakePrompts::Shown> boxes = live.prompts.shown;
  ASSERT_FALSE(boxes.empty());
  for (const FakePrompts::Shown& box : boxes) {
    EXPECT_EQ(box.kind, FakePrompts::Kind::Stop);
    EXPECT_EQ(box.text, message);
  }
  EXPECT_EQ(maxDepth, 1) << "a box was opened while another was open";
  EXPECT_GT(framesUnderBoxes, 0) << "no record failed while a box was open: nothing was tested";
  EXPECT_LE(boxes.size(), static_cast<std::size_t>(outerTicks))
      << "failures under an open box were queued and shown later";

  row.remove(*this);
  live.prompts.whileOpen = nullptr;
  for (int i = 0; i < 5; ++i) live.Tick();
  EXPECT_EQ(live.prompts.shown.size(), boxes.size()) << "messages were left waiting";

  // The next record lands in the file.
  const std::string before = CaptureContent();
  const std::int64_t frames = live.dialog->counters.receivedFrames;
  std::vector<std::uint8_t> marker(300);
  for (std::size_t i = 0; i < marker.size(); ++i)
    marker[i] = static_cast<std::uint8_t>(255 - i % 256);
  ASSERT_TRUE(pty.Send(marker));
  ASSERT_TRUE(live.TickUntil([&] { return live.dialog->counters.receivedFrames > frames; }));
  EXPECT_EQ(CaptureContent(), before + HexRecordText(marker.data(), marker.size()));
  EXPECT_EQ(live.prompts.shown.size(), boxes.size());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CaptureFaultTest,
    ::testing::Values(FaultRow{"FolderReadOnly", "ro/capture.txt", EROFS, FileStage::Open,
                               MountReadOnly, MountWritable},
                      FaultRow{"FolderGone", "out/capture.txt", ENOTDIR, FileStage::Open,
                               ReplaceFolderByFile, RestoreFolder},
                      FaultRow{"DiskFull", "capture.txt", ENOSPC, FileStage::Write,
                               LinkToFullDevice, RemoveLink},
                      FaultRow{"LockedByAnotherProgram", "capture.txt", EWOULDBLOCK,
                               FileStage::Open, HoldLock, ReleaseLock}),
    [](const ::testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lirosa
