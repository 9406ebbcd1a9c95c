#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "app/Clock.h"
#include "pty/PtyPair.h"
#include "serial/BufferedSerialPort.h"
#include "serial/PosixSerialPort.h"
#include "serial/SessionLine.h"

namespace lirosa {
namespace {

using test::PtyPair;
using test::WaitUntil;
using namespace std::chrono_literals;

// Not a multiple of any read or buffer size, so a byte out of place shows.
std::uint8_t PatternByte(std::size_t at) { return static_cast<std::uint8_t>(at % 251); }

class BufferedSerialPortPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok()) << "openpty failed";
    ASSERT_TRUE(port.Open(pty.path())) << port.LastError();
    ASSERT_TRUE(port.SetLineState(test::SessionLine(115200))) << port.LastError();
    ASSERT_TRUE(port.Discard());
  }

  // Writes `total` pattern bytes from the far end on a thread of its own, as
  // fast as the pty takes them.
  std::thread Flood(std::size_t total) {
    return std::thread([this, total] {
      std::vector<std::uint8_t> block(8192);
      std::size_t sent = 0;
      while (sent < total) {
        const std::size_t n = std::min(block.size(), total - sent);
        for (std::size_t i = 0; i < n; ++i) block[i] = PatternByte(sent + i);
        const ssize_t written = ::write(pty.master(), block.data(), n);
        if (written > 0) {
          sent += static_cast<std::size_t>(written);
        } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
          return;
        } else {
          pollfd out{pty.master(), POLLOUT, 0};
          ::poll(&out, 1, 5);
        }
      }
      floodSent = sent;
    });
  }

  // What a 10 ms tick takes: QueuedCount, then Read in 1024-byte chunks,
  // at most 64 KiB.
  std::vector<std::uint8_t> Tick(long& lastCount) {
    std::vector<std::uint8_t> got;
    std::uint8_t chunk[1024];
    while (got.size() < 64 * 1024) {
      lastCount = port.QueuedCount();
      if (lastCount <= 0) break;
      const long n = port.Read(chunk, std::min<std::size_t>(sizeof chunk, lastCount));
      EXPECT_GT(n, 0);
      if (n <= 0) break;
      got.insert(got.end(), chunk, chunk + n);
    }
    return got;
  }

  PtyPair pty;
  PosixSerialPort device;
  BufferedSerialPort port{device};
  std::size_t floodSent = 0;
};

TEST_F(BufferedSerialPortPty, TwoMegabyteFloodArrivesExactlyThroughTenMillisecondTicks) {
  constexpr std::size_t kTotal = 2'000'000;
  std::thread sender = Flood(kTotal);
  std::size_t received = 0;
  std::size_t firstBad = kTotal;
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + 20s;
  while (received < kTotal && std::chrono::steady_clock::now() < deadline) {
    long lastCount = 0;
    for (std::uint8_t byte : Tick(lastCount)) {
      if (firstBad == kTotal && byte != PatternByte(received)) firstBad = received;
      ++received;
    }
    ASSERT_GE(lastCount, 0) << "the port failed with " << -lastCount;
    std::this_thread::sleep_for(10ms);
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  sender.join();
  EXPECT_EQ(floodSent, kTotal);
  EXPECT_EQ(received, kTotal);
  EXPECT_EQ(firstBad, kTotal) << "first byte out of pattern at " << firstBad;
  // The driver alone would allow about 400 KB/s at this pace (5 s); the
  // buffer takes what the sender can give. Generous for a loaded machine.
  EXPECT_LT(elapsed, 4s);
}

TEST_F(BufferedSerialPortPty, DeviceGoneComesOnlyAfterEveryBufferedByte) {
  std::vector<std::uint8_t> bytes(3000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = PatternByte(i);
  ASSERT_TRUE(pty.Send(bytes));
  ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == static_cast<long>(bytes.size()); }));
  pty.CloseMaster();

  // The reader sees the hang-up on its own, with the bytes still unread.
  std::vector<std::uint8_t> got(100);
  ASSERT_EQ(port.Read(got.data(), got.size()), 100);
  ASSERT_TRUE(WaitUntil([&] {
    std::vector<std::uint8_t> rest(bytes.size());
    const long n = port.Read(rest.data(), rest.size());
    if (n > 0) got.insert(got.end(), rest.begin(), rest.begin() + n);
    return n < 0;
  }));
  EXPECT_EQ(got, bytes);
  EXPECT_EQ(port.QueuedCount(), -EIO);
  EXPECT_EQ(port.LastError(), EIO);
  EXPECT_TRUE(IsDeviceGone(static_cast<int>(port.QueuedCount())));
}

// The window stops polling an idle port and relies on this notice.
TEST_F(BufferedSerialPortPty, AnArmedNoticeComesOnceForInputAndForTheLossOfTheDevice) {
  std::atomic<int> notices = 0;
  port.SetInputNotice([&] { ++notices; });
  ASSERT_TRUE(port.ArmInputNotice());
  ASSERT_TRUE(pty.Send({0x01, 0x02}));
  ASSERT_TRUE(WaitUntil([&] { return notices == 1; }));
  // Not again for more input until armed again; not armable while input waits.
  ASSERT_TRUE(pty.Send({0x03}));
  ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 3; }));
  EXPECT_FALSE(port.ArmInputNotice());
  std::uint8_t got[3];
  ASSERT_EQ(port.Read(got, sizeof got), 3);
  EXPECT_EQ(notices, 1);

  ASSERT_TRUE(port.ArmInputNotice());
  pty.CloseMaster();
  ASSERT_TRUE(WaitUntil([&] { return notices == 2; }));
  EXPECT_EQ(port.QueuedCount(), -EIO);
  EXPECT_FALSE(port.ArmInputNotice());
  // Closing disarms: a port opened later says nothing unasked.
  port.Close();
  EXPECT_FALSE(port.ArmInputNotice());
  EXPECT_EQ(notices, 2);
}

TEST_F(BufferedSerialPortPty, CloseReturnsPromptlyWhileTheReaderWaits) {
  const auto start = std::chrono::steady_clock::now();
  port.Close();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.QueuedCount(), -EBADF);
  // The device is free again.
  PosixSerialPort other;
  EXPECT_TRUE(other.Open(pty.path())) << other.LastError();
}

// A replayed tick takes only the bytes that had arrived by its time.
TEST_F(BufferedSerialPortPty, ArrivalTimesTellWhatHadArrivedByATick) {
  const std::int64_t before = SteadyNowNs();
  ASSERT_TRUE(pty.Send({1, 2, 3}));
  ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 3; }));
  const std::int64_t between = SteadyNowNs();
  ASSERT_TRUE(pty.Send({4, 5}));
  ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 5; }));
  ASSERT_TRUE(port.StampsArrivals());
  EXPECT_EQ(port.QueuedCountBy(before), 0);
  EXPECT_EQ(port.QueuedCountBy(between), 3);
  EXPECT_EQ(port.QueuedCountBy(SteadyNowNs()), 5);
  // Reading takes from the oldest; a Discard forgets every time.
  std::uint8_t got[8] = {};
  ASSERT_EQ(port.Read(got, 2), 2);
  EXPECT_EQ(port.QueuedCountBy(between), 1);
  ASSERT_EQ(port.Read(got, 1), 1);
  EXPECT_EQ(port.QueuedCountBy(between), 0);
  EXPECT_EQ(port.QueuedCountBy(SteadyNowNs()), 2);
  ASSERT_TRUE(port.Discard());
  ASSERT_TRUE(pty.Send({6}));
  ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 1; }));
  EXPECT_EQ(port.QueuedCountBy(between), 0);
  EXPECT_EQ(port.QueuedCountBy(SteadyNowNs()), 1);
}

TEST_F(BufferedSerialPortPty, DiscardEmptiesTheBufferAndLaterBytesStillArrive) {
  ASSERT_TRUE(pty.Send(std::vector<std::uint8_t>(5000, 0xAA)));
  ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 5000; }));
  ASSERT_TRUE(port.Discard());
  EXPECT_EQ(port.QueuedCount(), 0);

  ASSERT_TRUE(pty.Send({1, 2, 3}));
  ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 3; }));
  std::uint8_t got[8] = {};
  ASSERT_EQ(port.Read(got, sizeof got), 3);
  EXPECT_EQ(got[0], 1);
  EXPECT_EQ(got[2], 3);
}

TEST(BufferedSerialPortFull, AFullBufferHoldsTheSenderBackAndLosesNothing) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  PosixSerialPort device;
  constexpr std::size_t kCapacity = 10'000;
  BufferedSerialPort port(device, kCapacity);
  ASSERT_TRUE(port.Open(pty.path())) << port.LastError();
  ASSERT_TRUE(port.SetLineState(test::SessionLine(115200)));

  // Far more than the buffer and the kernel's queues hold together: the
  // writer must stall until the port is read.
  constexpr std::size_t kTotal = 200'000;
  std::size_t sent = 0;
  std::vector<std::uint8_t> block(4096);
  auto offer = [&] {
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = PatternByte(sent + i);
    const ssize_t n = ::write(pty.master(), block.data(), std::min(block.size(), kTotal - sent));
    if (n > 0) sent += static_cast<std::size_t>(n);
  };
  EXPECT_FALSE(WaitUntil(
      [&] {
        offer();
        return sent == kTotal;
      },
      300ms));
  EXPECT_EQ(port.QueuedCount(), static_cast<long>(kCapacity));

  std::size_t received = 0;
  bool inOrder = true;
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (sent < kTotal) offer();
        std::uint8_t chunk[1024];
        const long n = port.Read(chunk, sizeof chunk);
        for (long i = 0; i < n; ++i) inOrder = inOrder && chunk[i] == PatternByte(received++);
        return received == kTotal;
      },
      10s));
  EXPECT_TRUE(inOrder);
}

}  // namespace
}  // namespace lirosa
