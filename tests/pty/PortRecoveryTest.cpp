// The window on a real pseudo-terminal: rates read back from the driver, a
// device held by another process, and a device that goes and comes back.

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "pty/LiveDialog.h"
#include "pty/PtyPair.h"
#include "serial/SystemCalls.h"
#include "serial/Termios2.h"

namespace lirosa {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::steady_clock;
using test::LiveDialog;
using test::PtyPair;

// True once the far end has the byte 0xA5; never waits.
bool GotA5(const PtyPair& pty) {
  std::uint8_t byte = 0;
  while (::read(pty.master(), &byte, 1) == 1) {
    if (byte == 0xA5) return true;
  }
  return false;
}

std::uint32_t DriverSpeed(const PtyPair& pty) {
  Termios2Line line;
  EXPECT_EQ(ReadTermios2(SystemCalls::Real(), pty.slave(), line), 0);
  return line.speed;
}

TEST(PortRatesOnPty, AListedIndexAndATypedRateReachTheDriver) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  LiveDialog live;
  WriteSettingsFiles(live.settings.path().string(), {pty.path(), 17, 2, 0, 0}, {});
  live.dialog->InitDialog();
  ASSERT_TRUE(live.dialog->portOpen) << ::testing::PrintToString(live.prompts.Texts());
  EXPECT_EQ(DriverSpeed(pty), 921600u);

  live.controls.SetText(kIdBaudList, "250000");
  live.dialog->OnCommand(kIdBaudList, Notification::SelectionChanged);
  ASSERT_TRUE(live.dialog->portOpen) << ::testing::PrintToString(live.prompts.Texts());
  EXPECT_EQ(DriverSpeed(pty), 250000u);
  live.dialog->OnCommand(kIdOpenClose, Notification::Clicked);  // closed, as a close saves
  live.dialog->OnClose();
  EXPECT_EQ(ReadSettingsFiles(live.settings.path().string()).port.baudIndex, 250000);
}

// Another process holds the device under its lock, as picocom or tio do.
TEST(PortBusyOnPty, TheHolderIsNamedWithItsPid) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  int ready[2];
  int release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Only async-signal-safe calls after fork.
    ::close(release[1]);  // else the read below never sees the end
    const int fd = ::open(pty.path().c_str(), O_RDWR | O_NOCTTY);
    char byte = (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ? 'y' : 'n';
    (void)!::write(ready[1], &byte, 1);
    (void)!::read(release[0], &byte, 1);
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(release[0]);
  char held = 0;
  ASSERT_EQ(::read(ready[0], &held, 1), 1);
  ASSERT_EQ(held, 'y');

  LiveDialog live;
  live.Start(pty.path());
  EXPECT_FALSE(live.dialog->portOpen);
  const std::vector<std::string> boxes = live.prompts.Texts();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("(device busy): "), std::string::npos) << boxes[0];
  EXPECT_NE(boxes[0].find("(PID " + std::to_string(child) + ")"), std::string::npos) << boxes[0];

  ::close(release[1]);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(ready[0]);
}

// The device reached through a link of the test's own, as an adapter is
// reached through its stable name: unplugged, the link goes with it;
// plugged in again, a new pseudo-terminal stands behind the same link.
class ReconnectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(first.ok());
    fs::create_symlink(first.path(), Link());
    // Request 1 goes out every 50 ms by itself.
    live.Start(Link(), {"A5", "", ""});
    ASSERT_TRUE(live.dialog->portOpen) << ::testing::PrintToString(live.prompts.Texts());
    live.controls.SetText(kIdPeriod1, "50");
    live.controls.SetCheck(kIdAuto1, 1);
    live.Click(kIdAuto1);
    ASSERT_TRUE(live.TickUntil([&] { return GotA5(first); }));
  }

  std::string Link() const { return files.File("device"); }

  void Unplug() {
    fs::remove(Link());
    first.CloseMaster();
    ASSERT_TRUE(live.TickUntil([&] { return !live.dialog->portOpen; }));
    ASSERT_EQ(live.prompts.Texts(), std::vector<std::string>{"通信端口<" + Link() + ">已断开!"});
    EXPECT_EQ(live.controls.Text(kIdOpenClose), "打开串口");
    const auto& folders = live.watch.folders;
    EXPECT_NE(std::find(folders.begin(), folders.end(), files.path().string()), folders.end())
        << "the link's folder is not watched";
  }

  // Plugs the device in again and tells the window, as its watch would on
  // the change of the link's folder.
  void Replug() {
    ASSERT_TRUE(second.ok());
    fs::create_symlink(second.path(), Link());
    live.dialog->OnDevicesChanged();
  }

  test::TempDir files;
  PtyPair first;
  PtyPair second;
  LiveDialog live;
};

TEST_F(ReconnectTest, TheDeviceBackAtTheSamePathIsOpenedAndAutoSendGoesOn) {
  ASSERT_NO_FATAL_FAILURE(Unplug());
  for (int i = 0; i < 10; ++i) live.Tick();  // the box may still be open: nothing waits for it
  const auto start = steady_clock::now();
  ASSERT_NO_FATAL_FAILURE(Replug());
  ASSERT_TRUE(live.TickUntil([&] { return live.dialog->portOpen; }, milliseconds(1000)))
      << ::testing::PrintToString(live.prompts.Texts());
  const auto took = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start);
  ::testing::Test::RecordProperty("reconnect_ms", static_cast<int>(took.count()));
  std::printf("reconnected after %lld ms\n", static_cast<long long>(took.count()));
  EXPECT_LT(took.count(), 1000);
  EXPECT_EQ(live.controls.Text(kIdOpenClose), "关闭串口");
  EXPECT_EQ(DriverSpeed(second), 115200u) << "not the same line settings";
  EXPECT_TRUE(live.TickUntil([&] { return GotA5(second); }))
      << "auto-send did not go on on the new device";
  EXPECT_EQ(live.prompts.Texts().size(), 1u) << "the loss is told once, the return not at all";
}

TEST_F(ReconnectTest, APressWhileWaitingKeepsThePortClosed) {
  ASSERT_NO_FATAL_FAILURE(Unplug());
  live.Click(kIdOpenClose);
  EXPECT_FALSE(live.dialog->portOpen);
  EXPECT_EQ(live.controls.Text(kIdOpenClose), "打开串口");
  EXPECT_EQ(live.prompts.Texts().size(), 1u) << "stopping the wait is no failure";
  ASSERT_NO_FATAL_FAILURE(Replug());
  for (int i = 0; i < 20; ++i) live.Tick();
  EXPECT_FALSE(live.dialog->portOpen) << "reopened after the user said stay closed";
}

}  // namespace
}  // namespace lirosa
