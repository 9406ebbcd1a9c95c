#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace lirosa {

// Line parameters as the driver holds them. Parity: 0 none, 1 odd, 2 even,
// 3 mark, 4 space. Stop bits: 0 one, 1 one and a half, 2 two.
struct LineState {
  std::uint32_t baudRate = 9600;
  int dataBits = 8;
  int parity = 0;
  int stopBits = 0;
  bool binary = true;
  bool parityCheck = false;
  bool ctsFlow = false;
  bool dsrFlow = false;
  bool dtrEnable = false;
  bool rtsEnable = false;
  bool xonXoffOut = false;
  bool xonXoffIn = false;
  std::uint8_t xonChar = 0x11;
  std::uint8_t xoffChar = 0x13;
  std::uint16_t xonLimit = 100;
  std::uint16_t xoffLimit = 100;
  friend bool operator==(const LineState&, const LineState&) = default;
};

// Time-outs in milliseconds, kept for the driver that honours them.
struct Timeouts {
  std::uint32_t readInterval = 0;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 0;
  std::uint32_t writeTotalConstant = 0;
  friend bool operator==(const Timeouts&, const Timeouts&) = default;
};

// What one write achieved: the bytes the driver accepted, and 0 or the errno
// that ended it early (ETIMEDOUT after a second without progress).
struct WriteResult {
  std::size_t accepted = 0;
  int error = 0;
};

// One serial device, held open exclusively.
//
// Principles of operation: every call returns at once or within a bounded
// time; none waits for bytes to arrive. A failing call returns false (or a
// negative errno) and records its errno as the last error; a successful call
// leaves the last error alone, so a sequence of configuration calls can be
// checked once at its end. All calls come from one thread.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens the device for reading and writing, exclusively. Fails when it is
  // absent (ENOENT), held by another program (EBUSY), refused (EACCES) or
  // not a terminal (ENOTTY). Nothing stays open after a failure. A success
  // clears the last error, so an earlier failed open cannot fail the checks
  // that follow this one.
  virtual bool Open(const std::string& devicePath) = 0;
  virtual bool IsOpen() const = 0;

  virtual bool GetLineState(LineState& state) = 0;
  // Applies the whole state in one step and reads it back; a value the
  // device cannot take (1.5 stop bits with 6-8 data bits) fails with EINVAL.
  virtual bool SetLineState(const LineState& state) = 0;
  virtual bool SetTimeouts(const Timeouts& timeouts) = 0;
  virtual bool SetQueueSizes(std::size_t input, std::size_t output) = 0;
  // Throws away everything pending in both directions.
  virtual bool Discard() = 0;
  // Raises or lowers DTR (with RTS when raising). A device without modem
  // lines (a pseudo-terminal) succeeds.
  virtual bool SetDtr(bool on) = 0;

  virtual int LastError() const = 0;
  virtual void SetLastError(int error) = 0;

  // Bytes waiting to be read, or a negative errno when the device failed
  // (-EIO once it is gone).
  virtual long QueuedCount() = 0;
  // For a caller that wakes less often than its ticks and replays the ticks
  // it skipped: of the bytes waiting, those that had arrived by `ns` on the
  // monotonic clock (Clock::MonotonicNs), so that each replayed tick takes
  // what it would have taken had it run on time. Errors as QueuedCount. A
  // port that keeps no arrival times (StampsArrivals false) counts every
  // waiting byte.
  virtual bool StampsArrivals() const { return false; }
  virtual long QueuedCountBy(std::int64_t /*ns*/) { return QueuedCount(); }
  // Reads at most `count` bytes that are already waiting; never blocks.
  // Returns the count read, or a negative errno.
  virtual long Read(std::uint8_t* buffer, std::size_t count) = 0;
  // Writes, waiting while the device accepts bytes; gives up after a second
  // in which it accepted nothing.
  virtual WriteResult Write(const std::uint8_t* data, std::size_t count) = 0;

  // Lowers nothing by itself: the caller lowers DTR and discards first.
  // Releases the device for other programs. Safe to call when closed.
  virtual void Close() = 0;

  // For a caller that stops polling while nothing happens. `notice` may be
  // called from any thread: once after each successful ArmInputNotice, when
  // input arrives or the device is lost. ArmInputNotice fails when input or
  // a loss is already waiting, or when this port cannot notify; the caller
  // must then go on polling. A port that cannot notify ignores both.
  virtual void SetInputNotice(std::function<void()> /*notice*/) {}
  virtual bool ArmInputNotice() { return false; }
};

// True for the errors that mean the device has gone away (unplugged): EIO,
// ENXIO, ENODEV, given as an errno or as the negative errno a call returned.
bool IsDeviceGone(int error);

}  // namespace lirosa
