// The port against scripted system calls: the termios2 record it sends,
// what it does with EINTR, EAGAIN, short writes and failures. <asm/termbits.h>
// is included for the record, so nothing here may include <termios.h>.
#include <sys/ioctl.h>
#include <asm/termbits.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "serial/PosixSerialPort.h"
#include "serial/SessionLine.h"
#include "serial/SystemCalls.h"

namespace lirosa {
namespace {

using test::SessionLine;

constexpr int kFd = 42;
constexpr unsigned kUartMajor = 4;
constexpr unsigned kPtyMajor = 136;

// One step of a scripted read or write: fail with `error`, or move at most
// `bytes` (0 = end of file for a read).
struct Step {
  int error = 0;
  std::size_t bytes = 0;
};

// A terminal in memory. It keeps a termios2 record the way a driver does,
// lets `driver` alter what is set (as a real driver rounds or drops bits),
// and runs a clock that only the port's waits move.
class FakeTerminal : public SystemCalls {
 public:
  FakeTerminal() {
    record.c_iflag = ICRNL | IXON | IXOFF | IGNPAR;
    record.c_oflag = OPOST | ONLCR;
    record.c_lflag = ECHO | ICANON | ISIG | IEXTEN;
    record.c_cflag = B9600 | (B9600 << IBSHIFT) | CS8 | CREAD | HUPCL | CRTSCTS;
    record.c_ispeed = record.c_ospeed = 9600;
    record.c_cc[VMIN] = 0;
    record.c_cc[VTIME] = 5;
  }

  int Open(const char*, int flags) override {
    openFlags = flags;
    if (openError) return Failure(openError);
    return kFd;
  }
  int Close(int fd) override {
    calls.push_back("close");
    EXPECT_EQ(fd, kFd);
    return 0;
  }
  long Read(int, void* buffer, std::size_t count) override {
    if (reads.empty()) return Failure(EAGAIN);
    const Step step = reads.front();
    reads.pop_front();
    if (step.error) return Failure(step.error);
    const std::size_t n = std::min(count, step.bytes);
    std::memset(buffer, 'r', n);
    return static_cast<long>(n);
  }
  long Write(int, const void* data, std::size_t count) override {
    ++writeCalls;
    std::size_t n = count;
    if (!writes.empty()) {
      const Step step = writes.front();
      writes.pop_front();
      if (step.error) return Failure(step.error);
      n = std::min(count, step.bytes);
    }
    written.append(static_cast<const char*>(data), n);
    return static_cast<long>(n);
  }
  int Poll(int, short events, int timeoutMs) override {
    EXPECT_EQ(events, POLLOUT);
    pollTimeouts.push_back(timeoutMs);
    now += timeoutMs;
    return 0;
  }
  int Ioctl(int, unsigned long request, void* argument) override {
    requests.push_back(request);
    if (const auto failure = ioctlErrors.find(request); failure != ioctlErrors.end()) {
      return Failure(failure->second);
    }
    switch (request) {
      case TCGETS2:
        std::memcpy(argument, &record, sizeof record);
        return 0;
      case TCSETS2:
        ++sets;
        std::memcpy(&record, argument, sizeof record);
        if (driver) driver(record);
        return 0;
      case FIONREAD:
        *static_cast<int*>(argument) = queued;
        return 0;
      case TIOCMBIS:
        modemLines |= *static_cast<int*>(argument);
        return 0;
      case TIOCMBIC:
        modemLines &= ~*static_cast<int*>(argument);
        return 0;
      case TIOCMGET:
        *static_cast<int*>(argument) = modemLines;
        return 0;
      case TCFLSH:
        flushArgument = reinterpret_cast<std::intptr_t>(argument);
        return 0;
      case TIOCEXCL:
        calls.push_back("excl");
        return 0;
      case TIOCNXCL:
        calls.push_back("nxcl");
        return 0;
    }
    return Failure(ENOTTY);
  }
  int Flock(int, int operation) override {
    calls.push_back(operation == LOCK_UN ? "unlock" : "lock");
    if (operation != LOCK_UN) lockOperation = operation;
    if (operation != LOCK_UN && flockError) return Failure(flockError);
    return 0;
  }
  int Fstat(int, struct stat* info) override {
    *info = {};
    info->st_mode = S_IFCHR | 0660;
    info->st_rdev = makedev(major, 3);
    return 0;
  }
  std::int64_t MonotonicMs() override { return now; }

  termios2 record{};
  std::function<void(termios2&)> driver;
  unsigned major = kUartMajor;
  int openError = 0;
  int openFlags = 0;
  int flockError = 0;
  int lockOperation = 0;
  std::map<unsigned long, int> ioctlErrors;
  std::vector<unsigned long> requests;
  std::vector<std::string> calls;
  int sets = 0;
  int queued = 0;
  int modemLines = 0;
  std::intptr_t flushArgument = -1;
  std::deque<Step> reads;
  std::deque<Step> writes;
  int writeCalls = 0;
  std::string written;
  std::vector<int> pollTimeouts;
  std::int64_t now = 5000;

 private:
  static int Failure(int error) {
    errno = error;
    return -1;
  }
};

class PosixSerialPortCalls : public ::testing::Test {
 protected:
  void OpenPort() { ASSERT_TRUE(port.Open("/dev/ttyFake")) << port.LastError(); }

  FakeTerminal fake;
  PosixSerialPort port{fake};
};

TEST_F(PosixSerialPortCalls, OpenIsNonBlockingLockedAndExclusive) {
  port.SetLastError(EIO);
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  EXPECT_EQ(fake.openFlags, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  EXPECT_EQ(fake.lockOperation, LOCK_EX | LOCK_NB);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"lock", "excl"}));
  EXPECT_EQ(port.LastError(), 0);

  port.Close();
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"lock", "excl", "nxcl", "unlock", "close"}));
  port.Close();
  EXPECT_EQ(fake.calls.size(), 5u) << "a second close touches nothing";
}

struct OpenRow {
  const char* name;
  std::function<void(FakeTerminal&)> arrange;
  int error;      // 0: the open succeeds
  bool released;  // the descriptor was closed again
};

void PrintTo(const OpenRow& row, std::ostream* out) { *out << row.name; }

class PosixSerialPortOpen : public PosixSerialPortCalls,
                            public ::testing::WithParamInterface<OpenRow> {};

TEST_P(PosixSerialPortOpen, FailsCleanlyOrSucceeds) {
  GetParam().arrange(fake);
  const bool opened = port.Open("/dev/ttyFake");
  EXPECT_EQ(opened, GetParam().error == 0);
  EXPECT_EQ(port.IsOpen(), opened);
  EXPECT_EQ(port.LastError(), GetParam().error);
  const bool closed = std::count(fake.calls.begin(), fake.calls.end(), "close") == 1;
  EXPECT_EQ(closed, GetParam().released);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, PosixSerialPortOpen,
    ::testing::Values(
        OpenRow{"Absent", [](FakeTerminal& f) { f.openError = ENOENT; }, ENOENT, false},
        OpenRow{"Refused", [](FakeTerminal& f) { f.openError = EACCES; }, EACCES, false},
        OpenRow{"NotATerminal", [](FakeTerminal& f) { f.ioctlErrors[TCGETS2] = ENOTTY; }, ENOTTY,
                true},
        OpenRow{"NoUartBehindIt", [](FakeTerminal& f) { f.ioctlErrors[TCGETS2] = EIO; }, EIO, true},
        OpenRow{"LockedByAnother", [](FakeTerminal& f) { f.flockError = EWOULDBLOCK; }, EBUSY,
                true},
        OpenRow{"ExclusiveUnknown", [](FakeTerminal& f) { f.ioctlErrors[TIOCEXCL] = EINVAL; }, 0,
                false},
        OpenRow{"ExclusiveRefused", [](FakeTerminal& f) { f.ioctlErrors[TIOCEXCL] = EPERM; }, EPERM,
                true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PosixSerialPortCalls, LineStateMakesARawLineWithoutFlowControl) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  ASSERT_TRUE(port.SetLineState(SessionLine(9600)));
  const termios2& r = fake.record;
  EXPECT_EQ(r.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(r.c_oflag & OPOST, 0u);
  EXPECT_EQ(r.c_iflag & (ICRNL | IXON | IXOFF | IGNPAR | INPCK), 0u);
  EXPECT_EQ(r.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(r.c_cflag & (CLOCAL | CREAD | HUPCL), CLOCAL | CREAD | HUPCL);
  EXPECT_EQ(r.c_cflag & CIBAUD, 0u);
  EXPECT_EQ(r.c_cc[VMIN], 1);
  EXPECT_EQ(r.c_cc[VTIME], 0);
  EXPECT_EQ(r.c_cc[VSTART], 0x11);
  EXPECT_EQ(r.c_cc[VSTOP], 0x13);
}

struct SpeedRow {
  std::uint32_t baud;
  tcflag_t code;
};

class PosixSerialPortSpeed : public PosixSerialPortCalls,
                             public ::testing::WithParamInterface<SpeedRow> {};

TEST_P(PosixSerialPortSpeed, UsesTheKernelCodeOrBother) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  ASSERT_TRUE(port.SetLineState(SessionLine(GetParam().baud)));
  EXPECT_EQ(fake.record.c_cflag & CBAUD, GetParam().code);
  EXPECT_EQ(fake.record.c_ospeed, GetParam().baud);
  LineState state;
  ASSERT_TRUE(port.GetLineState(state));
  EXPECT_EQ(state.baudRate, GetParam().baud);
}

INSTANTIATE_TEST_SUITE_P(Rates, PosixSerialPortSpeed,
                         ::testing::Values(SpeedRow{110, B110}, SpeedRow{9600, B9600},
                                           SpeedRow{14400, BOTHER}, SpeedRow{56000, BOTHER},
                                           SpeedRow{57600, B57600}, SpeedRow{115200, B115200}),
                         [](const auto& info) { return "B" + std::to_string(info.param.baud); });

struct FrameRow {
  const char* name;
  int dataBits;
  int parity;
  int stopBits;
  tcflag_t cflag;  // CSIZE, parity and stop bits as the driver must see them
  bool parityCheck;
};

void PrintTo(const FrameRow& row, std::ostream* out) { *out << row.name; }

class PosixSerialPortFrame : public PosixSerialPortCalls,
                             public ::testing::WithParamInterface<FrameRow> {};

TEST_P(PosixSerialPortFrame, SetsAndReadsBackTheFrame) {
  const FrameRow& row = GetParam();
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  ASSERT_TRUE(port.SetLineState(SessionLine(9600, row.dataBits, row.parity, row.stopBits)));
  EXPECT_EQ(fake.record.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), row.cflag);
  EXPECT_EQ((fake.record.c_iflag & INPCK) != 0, row.parityCheck);

  LineState state;
  ASSERT_TRUE(port.GetLineState(state));
  EXPECT_EQ(state.dataBits, row.dataBits);
  EXPECT_EQ(state.parity, row.parity);
  EXPECT_EQ(state.stopBits, row.stopBits);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, PosixSerialPortFrame,
    ::testing::Values(FrameRow{"Eight_None_One", 8, 0, 0, CS8, false},
                      FrameRow{"Seven_Odd_One", 7, 1, 0, CS7 | PARENB | PARODD, true},
                      FrameRow{"Seven_Even_Two", 7, 2, 2, CS7 | PARENB | CSTOPB, true},
                      FrameRow{"Eight_Mark_One", 8, 3, 0, CS8 | PARENB | PARODD | CMSPAR, true},
                      FrameRow{"Six_Space_Two", 6, 4, 2, CS6 | PARENB | CMSPAR | CSTOPB, true},
                      FrameRow{"Five_None_OneAndAHalf", 5, 0, 1, CS5 | CSTOPB, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusedRow {
  const char* name;
  LineState state;
};

void PrintTo(const RefusedRow& row, std::ostream* out) { *out << row.name; }

class PosixSerialPortRefused : public PosixSerialPortCalls,
                               public ::testing::WithParamInterface<RefusedRow> {};

TEST_P(PosixSerialPortRefused, FailsWithEinvalAndLeavesTheLineAlone) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  EXPECT_FALSE(port.SetLineState(GetParam().state));
  EXPECT_EQ(port.LastError(), EINVAL);
  EXPECT_EQ(fake.sets, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PosixSerialPortRefused,
    ::testing::Values(RefusedRow{"OneAndAHalfStopWithEightBits", SessionLine(9600, 8, 0, 1)},
                      RefusedRow{"TwoStopWithFiveBits", SessionLine(9600, 5, 0, 2)},
                      RefusedRow{"NineDataBits", SessionLine(9600, 9)},
                      RefusedRow{"UnknownParity", SessionLine(9600, 8, 5)},
                      RefusedRow{"ZeroBaud", SessionLine(0)}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReadBackRow {
  const char* name;
  unsigned major;
  LineState asked;
  std::function<void(termios2&)> driver;
  bool accepted;
};

void PrintTo(const ReadBackRow& row, std::ostream* out) { *out << row.name; }

class PosixSerialPortReadBack : public PosixSerialPortCalls,
                                public ::testing::WithParamInterface<ReadBackRow> {};

TEST_P(PosixSerialPortReadBack, ComparesWhatTheDriverKept) {
  fake.major = GetParam().major;
  fake.driver = GetParam().driver;
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  EXPECT_EQ(port.SetLineState(GetParam().asked), GetParam().accepted);
  EXPECT_EQ(port.LastError(), GetParam().accepted ? 0 : EINVAL);
}

void ScaleSpeed(termios2& r, double factor) {
  r.c_cflag = (r.c_cflag & ~CBAUD) | BOTHER;
  r.c_ospeed = static_cast<speed_t>(r.c_ospeed * factor);
}

void LikeAPty(termios2& r) { r.c_cflag = (r.c_cflag & ~(CSIZE | PARENB)) | CS8; }

INSTANTIATE_TEST_SUITE_P(
    Drivers, PosixSerialPortReadBack,
    ::testing::Values(ReadBackRow{"SpeedTwoPercentOff", kUartMajor, SessionLine(56000),
                                  [](termios2& r) { ScaleSpeed(r, 1.02); }, true},
                      ReadBackRow{"SpeedFivePercentOff", kUartMajor, SessionLine(56000),
                                  [](termios2& r) { ScaleSpeed(r, 0.95); }, false},
                      ReadBackRow{"UartWithoutMarkParity", kUartMajor, SessionLine(9600, 8, 3),
                                  [](termios2& r) { r.c_cflag &= ~CMSPAR; }, false},
                      ReadBackRow{"UartWithoutSevenBits", kUartMajor, SessionLine(9600, 7),
                                  LikeAPty, false},
                      ReadBackRow{"PtyForcingEightBitsNoParity", kPtyMajor, SessionLine(9600, 7, 2),
                                  LikeAPty, true},
                      ReadBackRow{"PtyDroppingStopBits", kPtyMajor, SessionLine(9600, 8, 0, 2),
                                  [](termios2& r) { r.c_cflag &= ~CSTOPB; }, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PosixSerialPortCalls, DiscardFlushesBothDirections) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  ASSERT_TRUE(port.Discard());
  EXPECT_EQ(fake.flushArgument, 2) << "TCIOFLUSH";
  fake.ioctlErrors[TCFLSH] = EIO;
  EXPECT_FALSE(port.Discard());
  EXPECT_EQ(port.LastError(), EIO);
}

TEST_F(PosixSerialPortCalls, DtrRaisesRtsWithItAndLowersOnlyDtr) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  ASSERT_TRUE(port.SetDtr(true));
  EXPECT_EQ(fake.modemLines, TIOCM_DTR | TIOCM_RTS);
  ASSERT_TRUE(port.SetDtr(false));
  EXPECT_EQ(fake.modemLines, TIOCM_RTS);

  fake.ioctlErrors[TIOCMBIS] = ENOTTY;
  EXPECT_TRUE(port.SetDtr(true)) << "no modem lines is not an error";
  EXPECT_EQ(port.LastError(), 0);
  fake.ioctlErrors[TIOCMBIS] = EIO;
  EXPECT_FALSE(port.SetDtr(true));
  EXPECT_EQ(port.LastError(), EIO);
}

TEST_F(PosixSerialPortCalls, SuccessLeavesAnEarlierErrorForTheFinalCheck) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  EXPECT_FALSE(port.SetLineState(SessionLine(9600, 8, 0, 1)));
  EXPECT_TRUE(port.SetTimeouts({0xFFFFFFFFu, 100, 1000, 100, 1000}));
  EXPECT_TRUE(port.SetQueueSizes(1024, 1024));
  EXPECT_TRUE(port.Discard());
  EXPECT_TRUE(port.SetDtr(true));
  EXPECT_EQ(port.LastError(), EINVAL);
  EXPECT_EQ(port.StoredTimeouts().readTotalConstant, 1000u);
  EXPECT_EQ(port.InputQueueSize(), 1024u);
}

TEST_F(PosixSerialPortCalls, ClosedPortRefusesEverything) {
  LineState state;
  EXPECT_FALSE(port.GetLineState(state));
  EXPECT_EQ(port.LastError(), EBADF);
  EXPECT_EQ(port.QueuedCount(), -EBADF);
  std::uint8_t byte = 0;
  EXPECT_EQ(port.Read(&byte, 1), -EBADF);
  EXPECT_EQ(port.Write(&byte, 1).error, EBADF);
  EXPECT_EQ(fake.requests.size(), 0u);
}

TEST_F(PosixSerialPortCalls, QueuedCountOrTheFailure) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  fake.queued = 37;
  EXPECT_EQ(port.QueuedCount(), 37);
  fake.ioctlErrors[FIONREAD] = EIO;
  EXPECT_EQ(port.QueuedCount(), -EIO);
  EXPECT_EQ(port.LastError(), EIO);
}

TEST_F(PosixSerialPortCalls, ReadRetriesInterruptionsAndTellsEmptyFromGone) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  std::uint8_t buffer[16];
  fake.reads = {{EINTR, 0}, {EINTR, 0}, {0, 5}};
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 5);
  EXPECT_EQ(port.Read(buffer, sizeof buffer), 0) << "EAGAIN: nothing waiting";
  EXPECT_EQ(port.LastError(), 0);

  fake.reads = {{0, 0}};
  EXPECT_EQ(port.Read(buffer, sizeof buffer), -EIO) << "end of file: hung up";
  EXPECT_TRUE(IsDeviceGone(port.LastError()));

  fake.reads = {{EBADF, 0}};
  EXPECT_EQ(port.Read(buffer, sizeof buffer), -EBADF);
  EXPECT_EQ(port.LastError(), EBADF);
}

class PosixSerialPortWrite : public PosixSerialPortCalls {
 protected:
  WriteResult WriteText(const std::string& text) {
    return port.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  }
};

TEST_F(PosixSerialPortWrite, InterruptionsAreRetried) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  fake.writes = {{EINTR, 0}, {EINTR, 0}};
  const WriteResult result = WriteText("abcdef");
  EXPECT_EQ(result.accepted, 6u);
  EXPECT_EQ(result.error, 0);
  EXPECT_EQ(fake.written, "abcdef");
}

TEST_F(PosixSerialPortWrite, ShortWritesAreSummedInOrder) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  fake.writes = {{0, 3}, {0, 1}, {0, 4}};
  const WriteResult result = WriteText("0123456789");
  EXPECT_EQ(result.accepted, 10u);
  EXPECT_EQ(result.error, 0);
  EXPECT_EQ(fake.written, "0123456789");
  EXPECT_EQ(fake.writeCalls, 4);
}

TEST_F(PosixSerialPortWrite, SlowProgressIsNotAStall) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  // 950 ms of EAGAIN before each byte: never a full second without progress.
  for (int i = 0; i < 3; ++i) {
    for (int wait = 0; wait < 19; ++wait) fake.writes.push_back({EAGAIN, 0});
    fake.writes.push_back({0, 1});
  }
  const WriteResult result = WriteText("xyz");
  EXPECT_EQ(result.accepted, 3u);
  EXPECT_EQ(result.error, 0);
  EXPECT_GE(fake.now - 5000, 3 * 950);
}

TEST_F(PosixSerialPortWrite, GivesUpAfterASecondWithoutProgress) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  fake.writes = {{0, 2}};
  for (int i = 0; i < 1000; ++i) fake.writes.push_back({EAGAIN, 0});
  const WriteResult result = WriteText("abcdef");
  EXPECT_EQ(result.accepted, 2u);
  EXPECT_EQ(result.error, ETIMEDOUT);
  EXPECT_EQ(port.LastError(), ETIMEDOUT);
  EXPECT_GT(fake.now - 5000, 1000);
  EXPECT_LE(fake.now - 5000, 1050);
  for (int timeout : fake.pollTimeouts) {
    EXPECT_GE(timeout, 1);
    EXPECT_LE(timeout, 50) << "a pty never wakes POLLOUT: waits stay short";
  }
}

// After a write gave up, a line that still takes nothing fails the next
// writes at once; as soon as it takes a byte, writes wait as before.
struct AfterStallRow {
  const char* name;
  void (*between)(PosixSerialPort& port);  // what happens after the stall
  bool stillStalled;
};

class PosixSerialPortAfterStall : public PosixSerialPortWrite,
                                  public ::testing::WithParamInterface<AfterStallRow> {};

TEST_P(PosixSerialPortAfterStall, FailsAtOnceOnlyWhileTheLineTakesNothing) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  for (int i = 0; i < 1000; ++i) fake.writes.push_back({EAGAIN, 0});
  ASSERT_EQ(WriteText("ab").error, ETIMEDOUT);
  fake.writes.clear();
  GetParam().between(port);

  // Still full: no waiting at all.
  const std::int64_t before = fake.now;
  const std::size_t polls = fake.pollTimeouts.size();
  fake.writes = {{EAGAIN, 0}, {EAGAIN, 0}, {0, 1}};
  const WriteResult result = WriteText("cd");
  if (GetParam().stillStalled) {
    EXPECT_EQ(result.accepted, 0u);
    EXPECT_EQ(result.error, ETIMEDOUT);
    EXPECT_EQ(fake.now, before);
    EXPECT_EQ(fake.pollTimeouts.size(), polls);
    return;
  }
  EXPECT_EQ(result.accepted, 2u);
  EXPECT_EQ(result.error, 0);
  EXPECT_EQ(fake.now, before + 100) << "a line that drained waits for room again";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PosixSerialPortAfterStall,
    ::testing::Values(
        AfterStallRow{"NothingChanged", [](PosixSerialPort&) {}, true},
        // The line took a byte again: waiting is worth it once more.
        AfterStallRow{"LineTookBytes",
                      [](PosixSerialPort& port) {
                        const std::uint8_t one = 'x';
                        EXPECT_EQ(port.Write(&one, 1).accepted, 1u);
                      },
                      false},
        AfterStallRow{"Flushed", [](PosixSerialPort& port) { EXPECT_TRUE(port.Discard()); }, false},
        AfterStallRow{"Reopened",
                      [](PosixSerialPort& port) {
                        port.Close();
                        EXPECT_TRUE(port.Open("/dev/ttyFake"));
                      },
                      false}),
    [](const ::testing::TestParamInfo<AfterStallRow>& info) { return std::string(info.param.name); });

TEST_F(PosixSerialPortWrite, FailureEndsTheWriteWithWhatWasAccepted) {
  ASSERT_NO_FATAL_FAILURE(OpenPort());
  fake.writes = {{0, 4}, {EIO, 0}};
  const WriteResult result = WriteText("abcdefgh");
  EXPECT_EQ(result.accepted, 4u);
  EXPECT_EQ(result.error, EIO);
  EXPECT_EQ(port.LastError(), EIO);
  EXPECT_EQ(fake.writeCalls, 2);
}

struct GoneRow {
  int error;
  bool gone;
};

class DeviceGone : public ::testing::TestWithParam<GoneRow> {};

TEST_P(DeviceGone, OnlyTheUnplugErrorsMeanGone) {
  EXPECT_EQ(IsDeviceGone(GetParam().error), GetParam().gone);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, DeviceGone,
    ::testing::Values(GoneRow{EIO, true}, GoneRow{ENXIO, true}, GoneRow{ENODEV, true},
                      GoneRow{-EIO, true}, GoneRow{0, false}, GoneRow{EAGAIN, false},
                      GoneRow{ETIMEDOUT, false}, GoneRow{EBUSY, false}, GoneRow{EINVAL, false}),
    [](const auto& info) {
      return std::string(info.param.error < 0 ? "Minus" : "") +
             (info.param.error == 0 ? "None" : strerrorname_np(std::abs(info.param.error)));
    });

}  // namespace
}  // namespace lirosa
