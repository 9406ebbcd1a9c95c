// Choosing what to open: rates beyond the original list and typed ones,
// exact stored paths, the reason a device did not open, and the kernel
// console, which is never opened.

#include <gtest/gtest.h>
#include <grp.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "serial/OpenFailure.h"
#include "support/DialogFixture.h"

namespace lirosa {
namespace {

namespace fs = std::filesystem;
using PortChoiceTest = test::DialogFixture;

struct StoredBaud {
  const char* line5;
  std::uint32_t applied;  // 0: the device's own rate stays
  int pulled;
};

class StoredBaudTest : public test::DialogFixture,
                       public ::testing::WithParamInterface<StoredBaud> {};

TEST_P(StoredBaudTest, AppliesTheRateAndReadsBackTheMember) {
  port.deviceLine.baudRate = 4321;
  WriteSetLog(std::string("COM1\r\n0\r\n0\r\n2\r\n") + GetParam().line5 + "\r\n");
  Start();
  ASSERT_TRUE(dialog->portOpen);
  EXPECT_EQ(port.line.baudRate, GetParam().applied ? GetParam().applied : 4321u);
  EXPECT_EQ(dialog->portSettings.baudIndex, GetParam().pulled);
  // A close saves what the next start reads.
  dialog->OnClose();
  EXPECT_EQ(settings.Read("set.log"),
            "COM1\r\n0\r\n0\r\n2\r\n" + std::to_string(GetParam().pulled) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Line5, StoredBaudTest,
    ::testing::Values(StoredBaud{"12", 115200, 12}, StoredBaud{"13", 230400, 13},
                      StoredBaud{"17", 921600, 17}, StoredBaud{"25", 4000000, 25},
                      StoredBaud{"250000", 250000, 250000},
                      // A rate the list has is shown as its entry.
                      StoredBaud{"921600", 921600, 17}, StoredBaud{"-3", 0, -1}));

TEST_F(PortChoiceTest, ATypedRateIsAppliedAndSurvivesTheTicks) {
  Start();
  ASSERT_TRUE(dialog->portOpen);
  controls.SetText(kIdBaudList, "250000");
  dialog->OnCommand(kIdBaudList, Notification::SelectionChanged);
  ASSERT_TRUE(dialog->portOpen);
  EXPECT_EQ(port.line.baudRate, 250000u);
  Ticks(20);
  EXPECT_EQ(controls.Text(kIdBaudList), "250000") << "the list snapped back";
  EXPECT_EQ(dialog->portSettings.baudIndex, 250000);
  // Typed text that is no rate is no selection; the device rate stays.
  port.deviceLine.baudRate = 4321;
  controls.SetText(kIdBaudList, "fast");
  dialog->OnCommand(kIdBaudList, Notification::SelectionChanged);
  EXPECT_EQ(dialog->portSettings.baudIndex, -1);
}

TEST_F(PortChoiceTest, AStoredPathMustMatchExactlyWhileComNamesSelectByPrefix) {
  foundPorts = {{"/dev/ttyUSB10", "CP2102 (Silicon Labs)", "ttyUSB10"}};
  WriteSetLog("/dev/ttyUSB1\r\n0\r\n0\r\n2\r\n6\r\n");
  Start();
  EXPECT_EQ(port.path, "/dev/ttyUSB1") << "another adapter was opened by prefix";
  EXPECT_EQ(controls.Text(kIdPortList), "/dev/ttyUSB1");

  dialog->OnClose();
  WriteSetLog("com3\r\n0\r\n0\r\n2\r\n6\r\n");
  test::DialogFixture::Start();
  EXPECT_EQ(controls.Text(kIdPortList), "COM3");
  EXPECT_EQ(port.path, "/dev/ttyS2");
}

struct FailedOpen {
  int error;
  const char* reason;
};

class FailedOpenTest : public test::DialogFixture,
                       public ::testing::WithParamInterface<FailedOpen> {};

TEST_P(FailedOpenTest, TheMessageKeepsItsFirstLineAndAddsTheReason) {
  port.failCall = "Open";
  port.failError = GetParam().error;
  WriteSetLog("/nonexistent/ttyUSB0\r\n0\r\n0\r\n2\r\n6\r\n");
  Start();
  EXPECT_FALSE(dialog->portOpen);
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"通信端口</nonexistent/ttyUSB0>无法打开!\n" +
                                                      std::string(GetParam().reason)});
}

INSTANTIATE_TEST_SUITE_P(
    Errors, FailedOpenTest,
    ::testing::Values(FailedOpen{ENOENT, "设备不存在 (no such device)"},
                      FailedOpen{ENXIO, "设备不存在 (no such device)"},
                      FailedOpen{ENOTTY, "不是串口设备 (not a serial device)"},
                      FailedOpen{EIO, "不是串口设备 (not a serial device)"},
                      FailedOpen{EBUSY, "设备正被其他程序使用 (device busy)"},
                      // No node to take a group from: the usual one.
                      FailedOpen{EACCES,
                                 "没有访问权限 (permission denied): 请执行 sudo usermod -aG "
                                 "dialout $USER, 然后重新登录"}));

// The group named is the node's own; a node of root's group is for root.
TEST(OpenFailureReasonTest, PermissionNamesTheDevicesGroup) {
  test::TempDir dir;
  const std::string node = dir.File("ttyACM0");
  dir.Write("ttyACM0", "");
  struct stat info {};
  ASSERT_EQ(::stat(node.c_str(), &info), 0);
  group* own = ::getgrgid(info.st_gid);
  ASSERT_NE(own, nullptr);
  const std::string reason = OpenFailureReason(EACCES, node);
  if (info.st_gid == 0) {
    EXPECT_EQ(reason, "没有访问权限 (permission denied): 设备只允许 root 打开");
  } else {
    EXPECT_NE(reason.find(std::string("usermod -aG ") + own->gr_name + " $USER"),
              std::string::npos)
        << reason;
  }
  // As root the node can be given to another group, as udev gives it.
  group* other = ::getgrnam("tty");
  if (::geteuid() != 0 || !other) GTEST_SKIP() << "needs root and a tty group to change groups";
  ASSERT_EQ(::chown(node.c_str(), static_cast<uid_t>(-1), other->gr_gid), 0);
  EXPECT_NE(OpenFailureReason(EACCES, node).find("usermod -aG tty $USER"), std::string::npos);
}

// A console tree of the test's own: the console's device numbers are those
// of a pseudo-terminal the test made, so nothing real is involved.
class ConsoleTest : public test::DialogFixture {
 protected:
  void MakeConsole(const std::string& name, dev_t number) {
    const fs::path sys = settings.path() / "sys" / "class" / "tty";
    fs::create_directories(sys / "console");
    fs::create_directories(sys / name);
    std::ofstream(sys / "console" / "active") << "tty0 " << name << "\n";
    std::ofstream(sys / name / "dev") << major(number) << ":" << minor(number) << "\n";
  }
};

TEST_F(ConsoleTest, TheActiveConsoleIsRefusedWithoutBeingOpened) {
  int master = -1;
  int slave = -1;
  char name[128] = {};
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  struct stat info {};
  ASSERT_EQ(::fstat(slave, &info), 0);
  MakeConsole("ttyS0", info.st_rdev);
  WriteSetLog(std::string(name) + "\r\n0\r\n0\r\n2\r\n6\r\n");
  Start();
  EXPECT_FALSE(dialog->portOpen);
  EXPECT_TRUE(port.path.empty()) << "the console was opened";
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"通信端口<" + std::string(name) +
                                                      ">无法打开!\n" + SystemConsoleReason()});
  ::close(slave);
  ::close(master);
}

TEST_F(ConsoleTest, AFirstRunDoesNotOpenAConsoleBehindCom1) {
  // Only the node's numbers are read (stat); the fake port opens nothing.
  struct stat info {};
  if (::stat("/dev/ttyS0", &info) != 0) GTEST_SKIP() << "no /dev/ttyS0 here";
  MakeConsole("ttyS0", info.st_rdev);
  Start();
  EXPECT_FALSE(dialog->portOpen);
  EXPECT_TRUE(port.path.empty());
  ASSERT_EQ(prompts.Texts().size(), 1u);
  EXPECT_NE(prompts.Texts()[0].find("(system console)"), std::string::npos);
}

}  // namespace
}  // namespace lirosa
