// The reasons an open failed, for the Win32 serial layer: the error is the
// Win32 code CreateFileA left, not an errno.
#include <windows.h>

#include <string>

#include "serial/OpenFailure.h"

namespace lirosa {

std::string DeviceHolder(const std::string& /*devicePath*/, const std::string& /*procRoot*/) {
  // Windows does not tell which process holds a COM port.
  return {};
}

std::string SystemConsoleReason() { return "这是系统控制台 (system console), 不予打开"; }

std::string OpenFailureReason(int error, const std::string& /*devicePath*/,
                              const std::string& /*procRoot*/) {
  switch (static_cast<DWORD>(error)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
      return "设备不存在 (no such device)";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      // A COM port is opened without sharing: a second opener is refused
      // with ERROR_ACCESS_DENIED, which almost always means another program.
      return "设备正被其他程序使用 (device busy)";
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
    case ERROR_INVALID_PARAMETER:
      return "不是串口设备 (not a serial device)";
  }
  return "打开失败 (错误码: " + std::to_string(static_cast<unsigned long>(error)) + ")";
}

}  // namespace lirosa
