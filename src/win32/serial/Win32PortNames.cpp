#include "win32/serial/Win32PortNames.h"

#include <windows.h>

#include <string>

namespace lirosa {

namespace {

std::string Utf8(const wchar_t* text, int length) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

bool IsFirstTwenty(const std::string& name) {
  if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "COM") != 0) return false;
  if (name.find_first_not_of("0123456789", 3) != std::string::npos) return false;
  int number = std::stoi(name.substr(3));
  return number >= 1 && number <= 20;
}

}  // namespace

std::vector<ListEntry> ListWin32SerialPorts() {
  std::vector<ListEntry> ports;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return ports;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t valueName[256];
    DWORD nameLength = 256;
    wchar_t data[256];
    DWORD dataBytes = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    LONG status = RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type,
                                reinterpret_cast<BYTE*>(data), &dataBytes);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    data[dataBytes / sizeof(wchar_t)] = L'\0';
    std::string port = Utf8(data, -1);
    if (!port.empty() && port.back() == '\0') port.pop_back();
    if (port.empty() || IsFirstTwenty(port)) continue;
    std::string device = Utf8(valueName, static_cast<int>(nameLength));
    ports.push_back({port, device});
  }
  RegCloseKey(key);
  return ports;
}

}  // namespace lirosa
