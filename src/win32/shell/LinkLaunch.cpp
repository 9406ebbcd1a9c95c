#include "win32/shell/LinkLaunch.h"

#include <windows.h>

#include <shellapi.h>

#include <optional>

#include "shell/LinkRules.h"
#include "win32/shell/WideText.h"

namespace lirosa {

namespace {

std::optional<std::wstring> RegistryDefault(const std::wstring& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  wchar_t value[1024] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  const LONG read = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  return std::wstring(value);
}

// As WinExec reports a start: above 31 started, else the error's code.
int Start(std::wstring commandLine, int showCommand) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCommand);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    const DWORD error = GetLastError();
    if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY) return kLinkOutOfResources;
    if (error == ERROR_BAD_EXE_FORMAT) return kLinkBadProgram;
    return error <= 32 ? static_cast<int>(error) : kLinkOutOfResources;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return kLinkOpened;
}

}  // namespace

int ShellOpen(const std::string& address, int showCommand) {
  if (address.empty()) return 0;
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
      nullptr, L"open", Widen(address).c_str(), nullptr, nullptr, showCommand));
  return static_cast<int>(result);
}

std::wstring HandlerCommandLine(const std::wstring& command, const std::wstring& address) {
  std::size_t cut = command.find(L"\"%1\"");
  if (cut == std::wstring::npos) cut = command.find(L"%1");
  std::wstring line = cut == std::wstring::npos ? command : command.substr(0, cut);
  return line + L" " + address;
}

int OpenWithHandlerFallback(const std::string& address, int showCommand) {
  const int shell = ShellOpen(address, showCommand);
  if (LinkOpened(shell)) return shell;
  const std::optional<std::wstring> type = RegistryDefault(L".htm");
  if (!type) return shell;
  const std::optional<std::wstring> command = RegistryDefault(*type + L"\\shell\\open\\command");
  if (!command) return shell;
  return Start(HandlerCommandLine(*command, Widen(address)), showCommand);
}

}  // namespace lirosa
