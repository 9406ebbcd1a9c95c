#include "win32/serial/Win32SerialPort.h"

#include <windows.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

namespace lirosa {

namespace {

constexpr auto kStallLimit = std::chrono::seconds(1);

HANDLE Handle(void* handle) { return static_cast<HANDLE>(handle); }

// The window names COMn by its POSIX device (/dev/ttyS(n-1)); here a port
// is opened by its own name again.
std::string PortNameOf(const std::string& device) {
  const std::string ttyS = "/dev/ttyS";
  if (device.compare(0, ttyS.size(), ttyS) == 0 && device.size() > ttyS.size() &&
      device.size() <= ttyS.size() + 3 &&
      device.find_first_not_of("0123456789", ttyS.size()) == std::string::npos) {
    return "COM" + std::to_string(std::stoi(device.substr(ttyS.size())) + 1);
  }
  if (device.compare(0, 5, "/dev/") == 0) return device.substr(5);
  return device;
}

}  // namespace

bool IsWin32DeviceGone(unsigned long error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
      return true;
  }
  return false;
}

Win32SerialPort::~Win32SerialPort() { Close(); }

bool Win32SerialPort::Fail() {
  lastError_ = static_cast<int>(GetLastError());
  return false;
}

long Win32SerialPort::FailCount() {
  DWORD error = GetLastError();
  lastError_ = static_cast<int>(error);
  return IsWin32DeviceGone(error) ? -EIO : -EPROTO;
}

bool Win32SerialPort::Open(const std::string& portName) {
  Close();
  const std::string path = "\\\\.\\" + PortNameOf(portName);
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Fail();
  handle_ = handle;
  lastError_ = 0;
  return true;
}

bool Win32SerialPort::IsOpen() const { return handle_ != nullptr; }

bool Win32SerialPort::GetLineState(LineState& state) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(Handle(handle_), &dcb)) return Fail();
  state.baudRate = dcb.BaudRate;
  state.dataBits = dcb.ByteSize;
  state.parity = dcb.Parity;
  state.stopBits = dcb.StopBits;
  state.binary = dcb.fBinary != 0;
  state.parityCheck = dcb.fParity != 0;
  state.ctsFlow = dcb.fOutxCtsFlow != 0;
  state.dsrFlow = dcb.fOutxDsrFlow != 0;
  state.dtrEnable = dcb.fDtrControl == DTR_CONTROL_ENABLE;
  state.rtsEnable = dcb.fRtsControl == RTS_CONTROL_ENABLE;
  state.xonXoffOut = dcb.fOutX != 0;
  state.xonXoffIn = dcb.fInX != 0;
  state.xonChar = static_cast<std::uint8_t>(dcb.XonChar);
  state.xoffChar = static_cast<std::uint8_t>(dcb.XoffChar);
  state.xonLimit = dcb.XonLim;
  state.xoffLimit = dcb.XoffLim;
  return true;
}

bool Win32SerialPort::SetLineState(const LineState& state) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(Handle(handle_), &dcb)) return Fail();
  dcb.BaudRate = state.baudRate;
  dcb.ByteSize = static_cast<BYTE>(state.dataBits);
  // The parity and stop-bit numbers are the platform's own (NOPARITY ...
  // SPACEPARITY, ONESTOPBIT ... TWOSTOPBITS).
  dcb.Parity = static_cast<BYTE>(state.parity);
  dcb.StopBits = static_cast<BYTE>(state.stopBits);
  dcb.fBinary = state.binary;
  dcb.fParity = state.parityCheck;
  dcb.fOutxCtsFlow = state.ctsFlow;
  dcb.fOutxDsrFlow = state.dsrFlow;
  dcb.fDtrControl = state.dtrEnable ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
  dcb.fRtsControl = state.rtsEnable ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
  dcb.fOutX = state.xonXoffOut;
  dcb.fInX = state.xonXoffIn;
  dcb.XonChar = static_cast<char>(state.xonChar);
  dcb.XoffChar = static_cast<char>(state.xoffChar);
  dcb.XonLim = state.xonLimit;
  dcb.XoffLim = state.xoffLimit;
  return SetCommState(Handle(handle_), &dcb) ? true : Fail();
}

bool Win32SerialPort::SetTimeouts(const Timeouts& timeouts) {
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = timeouts.readInterval;
  t.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplier;
  t.ReadTotalTimeoutConstant = timeouts.readTotalConstant;
  // Only the constant part bounds a write: with the per-byte part a 4 KB
  // write on a line that stopped taking bytes would hold the window for
  // minutes. Each WriteFile now returns within the constant second with
  // what it took, and Write goes on while bytes are taken.
  t.WriteTotalTimeoutMultiplier = 0;
  t.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
  return SetCommTimeouts(Handle(handle_), &t) ? true : Fail();
}

bool Win32SerialPort::SetQueueSizes(std::size_t input, std::size_t output) {
  if (SetupComm(Handle(handle_), static_cast<DWORD>(input), static_cast<DWORD>(output))) return true;
  // The sizes are only a recommendation to the driver; one that keeps its
  // own queues (Wine's, some USB adapters') is no failure of the port.
  const DWORD error = GetLastError();
  if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION) return true;
  lastError_ = static_cast<int>(error);
  return false;
}

bool Win32SerialPort::Discard() {
  // PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR = 15.
  constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
  static_assert(kPurgeAll == 15);
  if (!PurgeComm(Handle(handle_), kPurgeAll)) return Fail();
  // The output waiting on the line is gone: the next write may wait again.
  stalled_ = false;
  return true;
}

bool Win32SerialPort::SetDtr(bool on) {
  if (EscapeCommFunction(Handle(handle_), on ? SETDTR : CLRDTR)) return true;
  // A line without modem signals (a pseudo-terminal behind Wine, some
  // virtual ports) has no DTR to drive: that is not a failure of the port.
  if (GetLastError() == ERROR_NOT_SUPPORTED) {
    ::SetLastError(ERROR_SUCCESS);
    return true;
  }
  return Fail();
}

int Win32SerialPort::LastError() const { return lastError_; }

void Win32SerialPort::SetLastError(int error) { lastError_ = error; }

long Win32SerialPort::QueuedCount() {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(Handle(handle_), &errors, &status)) return FailCount();
  return static_cast<long>(status.cbInQue);
}

long Win32SerialPort::Read(std::uint8_t* buffer, std::size_t count) {
  DWORD got = 0;
  DWORD ask = count > MAXDWORD ? MAXDWORD : static_cast<DWORD>(count);
  if (!ReadFile(Handle(handle_), buffer, ask, &got, nullptr)) return FailCount();
  return static_cast<long>(got);
}

WriteResult Win32SerialPort::Write(const std::uint8_t* data, std::size_t count) {
  WriteResult result;
  auto lastProgress = std::chrono::steady_clock::now();
  while (result.accepted < count) {
    std::size_t left = count - result.accepted;
    DWORD ask = left > 4096 ? 4096 : static_cast<DWORD>(left);
    DWORD put = 0;
    if (!WriteOnce(data + result.accepted, ask, put)) {
      DWORD error = GetLastError();
      lastError_ = static_cast<int>(error);
      result.error = IsWin32DeviceGone(error) ? EIO : EPROTO;
      return result;
    }
    auto now = std::chrono::steady_clock::now();
    if (put > 0) {
      result.accepted += put;
      lastProgress = now;
      stalled_ = false;
      continue;
    }
    // The write time-out passed with nothing taken: a stalled line. Once
    // marked, it fails at once while it still takes nothing, so a cyclic
    // send cannot hold the window a second per tick.
    if (stalled_ || now - lastProgress >= kStallLimit) {
      stalled_ = true;
      result.error = ETIMEDOUT;
      return result;
    }
    Sleep(10);
  }
  return result;
}

bool Win32SerialPort::WriteOnce(const std::uint8_t* data, DWORD count, DWORD& put) {
  if (!stalled_) return WriteFile(Handle(handle_), data, count, &put, nullptr);
  // A line marked stalled gets a millisecond to take a byte, then the
  // time-out of the session again.
  COMMTIMEOUTS timeouts{};
  if (!GetCommTimeouts(Handle(handle_), &timeouts)) {
    return WriteFile(Handle(handle_), data, count, &put, nullptr);
  }
  COMMTIMEOUTS brief = timeouts;
  brief.WriteTotalTimeoutMultiplier = 0;
  brief.WriteTotalTimeoutConstant = 1;
  SetCommTimeouts(Handle(handle_), &brief);
  BOOL done = WriteFile(Handle(handle_), data, count, &put, nullptr);
  DWORD error = GetLastError();
  SetCommTimeouts(Handle(handle_), &timeouts);
  ::SetLastError(error);
  return done;
}

void Win32SerialPort::Close() {
  if (handle_ == nullptr) return;
  CloseHandle(Handle(handle_));
  handle_ = nullptr;
  stalled_ = false;
}

}  // namespace lirosa
