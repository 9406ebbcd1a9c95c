#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>

#include "e2e/E2eSupport.h"
#include "support/TempDir.h"

namespace lirosa::test {
namespace {

using namespace std::chrono_literals;

// The real program, offscreen, opens the stored pseudo-terminal at start-up
// with the stored line values and, on SIGTERM, saves and exits.
TEST(StartupE2eTest, OpensTheStoredPortAndSavesOnSigterm) {
  std::string lirosa = ProgramFromEnv("LIROSA_BIN");
  ASSERT_FALSE(lirosa.empty()) << "LIROSA_BIN not set";
  TempDir config;
  PtyMaster pty;
  std::filesystem::create_directories(config.path() / "lirosa");
  config.Write("lirosa/set.log", pty.slavePath() + "\r\n0\r\n0\r\n2\r\n6\r\n");
  config.Write("lirosa/data.log", "01 03 00 00 00 0A\r\n\r\n\r\n");

  Child app({lirosa}, {"XDG_CONFIG_HOME=" + config.path().string(), "QT_QPA_PLATFORM=offscreen"});

  // The far end shares the line settings: raw mode at 9600 baud once opened.
  auto configured = [&] {
    termios t{};
    if (tcgetattr(pty.fd(), &t) != 0) return false;
    return cfgetospeed(&t) == B9600 && (t.c_lflag & ICANON) == 0 && (t.c_cflag & CSIZE) == CS8;
  };
  ASSERT_TRUE(WaitFor(configured, 10s)) << "the port was not opened and configured";

  app.Signal(SIGTERM);
  EXPECT_EQ(app.Wait(10s), 0);
  EXPECT_EQ(config.Read("lirosa/set.log"), pty.slavePath() + "\r\n0\r\n0\r\n2\r\n6\r\n");
  EXPECT_EQ(config.Read("lirosa/data.log"), "01 03 00 00 00 0A\r\n\r\n\r\n");
}

}  // namespace
}  // namespace lirosa::test
