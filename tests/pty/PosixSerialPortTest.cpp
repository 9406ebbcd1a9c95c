#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <numeric>
#include <vector>

#include "pty/PtyPair.h"
#include "serial/PosixSerialPort.h"
#include "serial/SessionLine.h"
#include "serial/SystemCalls.h"
#include "serial/Termios2.h"
#include "support/TempDir.h"

namespace lirosa {
namespace {

using test::PtyPair;
using test::SessionLine;
using test::WaitUntil;

class PosixSerialPortPty : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pty.ok()) << "openpty failed"; }

  void OpenConfigured(const LineState& state = SessionLine(9600)) {
    ASSERT_TRUE(port.Open(pty.path())) << port.LastError();
    ASSERT_TRUE(port.SetLineState(state)) << port.LastError();
  }

  Termios2Line SlaveLine() {
    Termios2Line line;
    EXPECT_EQ(ReadTermios2(SystemCalls::Real(), pty.slave(), line), 0);
    return line;
  }

  PtyPair pty;
  PosixSerialPort port;
};

TEST_F(PosixSerialPortPty, OpenSucceedsAndClearsAStaleError) {
  port.SetLastError(EBUSY);
  ASSERT_TRUE(port.Open(pty.path()));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.LastError(), 0);
}

TEST_F(PosixSerialPortPty, SecondOpenIsBusyUntilTheFirstCloses) {
  ASSERT_TRUE(port.Open(pty.path()));
  PosixSerialPort other;
  EXPECT_FALSE(other.Open(pty.path()));
  EXPECT_EQ(other.LastError(), EBUSY);
  EXPECT_FALSE(other.IsOpen());

  port.Close();
  EXPECT_TRUE(other.Open(pty.path())) << other.LastError();
}

TEST_F(PosixSerialPortPty, AbsentDeviceAndPlainFileAreRefused) {
  EXPECT_FALSE(port.Open("/dev/pts/lirosa-no-such-device"));
  EXPECT_EQ(port.LastError(), ENOENT);

  test::TempDir dir;
  dir.Write("plain", "x");
  EXPECT_FALSE(port.Open(dir.File("plain")));
  EXPECT_EQ(port.LastError(), ENOTTY);
  EXPECT_FALSE(port.IsOpen());
}

class PosixSerialPortBaud : public PosixSerialPortPty,
                            public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(PosixSerialPortBaud, SpeedReadsBackExactly) {
  ASSERT_NO_FATAL_FAILURE(OpenConfigured(SessionLine(GetParam())));
  EXPECT_EQ(SlaveLine().speed, GetParam());
  LineState state;
  ASSERT_TRUE(port.GetLineState(state));
  EXPECT_EQ(state.baudRate, GetParam());
}

INSTANTIATE_TEST_SUITE_P(EveryListedRate, PosixSerialPortBaud,
                         ::testing::Values(110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200,
                                           38400, 56000, 57600, 115200, 230400, 460800,
                                           500000, 576000, 921600, 1000000, 1152000, 1500000,
                                           2000000, 2500000, 3000000, 3500000, 4000000,
                                           // typed rates: no kernel code, BOTHER
                                           250000, 31250, 74880),
                         [](const auto& info) { return "B" + std::to_string(info.param); });

struct ParityRow {
  const char* name;
  int parity;
  bool odd;
  bool stick;
};

class PosixSerialPortParity : public PosixSerialPortPty,
                              public ::testing::WithParamInterface<ParityRow> {};

// A pty clears PARENB and forces CS8 on every set, but keeps PARODD, CMSPAR,
// CSTOPB and INPCK: those show that mark and space were asked for.
TEST_P(PosixSerialPortParity, PtyKeepsTheParityKindFlags) {
  const ParityRow& row = GetParam();
  ASSERT_NO_FATAL_FAILURE(OpenConfigured(SessionLine(9600, 7, row.parity, 2)));
  const Termios2Line line = SlaveLine();
  EXPECT_EQ(line.parityOdd, row.odd);
  EXPECT_EQ(line.parityStick, row.stick);
  EXPECT_TRUE(line.twoStopBits);
  EXPECT_TRUE(line.inputParityCheck);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PosixSerialPortParity,
                         ::testing::Values(ParityRow{"Odd", 1, true, false},
                                           ParityRow{"Even", 2, false, false},
                                           ParityRow{"Mark", 3, true, true},
                                           ParityRow{"Space", 4, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PosixSerialPortPty, FlowControlLeftOnByAnotherProgramIsSwitchedOff) {
  Termios2Line before;
  before.hardwareFlow = true;
  before.xonOutput = true;
  before.xonInput = true;
  ASSERT_EQ(WriteTermios2(SystemCalls::Real(), pty.slave(), before), 0);

  ASSERT_NO_FATAL_FAILURE(OpenConfigured());
  const Termios2Line line = SlaveLine();
  EXPECT_FALSE(line.hardwareFlow);
  EXPECT_FALSE(line.xonOutput);
  EXPECT_FALSE(line.xonInput);
}

TEST_F(PosixSerialPortPty, OneAndAHalfStopBitsAreRefused) {
  ASSERT_TRUE(port.Open(pty.path()));
  EXPECT_FALSE(port.SetLineState(SessionLine(9600, 8, 0, 1)));
  EXPECT_EQ(port.LastError(), 22);
}

TEST_F(PosixSerialPortPty, EveryByteValueCrossesUnchangedBothWays) {
  ASSERT_NO_FATAL_FAILURE(OpenConfigured());
  std::vector<std::uint8_t> all(256);
  std::iota(all.begin(), all.end(), 0);

  ASSERT_TRUE(pty.Send(all));
  std::vector<std::uint8_t> got;
  WaitUntil([&] {
    std::uint8_t buffer[300];
    const long n = port.Read(buffer, sizeof buffer);
    if (n > 0) got.insert(got.end(), buffer, buffer + n);
    return got.size() >= all.size() || n < 0;
  });
  EXPECT_EQ(got, all);

  const WriteResult written = port.Write(all.data(), all.size());
  EXPECT_EQ(written.accepted, all.size());
  EXPECT_EQ(written.error, 0);
  EXPECT_EQ(pty.Receive(all.size()), all);
}

TEST_F(PosixSerialPortPty, QueuedBytesAreCountedReadAndThenNoneRemain) {
  ASSERT_NO_FATAL_FAILURE(OpenConfigured());
  EXPECT_EQ(port.QueuedCount(), 0);
  std::uint8_t buffer[16];
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0) << "an empty queue is not an error";

  ASSERT_TRUE(pty.Send({'h', 'e', 'l', 'l', 'o'}));
  ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 5; }));
  EXPECT_EQ(port.Read(buffer, 3), 3);
  EXPECT_EQ(port.QueuedCount(), 2);
  EXPECT_EQ(port.Read(buffer + 3, sizeof buffer - 3), 2);
  EXPECT_EQ(std::string(buffer, buffer + 5), "hello");
  EXPECT_EQ(port.QueuedCount(), 0);
  EXPECT_EQ(port.LastError(), 0);
}

TEST_F(PosixSerialPortPty, DiscardDropsPendingInput) {
  ASSERT_NO_FATAL_FAILURE(OpenConfigured());
  ASSERT_TRUE(pty.Send({1, 2, 3}));
  ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 3; }));
  ASSERT_TRUE(port.Discard());
  EXPECT_EQ(port.QueuedCount(), 0);
}

TEST_F(PosixSerialPortPty, ModemLinesOfAPtyAreNotAnError) {
  ASSERT_NO_FATAL_FAILURE(OpenConfigured());
  EXPECT_TRUE(port.SetDtr(true));
  EXPECT_TRUE(port.SetDtr(false));
  EXPECT_EQ(port.LastError(), 0);
}

TEST_F(PosixSerialPortPty, WriteToAPeerThatNeverReadsGivesUpAfterAboutASecond) {
  ASSERT_NO_FATAL_FAILURE(OpenConfigured(SessionLine(115200)));
  const std::vector<std::uint8_t> block(1 << 20, 'x');
  const auto start = std::chrono::steady_clock::now();
  const WriteResult result = port.Write(block.data(), block.size());
  const auto elapsed = std::chrono::steady_clock::now() - start;

  EXPECT_EQ(result.error, ETIMEDOUT);
  EXPECT_GT(result.accepted, 0u);
  EXPECT_LT(result.accepted, block.size());
  EXPECT_EQ(port.LastError(), ETIMEDOUT);
  EXPECT_GE(elapsed, std::chrono::milliseconds(1000));
  EXPECT_LT(elapsed, std::chrono::milliseconds(2500));
}

TEST_F(PosixSerialPortPty, FarEndClosingReadsAsDeviceGone) {
  ASSERT_NO_FATAL_FAILURE(OpenConfigured());
  pty.CloseMaster();

  const long queued = port.QueuedCount();
  EXPECT_LT(queued, 0);
  EXPECT_TRUE(IsDeviceGone(static_cast<int>(-queued))) << queued;
  std::uint8_t buffer[8];
  const long read = port.Read(buffer, sizeof buffer);
  EXPECT_LT(read, 0);
  EXPECT_TRUE(IsDeviceGone(static_cast<int>(-read))) << read;
  const WriteResult written = port.Write(buffer, sizeof buffer);
  EXPECT_TRUE(IsDeviceGone(written.error)) << written.error;
  EXPECT_TRUE(IsDeviceGone(port.LastError()));

  port.Close();
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(PosixSerialPortPty, ClosedPortCanBeReopenedOnAFreshPair) {
  ASSERT_NO_FATAL_FAILURE(OpenConfigured());
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.QueuedCount(), -EBADF);

  PtyPair fresh;
  ASSERT_TRUE(fresh.ok());
  ASSERT_TRUE(port.Open(fresh.path())) << port.LastError();
  ASSERT_TRUE(port.SetLineState(SessionLine(19200)));
  ASSERT_TRUE(fresh.Send({'o', 'k'}));
  EXPECT_TRUE(WaitUntil([&] { return port.QueuedCount() == 2; }));
}

}  // namespace
}  // namespace lirosa
