#pragma once

#include <cstddef>
#include <string>

#include "serial/SerialPort.h"

namespace lirosa {

class SystemCalls;

// A serial device (or pseudo-terminal) driven through termios2.
//
// The descriptor is non-blocking: reads return what is waiting, and a write
// waits for room in 50 ms steps, giving up after a second without progress.
// Once a write has given up, the line counts as stalled: later writes take
// what room there is without waiting and fail at once (ETIMEDOUT) while it
// takes nothing, until it takes a byte again or is flushed or closed.
// Exclusivity comes from flock (a second holder gets EBUSY); TIOCEXCL is set
// as well for programs that do not lock. Time-outs and queue sizes have no
// driver equivalent: they are kept and reported back, nothing more.
class PosixSerialPort final : public SerialPort {
 public:
  PosixSerialPort();
  // `calls` must outlive the port.
  explicit PosixSerialPort(SystemCalls& calls);
  ~PosixSerialPort() override;
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  // Closes a device that is still open first. A success clears the last
  // error.
  bool Open(const std::string& devicePath) override;
  bool IsOpen() const override;

  bool GetLineState(LineState& state) override;
  // Raw mode, no flow control unless asked, parity checking when parity is
  // on. The result is read back: a speed more than 3 % off, or data bits,
  // parity or stop bits other than asked, fail with EINVAL. A pseudo-
  // terminal always keeps 8 data bits and no parity, so those two are not
  // compared there. 1.5 stop bits exist only with 5 data bits, and 2 stop
  // bits only with 6-8 (a UART sends 1.5 for CSTOPB with 5 bits).
  bool SetLineState(const LineState& state) override;
  bool SetTimeouts(const Timeouts& timeouts) override;
  bool SetQueueSizes(std::size_t input, std::size_t output) override;
  bool Discard() override;
  bool SetDtr(bool on) override;

  int LastError() const override;
  void SetLastError(int error) override;

  long QueuedCount() override;
  long Read(std::uint8_t* buffer, std::size_t count) override;
  WriteResult Write(const std::uint8_t* data, std::size_t count) override;

  void Close() override;

  // The open descriptor, or -1: for a reader that waits on it in poll().
  // It stays owned by this port and is closed by Close.
  int Descriptor() const { return fd_; }

  // What SetTimeouts and SetQueueSizes last stored.
  Timeouts StoredTimeouts() const { return timeouts_; }
  std::size_t InputQueueSize() const { return inputQueue_; }
  std::size_t OutputQueueSize() const { return outputQueue_; }

 private:
  bool Fail(int error);
  bool CheckOpen();

  SystemCalls& calls_;
  int fd_ = -1;
  bool pseudoTerminal_ = false;
  bool stalled_ = false;  // the last write gave up on a line that took nothing
  int lastError_ = 0;
  Timeouts timeouts_;
  std::size_t inputQueue_ = 0;
  std::size_t outputQueue_ = 0;
};

}  // namespace lirosa
