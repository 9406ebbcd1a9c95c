#include "serial/PosixSerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "serial/SystemCalls.h"
#include "serial/Termios2.h"

namespace lirosa {
namespace {

constexpr std::int64_t kWriteStallMs = 1000;
// On a pseudo-terminal POLLOUT does not wake when room returns, so the wait
// is cut into short steps and the write retried after each.
constexpr std::int64_t kWritePollStepMs = 50;
// Unix 98 pseudo-terminal slaves.
constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kLastPtyMajor = 143;

int ParityOf(const Termios2Line& line) {
  if (!line.parityEnable) return 0;
  if (line.parityStick) return line.parityOdd ? 3 : 4;
  return line.parityOdd ? 1 : 2;
}

// The stop-bit rule of a 16550-style UART: CSTOPB means 1.5 stop bits with
// 5 data bits and 2 with 6-8, so each data size allows only one of the two.
bool StopBitsExpressible(int stopBits, int dataBits) {
  switch (stopBits) {
    case 0:
      return true;
    case 1:
      return dataBits == 5;
    case 2:
      return dataBits != 5;
  }
  return false;
}

int StopBitsOf(const Termios2Line& line) {
  if (!line.twoStopBits) return 0;
  return line.characterSize == 5 ? 1 : 2;
}

bool SpeedClose(std::uint32_t actual, std::uint32_t wanted) {
  const auto difference = static_cast<std::uint64_t>(
      std::llabs(static_cast<long long>(actual) - static_cast<long long>(wanted)));
  return difference * 100 <= static_cast<std::uint64_t>(wanted) * 3;
}

void* IntArgument(int value) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(value)); }

bool NoModemLines(int error) { return error == ENOTTY || error == EINVAL; }

}  // namespace

PosixSerialPort::PosixSerialPort() : PosixSerialPort(SystemCalls::Real()) {}

PosixSerialPort::PosixSerialPort(SystemCalls& calls) : calls_(calls) {}

PosixSerialPort::~PosixSerialPort() { Close(); }

bool PosixSerialPort::Fail(int error) {
  lastError_ = error;
  return false;
}

bool PosixSerialPort::CheckOpen() {
  if (fd_ >= 0) return true;
  return Fail(EBADF);
}

bool PosixSerialPort::Open(const std::string& devicePath) {
  Close();
  const int fd = calls_.Open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(errno);

  // Reading the termios record is the terminal check, and it also catches a
  // ttyS with no UART behind it, which opens but answers EIO.
  Termios2Line line;
  int error = ReadTermios2(calls_, fd, line);
  if (error == EINVAL) error = ENOTTY;
  if (error == 0 && calls_.Flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = errno == EWOULDBLOCK ? EBUSY : errno;
  }
  // Root is not kept out by TIOCEXCL, hence the lock above; the flag still
  // keeps out other programs that do not lock.
  if (error == 0 && calls_.Ioctl(fd, TIOCEXCL, nullptr) != 0 && !NoModemLines(errno)) {
    error = errno;
  }
  if (error != 0) {
    calls_.Close(fd);  // also releases the lock
    return Fail(error);
  }

  struct stat info {};
  pseudoTerminal_ = calls_.Fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) &&
                    major(info.st_rdev) >= kFirstPtyMajor && major(info.st_rdev) <= kLastPtyMajor;
  fd_ = fd;
  lastError_ = 0;
  return true;
}

bool PosixSerialPort::IsOpen() const { return fd_ >= 0; }

bool PosixSerialPort::GetLineState(LineState& state) {
  if (!CheckOpen()) return false;
  Termios2Line line;
  if (const int error = ReadTermios2(calls_, fd_, line)) return Fail(error);
  state.baudRate = line.speed;
  state.dataBits = line.characterSize;
  state.parity = ParityOf(line);
  state.stopBits = StopBitsOf(line);
  state.binary = true;
  state.parityCheck = line.inputParityCheck;
  state.ctsFlow = line.hardwareFlow;
  state.dsrFlow = false;
  state.xonXoffOut = line.xonOutput;
  state.xonXoffIn = line.xonInput;
  state.xonChar = line.startChar;
  state.xoffChar = line.stopChar;
  // A device without modem lines reports them low; the XON/XOFF limits have
  // no equivalent here and keep the caller's values.
  int lines = 0;
  if (calls_.Ioctl(fd_, TIOCMGET, &lines) != 0) lines = 0;
  state.dtrEnable = (lines & TIOCM_DTR) != 0;
  state.rtsEnable = (lines & TIOCM_RTS) != 0;
  return true;
}

bool PosixSerialPort::SetLineState(const LineState& state) {
  if (!CheckOpen()) return false;
  if (state.baudRate == 0 || state.dataBits < 5 || state.dataBits > 8 || state.parity < 0 ||
      state.parity > 4 || !StopBitsExpressible(state.stopBits, state.dataBits)) {
    return Fail(EINVAL);
  }

  Termios2Line wanted;
  wanted.speed = state.baudRate;
  wanted.characterSize = state.dataBits;
  wanted.parityEnable = state.parity != 0;
  wanted.parityOdd = state.parity == 1 || state.parity == 3;
  wanted.parityStick = state.parity >= 3;
  wanted.twoStopBits = state.stopBits != 0;
  // Checking parity with no parity bit on the line means nothing.
  wanted.inputParityCheck = state.parityCheck && state.parity != 0;
  wanted.hardwareFlow = state.ctsFlow;
  wanted.xonOutput = state.xonXoffOut;
  wanted.xonInput = state.xonXoffIn;
  wanted.startChar = state.xonChar;
  wanted.stopChar = state.xoffChar;
  if (const int error = WriteTermios2(calls_, fd_, wanted)) return Fail(error);

  // Drivers round or refuse values silently; only the record read back says
  // what the line really runs at.
  Termios2Line actual;
  if (const int error = ReadTermios2(calls_, fd_, actual)) return Fail(error);
  if (!SpeedClose(actual.speed, wanted.speed) || actual.twoStopBits != wanted.twoStopBits) {
    return Fail(EINVAL);
  }
  // A pseudo-terminal forces CS8 and clears PARENB whatever was asked.
  if (pseudoTerminal_) return true;
  if (actual.characterSize != wanted.characterSize || ParityOf(actual) != state.parity) {
    return Fail(EINVAL);
  }
  return true;
}

bool PosixSerialPort::SetTimeouts(const Timeouts& timeouts) {
  if (!CheckOpen()) return false;
  timeouts_ = timeouts;
  return true;
}

bool PosixSerialPort::SetQueueSizes(std::size_t input, std::size_t output) {
  if (!CheckOpen()) return false;
  inputQueue_ = input;
  outputQueue_ = output;
  return true;
}

bool PosixSerialPort::Discard() {
  if (!CheckOpen()) return false;
  if (calls_.Ioctl(fd_, TCFLSH, IntArgument(TCIOFLUSH)) != 0) return Fail(errno);
  // The output waiting on the line is gone: the next write may wait again.
  stalled_ = false;
  return true;
}

bool PosixSerialPort::SetDtr(bool on) {
  if (!CheckOpen()) return false;
  int lines = on ? TIOCM_DTR | TIOCM_RTS : TIOCM_DTR;
  if (calls_.Ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &lines) == 0) return true;
  if (NoModemLines(errno)) return true;
  return Fail(errno);
}

int PosixSerialPort::LastError() const { return lastError_; }

void PosixSerialPort::SetLastError(int error) { lastError_ = error; }

long PosixSerialPort::QueuedCount() {
  if (!CheckOpen()) return -EBADF;
  int count = 0;
  if (calls_.Ioctl(fd_, FIONREAD, &count) != 0) {
    const int error = errno;
    Fail(error);
    return -error;
  }
  return count;
}

long PosixSerialPort::Read(std::uint8_t* buffer, std::size_t count) {
  if (!CheckOpen()) return -EBADF;
  // A read of 0 bytes would look like the end of the device.
  if (count == 0) return 0;
  for (;;) {
    const long result = calls_.Read(fd_, buffer, count);
    if (result > 0) return result;
    // With VMIN=1 an empty queue is EAGAIN; 0 is the hung-up device.
    if (result == 0) {
      Fail(EIO);
      return -EIO;
    }
    const int error = errno;
    if (error == EINTR) continue;
    if (error == EAGAIN || error == EWOULDBLOCK) return 0;
    Fail(error);
    return -error;
  }
}

WriteResult PosixSerialPort::Write(const std::uint8_t* data, std::size_t count) {
  if (!CheckOpen()) return {0, EBADF};
  WriteResult result;
  std::int64_t lastProgress = calls_.MonotonicMs();
  while (result.accepted < count) {
    const long written = calls_.Write(fd_, data + result.accepted, count - result.accepted);
    if (written > 0) {
      result.accepted += static_cast<std::size_t>(written);
      lastProgress = calls_.MonotonicMs();
      stalled_ = false;
      continue;
    }
    if (written < 0) {
      const int error = errno;
      if (error == EINTR) continue;
      if (error != EAGAIN && error != EWOULDBLOCK) {
        Fail(error);
        result.error = error;
        return result;
      }
    }
    // The line gave up taking bytes at an earlier write and still takes
    // none: fail at once, so a cyclic send cannot hold the window a second
    // per tick. The first byte it takes again ends this.
    // Strictly more than the limit: the clock counts whole milliseconds, so
    // a difference of exactly 1000 may be a little less than a second.
    const std::int64_t waited = calls_.MonotonicMs() - lastProgress;
    if (stalled_ || waited > kWriteStallMs) {
      stalled_ = true;
      Fail(ETIMEDOUT);
      result.error = ETIMEDOUT;
      return result;
    }
    const auto step = std::clamp<std::int64_t>(kWriteStallMs + 1 - waited, 1, kWritePollStepMs);
    calls_.Poll(fd_, POLLOUT, static_cast<int>(step));
  }
  return result;
}

void PosixSerialPort::Close() {
  if (fd_ < 0) return;
  // Failures here change nothing for the caller: the descriptor goes either
  // way, and the lock and TIOCEXCL go with it.
  calls_.Ioctl(fd_, TIOCNXCL, nullptr);
  calls_.Flock(fd_, LOCK_UN);
  calls_.Close(fd_);
  fd_ = -1;
  pseudoTerminal_ = false;
  stalled_ = false;
}

}  // namespace lirosa
