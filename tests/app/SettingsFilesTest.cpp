#include "app/SettingsFiles.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "app/ControlIds.h"
#include "support/CallDeadline.h"
#include "support/DialogFixture.h"
#include "support/TempDir.h"

namespace lirosa::test {
namespace {

struct LeadingIntegerRow {
  const char* name;
  const char* text;
  int value;
};

class LeadingIntegerTest : public ::testing::TestWithParam<LeadingIntegerRow> {};

TEST_P(LeadingIntegerTest, Converts) { EXPECT_EQ(LeadingInteger(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(Rows, LeadingIntegerTest,
                         ::testing::Values(LeadingIntegerRow{"Plain", "6", 6}, LeadingIntegerRow{"Empty", "", 0},
                                           LeadingIntegerRow{"LettersAfterDigits", "12ab", 12},
                                           LeadingIntegerRow{"NoDigits", "abc", 0},
                                           LeadingIntegerRow{"LeadingBlanks", "  7", 7},
                                           LeadingIntegerRow{"Negative", "-3", -3},
                                           LeadingIntegerRow{"SignOnly", "+", 0},
                                           LeadingIntegerRow{"Huge", "99999999999999", 2147483647}),
                         [](const auto& info) { return info.param.name; });

TEST(RequestLineTest, EscapingRoundTripsAndPlainLinesReadUnchanged) {
  for (std::string text : {"01 03 00 0A", "AB\r\nCD", "a\\b", "\\r literally", "end\\", "\r\n\r\n"}) {
    std::string line = EscapeRequestLine(text);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << text;
    EXPECT_EQ(UnescapeRequestLine(line), text);
  }
  // Lines from files written before escaping existed.
  EXPECT_EQ(UnescapeRequestLine("C:\\temp\\x"), "C:\\temp\\x");
  EXPECT_EQ(UnescapeRequestLine("no backslash"), "no backslash");
}

TEST(SettingsFilesTest, SaveExampleWritesTheFiveLines) {
  TempDir dir;
  SaveFailure failure = WriteSettingsFiles(dir.path().string(), {"COM3", 6, 2, 2, 2}, {"01 03", "", "x"});
  EXPECT_EQ(failure.error, 0);
  EXPECT_EQ(dir.Read("set.log"), "COM3\r\n2\r\n2\r\n2\r\n6\r\n");
  EXPECT_EQ(dir.Read("data.log"), "01 03\r\n\r\nx\r\n");
  // A second save overwrites completely and leaves no temporary files.
  WriteSettingsFiles(dir.path().string(), {"COM1", 0, 0, 0, 0}, {"", "", ""});
  EXPECT_EQ(dir.Read("set.log"), "COM1\r\n0\r\n0\r\n0\r\n0\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(SettingsFilesTest, ShortAndOddFilesLoadAsTheRulesSay) {
  TempDir dir;
  dir.Write("set.log", "COM4\n1x\nabc\n");
  dir.Write("data.log", "first\r\n");
  StoredSettings stored = ReadSettingsFiles(dir.path().string());
  ASSERT_TRUE(stored.havePort);
  EXPECT_EQ(stored.port, (PortSettings{"COM4", 0, 0, 0, 1}));
  ASSERT_TRUE(stored.haveRequests);
  EXPECT_EQ(stored.requests, (std::array<std::string, 3>{"first", "", ""}));
}

TEST(SettingsFilesTest, MissingFilesSupplyNothing) {
  TempDir dir;
  StoredSettings stored = ReadSettingsFiles(dir.path().string());
  EXPECT_FALSE(stored.havePort);
  EXPECT_FALSE(stored.haveRequests);
}

TEST(SettingsFilesTest, FailedSaveKeepsThePreviousFiles) {
  TempDir dir;
  WriteSettingsFiles(dir.path().string(), {"COM2", 6, 2, 0, 0}, {"a", "b", "c"});
  // A folder where the temporary file cannot be made.
  SaveFailure failure = WriteSettingsFiles((dir.path() / "set.log").string(), {"COM9", 0, 0, 0, 0}, {"", "", ""});
  EXPECT_NE(failure.error, 0);
  EXPECT_EQ(dir.Read("set.log"), "COM2\r\n0\r\n0\r\n2\r\n6\r\n");
  EXPECT_EQ(dir.Read("data.log"), "a\r\nb\r\nc\r\n");
}

TEST(SettingsFilesTest, DefaultFolderFollowsXdgConfigHomeAndIsCreated) {
  TempDir dir;
  std::string old = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  setenv("XDG_CONFIG_HOME", (dir.path() / "cfg").c_str(), 1);
  std::string folder = DefaultSettingsDirectory();
  EXPECT_EQ(folder, (dir.path() / "cfg" / "lirosa").string());
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  if (old.empty()) {
    unsetenv("XDG_CONFIG_HOME");
  } else {
    setenv("XDG_CONFIG_HOME", old.c_str(), 1);
  }
}

using SettingsDialogTest = DialogFixture;

TEST_F(SettingsDialogTest, MultiLineRequestSurvivesARestartAsOneRequest) {
  Start();
  controls.SetText(kIdRequest1, "01 03\r\n00 0A");
  controls.SetText(kIdRequest3, "last");
  dialog->OnClose();

  FakeControls freshControls;
  FakeSerialPort freshPort;
  FakeWindow freshWindow;
  Platform platform{freshControls, prompts, view, freshPort, clock, freshWindow, {}, settings.path().string(),
                    nullptr, (settings.path() / "sys").string()};
  MonitorDialog restarted(platform);
  restarted.InitDialog();
  EXPECT_EQ(freshControls.Text(kIdRequest1), "01 03\r\n00 0A");
  EXPECT_EQ(freshControls.Text(kIdRequest2), "");
  EXPECT_EQ(freshControls.Text(kIdRequest3), "last");
}

TEST_F(SettingsDialogTest, OutOfRangeIndexLoadsUnchangedAndPullsBackAsMinusOne) {
  WriteSetLog("COM1\r\n0\r\n7\r\n2\r\n6\r\n");
  port.failCall = "Open";
  Start();
  EXPECT_EQ(controls.ListIndex(kIdParityList), -1);
  dialog->PullControls();
  EXPECT_EQ(dialog->portSettings.parityIndex, -1);
}

TEST_F(SettingsDialogTest, UnwritableFolderReportsTheFileErrorAndStillEnds) {
  Start();
  dialog->settingsDirectory = (settings.path() / "set.log").string();
  settings.Write("set.log", "");
  dialog->OnClose();
  ASSERT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(prompts.shown[0].kind, FakePrompts::Kind::Stop);
  EXPECT_NE(prompts.shown[0].text.find("set.log"), std::string::npos);
  EXPECT_TRUE(window.ended);
}

}  // namespace
}  // namespace lirosa::test

namespace lirosa::test {
namespace {

// Sets or unsets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    had_ = std::getenv(name) != nullptr;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(SettingsFilesTest, WithoutHomeTheFolderIsTheAccountsOwnNeverAFixedTmpName) {
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  ScopedEnv home("HOME", nullptr);
  const std::string folder = DefaultSettingsDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder, "/tmp/lirosa");
  struct stat info {};
  ASSERT_EQ(lstat(folder.c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode)) << folder << " is no folder of its own";
  EXPECT_EQ(info.st_uid, getuid());
  if (const passwd* user = getpwuid(getuid()); user && user->pw_dir && user->pw_dir[0] == '/') {
    EXPECT_EQ(folder, std::string(user->pw_dir) + "/.config/lirosa");
  }
}

TEST(SettingsFilesTest, FifosInPlaceOfTheFilesSupplyNothingWithoutWaiting) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("set.log").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(dir.File("data.log").c_str(), 0600), 0);
  CallDeadline deadline(std::chrono::milliseconds(2000));
  StoredSettings stored = ReadSettingsFiles(dir.path().string());
  EXPECT_FALSE(CallDeadline::Expired()) << "the start-up waited for a writer";
  EXPECT_FALSE(stored.havePort);
  EXPECT_FALSE(stored.haveRequests);
}

TEST(SettingsFilesTest, SymlinkedFilesAreWrittenThroughToTheirTargets) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "dotfiles");
  std::filesystem::create_directory(dir.path() / "cfg");
  dir.Write("dotfiles/set.log", "old\r\n");
  std::filesystem::create_symlink(dir.path() / "dotfiles" / "set.log", dir.path() / "cfg" / "set.log");
  // A relative link whose target does not exist yet.
  std::filesystem::create_symlink("../dotfiles/data.log", dir.path() / "cfg" / "data.log");

  const std::string folder = (dir.path() / "cfg").string();
  ASSERT_EQ(WriteSettingsFiles(folder, {"COM3", 6, 2, 2, 2}, {"01", "", ""}).error, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "cfg" / "set.log"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "cfg" / "data.log"));
  EXPECT_EQ(dir.Read("dotfiles/set.log"), "COM3\r\n2\r\n2\r\n2\r\n6\r\n");
  EXPECT_EQ(dir.Read("dotfiles/data.log"), "01\r\n\r\n\r\n");
  // Atomic beside the target: nothing left over there either.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "dotfiles"), {}), 2);
  EXPECT_EQ(ReadSettingsFiles(folder).port, (PortSettings{"COM3", 6, 2, 2, 2}));
}

}  // namespace
}  // namespace lirosa::test
