#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace lirosa {
namespace {

struct ParseCase {
  const char* name;
  std::vector<std::string> args;
  CommandAction action;
  std::string port;
  bool platformGiven;
};

class CommandLineParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(CommandLineParse, ReadsActionPortAndToolkitOptions) {
  const ParseCase& c = GetParam();
  const CommandLine line = ParseCommandLine(c.args);
  EXPECT_EQ(line.action, c.action) << line.error;
  EXPECT_EQ(line.port, c.port);
  EXPECT_EQ(line.platformGiven, c.platformGiven);
  EXPECT_EQ(line.error.empty(), c.action != CommandAction::UsageError);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineParse,
    ::testing::Values(
        ParseCase{"Nothing", {}, CommandAction::Run, "", false},
        ParseCase{"Port", {"/dev/ttyUSB0"}, CommandAction::Run, "/dev/ttyUSB0", false},
        ParseCase{"ComName", {"COM3"}, CommandAction::Run, "COM3", false},
        // The value of a toolkit option is not the port.
        ParseCase{"PlatformThenPort", {"-platform", "offscreen", "COM2"}, CommandAction::Run, "COM2", true},
        ParseCase{"PlatformInline", {"--platform=xcb"}, CommandAction::Run, "", true},
        ParseCase{"StyleAndFlag", {"-style", "Fusion", "-reverse", "x"}, CommandAction::Run, "x", false},
        ParseCase{"DashPortAfterEnd", {"--", "-odd-name"}, CommandAction::Run, "-odd-name", false},
        ParseCase{"LoneDashIsAPort", {"-"}, CommandAction::Run, "-", false},
        ParseCase{"HelpAnywhere", {"COM1", "-h"}, CommandAction::Help, "", false},
        ParseCase{"Version", {"--version"}, CommandAction::Version, "", false},
        ParseCase{"HelpAfterEndIsAPort", {"--", "--help"}, CommandAction::Run, "--help", false},
        ParseCase{"Unknown", {"--verbose"}, CommandAction::UsageError, "", false},
        ParseCase{"FlagWithValue", {"-reverse=1"}, CommandAction::UsageError, "", false},
        ParseCase{"MissingValue", {"-platform"}, CommandAction::UsageError, "", false},
        ParseCase{"EmptyPort", {""}, CommandAction::UsageError, "", false},
        ParseCase{"TwoPorts", {"a", "b"}, CommandAction::UsageError, "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLineText, VersionLineNamesTheProgram) {
  EXPECT_EQ(VersionLine().rfind("lirosa ", 0), 0U);
  EXPECT_NE(VersionLine(), "lirosa unknown");
}

}  // namespace
}  // namespace lirosa
