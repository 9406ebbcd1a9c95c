// Runs under Wine with COM1 mapped to a pseudo-terminal whose far end
// (tests/win32/with-pty.py) echoes every byte back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "win32/serial/Win32SerialPort.h"

namespace lirosa {
namespace {

const char* kPort = "COM1";

class Win32SerialPortTest : public ::testing::Test {
 protected:
  // The session's own sequence after opening.
  void Configure(std::uint32_t baud) {
    LineState line;
    ASSERT_TRUE(port.GetLineState(line));
    line.baudRate = baud;
    line.dataBits = 8;
    line.parity = 0;
    line.stopBits = 0;
    ASSERT_TRUE(port.SetLineState(line)) << port.LastError();
    ASSERT_TRUE(port.SetTimeouts({MAXDWORD, 100, 1000, 100, 1000}));
    ASSERT_TRUE(port.SetQueueSizes(1024, 1024));
    ASSERT_TRUE(port.Discard());
  }

  // Reads until `count` bytes came or the deadline passed.
  std::vector<std::uint8_t> ReadAtLeast(std::size_t count) {
    std::vector<std::uint8_t> got;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      long queued = port.QueuedCount();
      EXPECT_GE(queued, 0);
      if (queued <= 0) {
        Sleep(5);
        continue;
      }
      std::vector<std::uint8_t> chunk(static_cast<std::size_t>(queued));
      long n = port.Read(chunk.data(), chunk.size());
      EXPECT_GE(n, 0);
      if (n > 0) got.insert(got.end(), chunk.begin(), chunk.begin() + n);
    }
    return got;
  }

  Win32SerialPort port;
};

TEST_F(Win32SerialPortTest, AnAbsentPortFailsWithItsWin32Error) {
  // COM300, as the window names it: beyond every port the system has.
  EXPECT_FALSE(port.Open("/dev/ttyS299"));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.LastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(Win32SerialPortTest, ConfiguresTheLineAndKeepsTheValues) {
  ASSERT_TRUE(port.Open(kPort)) << port.LastError();
  EXPECT_EQ(port.LastError(), 0);
  Configure(19200);
  LineState read;
  ASSERT_TRUE(port.GetLineState(read));
  EXPECT_EQ(read.baudRate, 19200u);
  EXPECT_EQ(read.dataBits, 8);
  EXPECT_EQ(read.parity, 0);
  EXPECT_EQ(read.stopBits, 0);
  // A pty has no modem lines: Wine answers ERROR_NOT_SUPPORTED, which the
  // layer takes as done, leaving no error behind for the window's check.
  EXPECT_TRUE(port.SetDtr(true)) << port.LastError();
  EXPECT_TRUE(port.SetDtr(false)) << port.LastError();
  EXPECT_EQ(port.LastError(), 0);
}

TEST_F(Win32SerialPortTest, BytesWrittenComeBackFromTheEchoByteForByte) {
  ASSERT_TRUE(port.Open(kPort)) << port.LastError();
  Configure(19200);
  std::vector<std::uint8_t> frame;
  for (int i = 0; i < 300; ++i) frame.push_back(static_cast<std::uint8_t>(i * 7));
  WriteResult written = port.Write(frame.data(), frame.size());
  EXPECT_EQ(written.error, 0);
  EXPECT_EQ(written.accepted, frame.size());
  EXPECT_EQ(ReadAtLeast(frame.size()), frame);
}

TEST_F(Win32SerialPortTest, ReopensAfterClose) {
  ASSERT_TRUE(port.Open(kPort));
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  ASSERT_TRUE(port.Open(kPort)) << port.LastError();
  Configure(19200);
}

// Run with nobody reading the pty's far end (with-pty.py --device none): the
// line takes a few kilobytes and then nothing, as a device that stopped
// reading. The write ends instead of holding the window.
TEST_F(Win32SerialPortTest, AStalledLineEndsTheWriteWithinSecondsWithWhatWasTaken) {
  if (std::getenv("LIROSA_STALLED_LINE") == nullptr) GTEST_SKIP() << "needs a far end that never reads";
  ASSERT_TRUE(port.Open(kPort)) << port.LastError();
  Configure(115200);
  std::vector<std::uint8_t> block(256 * 1024, 0x55);
  auto start = std::chrono::steady_clock::now();
  WriteResult written = port.Write(block.data(), block.size());
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(written.error, ETIMEDOUT);
  EXPECT_LT(written.accepted, block.size());
  EXPECT_LT(took, std::chrono::seconds(5));
  // Later writes fail at once while the line still takes nothing.
  start = std::chrono::steady_clock::now();
  written = port.Write(block.data(), 16);
  EXPECT_EQ(written.error, ETIMEDOUT);
  EXPECT_EQ(written.accepted, 0u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  // A discard empties the output: the line takes bytes again.
  ASSERT_TRUE(port.Discard());
  written = port.Write(block.data(), 16);
  EXPECT_EQ(written.error, 0);
  EXPECT_EQ(written.accepted, 16u);
}

TEST(Win32DeviceGoneTest, UnpluggedAdapterErrorsAreDeviceLoss) {
  for (unsigned long error : {ERROR_ACCESS_DENIED, ERROR_BAD_COMMAND, ERROR_DEVICE_REMOVED}) {
    EXPECT_TRUE(IsWin32DeviceGone(error)) << error;
  }
  EXPECT_FALSE(IsWin32DeviceGone(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(IsDeviceGone(EIO));
}

}  // namespace
}  // namespace lirosa
