// The Windows side of the core: where settings live, why an open failed in
// Win32 terms, and the whole window on a real COM port. Runs under Wine
// with COM1 mapped to a pseudo-terminal whose far end echoes every byte
// (tests/win32/with-pty.py), which also checks the line left on the pty.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "app/SettingsFiles.h"
#include "serial/OpenFailure.h"
#include "support/FakeControls.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "win32/serial/Win32SerialPort.h"

namespace lirosa {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// ---- Settings in the per-user folder -------------------------------------------

class AppDataFolder {
 public:
  explicit AppDataFolder(const std::string& value) {
    if (const char* old = std::getenv("APPDATA")) previous_ = old;
    _putenv_s("APPDATA", value.c_str());
  }
  ~AppDataFolder() { _putenv_s("APPDATA", previous_.c_str()); }

 private:
  std::string previous_;
};

TEST(Win32SettingsTest, TheFolderIsLirosaInAppDataCreatedAndHoldsBothFiles) {
  test::TempDir appData;
  AppDataFolder scoped(appData.path().string());
  const std::string folder = DefaultSettingsDirectory();
  EXPECT_EQ(fs::path(folder), appData.path() / "Lirosa");
  ASSERT_TRUE(fs::is_directory(folder));

  PortSettings port;
  port.portName = "COM12";
  port.baudIndex = 8;
  ASSERT_EQ(WriteSettingsFiles(folder, port, {"01 03", "a\r\nb", ""}).error, 0);
  // Saved a second time: the rename replaces the files of the first save.
  ASSERT_EQ(WriteSettingsFiles(folder, port, {"01 03", "a\r\nb", "x"}).error, 0);
  EXPECT_EQ(ReadAll(fs::path(folder) / "set.log"), "COM12\r\n0\r\n0\r\n0\r\n8\r\n");
  StoredSettings stored = ReadSettingsFiles(folder);
  EXPECT_EQ(stored.port.portName, "COM12");
  EXPECT_EQ(stored.requests[1], "a\r\nb");
  EXPECT_EQ(stored.requests[2], "x");
}

TEST(Win32SettingsTest, WithoutAppDataThereIsNoFolderRatherThanTheCurrentOne) {
  AppDataFolder scoped("");
  EXPECT_EQ(DefaultSettingsDirectory(), "");
}

// ---- Why an open failed --------------------------------------------------------

struct ReasonRow {
  const char* name;
  DWORD error;
  const char* reason;
};

class Win32OpenFailureTest : public ::testing::TestWithParam<ReasonRow> {};

TEST_P(Win32OpenFailureTest, NamesTheCauseOfTheWin32Error) {
  EXPECT_EQ(OpenFailureReason(static_cast<int>(GetParam().error), "COM3"), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, Win32OpenFailureTest,
    ::testing::Values(ReasonRow{"NoSuchPort", ERROR_FILE_NOT_FOUND, "设备不存在 (no such device)"},
                      ReasonRow{"NoSuchPath", ERROR_PATH_NOT_FOUND, "设备不存在 (no such device)"},
                      ReasonRow{"HeldByAnother", ERROR_ACCESS_DENIED,
                                "设备正被其他程序使用 (device busy)"},
                      ReasonRow{"NotAPort", ERROR_INVALID_FUNCTION,
                                "不是串口设备 (not a serial device)"},
                      ReasonRow{"Other", ERROR_GEN_FAILURE, "打开失败 (错误码: 31)"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The window on COM1 ------------------------------------------------------

class Win32WindowTest : public ::testing::Test {
 protected:
  Win32WindowTest() {
    Platform platform{controls, prompts, view, port, clock, window, [] { return std::vector<ListEntry>{}; },
                      settings.path().string()};
    dialog = std::make_unique<MonitorDialog>(platform);
  }

  // Runs line ticks, 10 ms apart as the timer does, until a frame has
  // ended or the deadline passed.
  bool TickUntilAFrameEnds() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      dialog->OnTimer(kLineTimerId);
      if (dialog->counters.receivedFrames > 0) return true;
      Sleep(10);
    }
    return false;
  }

  test::TempDir settings;
  test::FakeControls controls;
  test::FakePrompts prompts;
  test::FakeTrafficView view;
  Win32SerialPort port;
  test::FakeClock clock;
  test::FakeWindow window;
  std::unique_ptr<MonitorDialog> dialog;
};

TEST_F(Win32WindowTest, OpensCom1WithTheRestoredSettingsAndARequestComesBackByteForByte) {
  // COM1, two stop bits, no parity, 8 data bits, 57600 baud (index 11);
  // with-pty.py checks that the pty was left with these (--expect-line).
  settings.Write("set.log", "COM1\r\n2\r\n0\r\n2\r\n11\r\n");
  settings.Write("data.log", "01 03 00 00 00 0A C5 CD\r\n\r\n\r\n");
  dialog->InitDialog();
  ASSERT_TRUE(prompts.shown.empty()) << prompts.Texts().front();
  ASSERT_TRUE(dialog->portOpen);
  EXPECT_EQ(controls.Text(kIdOpenClose), "关闭串口");

  controls.SetCheck(kIdHex1, 1);
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  EXPECT_EQ(dialog->counters.sentBytes, 8);
  ASSERT_TRUE(TickUntilAFrameEnds()) << "received " << dialog->counters.receivedBytes;
  EXPECT_EQ(dialog->counters.receivedFrames, 1);
  EXPECT_EQ(dialog->counters.receivedBytes, 8);
  // Sent data is not shown by default: the one record is the echo.
  ASSERT_EQ(view.pieces.size(), 1u) << view.text;
  EXPECT_EQ(view.pieces[0].text.find("01 03 00 00 00 0A C5 CD"), 0u) << view.pieces[0].text;
  EXPECT_TRUE(prompts.shown.empty());
}

}  // namespace
}  // namespace lirosa
