#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>

#include <string>
#include <vector>

#include "e2e/E2eSupport.h"
#include "support/TempDir.h"

namespace lirosa::test {
namespace {

using namespace std::chrono_literals;

const std::string kLineValues = "\r\n0\r\n0\r\n2\r\n6\r\n";

// True once the program has opened the slave and set it up (raw, 9600 baud):
// a fresh pseudo-terminal is canonical at 38400.
bool Configured(const PtyMaster& pty) {
  termios t{};
  if (tcgetattr(pty.fd(), &t) != 0) return false;
  return cfgetospeed(&t) == B9600 && (t.c_lflag & ICANON) == 0;
}

// One run of a built program with its output kept in files, no display and
// a settings folder whose set.log names a pseudo-terminal.
class ProgramRun : public ::testing::Test {
 protected:
  ProgramRun() {
    std::filesystem::create_directories(config.path() / "lirosa");
    config.Write("lirosa/set.log", stored.slavePath() + kLineValues);
  }

  int Run(const char* programVariable, const std::vector<std::string>& args,
          std::vector<std::string> env = {}) {
    const std::string program = ProgramFromEnv(programVariable);
    EXPECT_FALSE(program.empty()) << programVariable << " not set";
    std::vector<std::string> argv = {"/bin/sh", "-c", "exec \"$0\" \"$@\" >\"$OUT\" 2>\"$ERR\"", program};
    argv.insert(argv.end(), args.begin(), args.end());
    for (const char* name : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}) env.push_back(name);
    env.push_back("XDG_CONFIG_HOME=" + config.path().string());
    env.push_back("OUT=" + config.File("out"));
    env.push_back("ERR=" + config.File("err"));
    Child child(argv, env);
    return child.Wait(30s);
  }
  std::string Out() const { return config.Read("out"); }
  std::string Err() const { return config.Read("err"); }

  TempDir config;
  PtyMaster stored;
};

struct OptionCase {
  const char* name;
  const char* program;
  std::vector<std::string> args;
  int status;
  const char* out;  // expected at the start of stdout
  const char* err;  // expected somewhere in stderr
};

class CommandLineOption : public ProgramRun, public ::testing::WithParamInterface<OptionCase> {};

// Without a display: answered and ended before any window or port exists.
TEST_P(CommandLineOption, AnswersWithoutOpeningThePort) {
  const OptionCase& c = GetParam();
  EXPECT_EQ(Run(c.program, c.args), c.status);
  EXPECT_EQ(Out().rfind(c.out, 0), 0U) << Out();
  EXPECT_NE(Err().find(c.err), std::string::npos) << Err();
  if (*c.err == '\0') {
    EXPECT_EQ(Err(), "");
  }
  EXPECT_FALSE(Configured(stored));
  EXPECT_EQ(config.Read("lirosa/set.log"), stored.slavePath() + kLineValues);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, CommandLineOption,
    ::testing::Values(
        OptionCase{"Help", "LIROSA_BIN", {"--help"}, 0, "Usage: lirosa [PORT]\n", ""},
        OptionCase{"ShortHelp", "LIROSA_BIN", {"-h"}, 0, "Usage: lirosa [PORT]\n", ""},
        OptionCase{"Version", "LIROSA_BIN", {"--version"}, 0, "lirosa 4.", ""},
        OptionCase{"ShortVersion", "LIROSA_BIN", {"-v"}, 0, "lirosa 4.", ""},
        OptionCase{"HelpAfterPort", "LIROSA_BIN", {"/dev/pts/0", "--help"}, 0, "Usage:", ""},
        OptionCase{"UnknownOption", "LIROSA_BIN", {"--frobnicate"}, 2, "",
                   "lirosa: unknown option '--frobnicate'\nTry 'lirosa --help'.\n"},
        OptionCase{"TwoPorts", "LIROSA_BIN", {"/dev/pts/0", "/dev/pts/1"}, 2, "", "more than one port"},
        OptionCase{"QtOptionWithoutValue", "LIROSA_BIN", {"-style"}, 2, "", "'-style' needs a value"},
        OptionCase{"NoDisplay", "LIROSA_BIN", {}, 1, "", "a display is needed"},
        OptionCase{"SimVersion", "LIROSA_SIM_BIN", {"--version"}, 0, "lirosa-sim 4.", ""},
        OptionCase{"SimUnknownOption", "LIROSA_SIM_BIN", {"echo", "--frobnicate"}, 2, "",
                   "Try 'lirosa-sim --help'"}),
    [](const auto& info) { return std::string(info.param.name); });

// A port on the command line is opened instead of the stored one; the window
// saves what its port box shows on close, so it is then the stored port,
// the line values kept.
TEST_F(ProgramRun, OpensThePortGivenAndSavesItOnClose) {
  const std::string program = ProgramFromEnv("LIROSA_BIN");
  ASSERT_FALSE(program.empty()) << "LIROSA_BIN not set";
  PtyMaster given;
  Child app({program, "-platform", "offscreen", given.slavePath()},
            {"XDG_CONFIG_HOME=" + config.path().string()});
  ASSERT_TRUE(WaitFor([&] { return Configured(given); }, 10s)) << "the port given was not opened";
  EXPECT_FALSE(Configured(stored));

  app.Signal(SIGTERM);
  EXPECT_EQ(app.Wait(10s), 0);
  EXPECT_EQ(config.Read("lirosa/set.log"), given.slavePath() + kLineValues);
}

}  // namespace
}  // namespace lirosa::test
