#pragma once

#include <cstddef>
#include <string>

#include "serial/SerialPort.h"

namespace lirosa {

// A COM port driven through the Win32 communications calls.
//
// Open takes a port name ("COM1", "COM10") and opens "\\.\" + name, which
// reaches COM10 and above too. The last error is the Win32 error code of
// the failing call, as the window reports it ("错误码: %lu"). Calls that
// return a negative count give -EIO when the device has gone away (an
// unplugged USB adapter fails with ERROR_ACCESS_DENIED, ERROR_BAD_COMMAND or
// ERROR_DEVICE_REMOVED), so the window's device-gone path applies, and
// -EPROTO for any other failure. A write that the driver accepts nothing of
// for a second ends with ETIMEDOUT, and marks the line stalled: while it
// still takes nothing, later writes fail at once (after a millisecond); the
// first byte taken, Discard or a reopen ends the mark. Each WriteFile is
// bounded by the constant write time-out alone (not the per-byte part).
class Win32SerialPort final : public SerialPort {
 public:
  Win32SerialPort() = default;
  ~Win32SerialPort() override;
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  bool Open(const std::string& portName) override;
  bool IsOpen() const override;

  bool GetLineState(LineState& state) override;
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

 private:
  bool Fail();
  long FailCount();
  bool WriteOnce(const std::uint8_t* data, unsigned long count, unsigned long& put);

  void* handle_ = nullptr;  // HANDLE; nullptr when closed
  int lastError_ = 0;
  bool stalled_ = false;
};

// True for the Win32 errors that mean the device has gone away.
bool IsWin32DeviceGone(unsigned long error);

}  // namespace lirosa
