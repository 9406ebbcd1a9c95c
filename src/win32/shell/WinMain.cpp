#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <cstdlib>

#include <string>
#include <vector>

#include "app/Clock.h"
#include "app/CommandLine.h"
#include "app/MonitorDialog.h"
#include "win32/serial/Win32PortNames.h"
#include "win32/serial/Win32SerialPort.h"
#include "win32/shell/MainWindow.h"
#include "win32/shell/WideText.h"
#include "win32/shell/Win32Prompts.h"
#include "win32/shell/Win32WindowHost.h"

namespace {

std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) args.push_back(lirosa::Narrow(wide[i]));
  LocalFree(wide);
  return args;
}

// %APPDATA%\Lirosa, made when missing; empty (the core's own choice) when
// there is no such folder. Read wide, so a profile path outside the ANSI
// code page survives.
std::string SettingsFolder() {
  const wchar_t* roaming = _wgetenv(L"APPDATA");
  if (roaming == nullptr || roaming[0] == L'\0') return {};
  const std::wstring folder = std::wstring(roaming) + L"\\Lirosa";
  CreateDirectoryW(folder.c_str(), nullptr);
  return lirosa::Narrow(folder);
}

// A window program has no console of its own: what --help and --version
// print goes to the console it was started from, or into a box.
void Tell(const std::string& text, bool error) {
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    HANDLE out = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (out && out != INVALID_HANDLE_VALUE &&
        WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
      return;
    }
  }
  MessageBoxW(nullptr, lirosa::Widen(text).c_str(), lirosa::Widen(lirosa::kAppTitle).c_str(),
              MB_OK | (error ? MB_ICONSTOP : 0));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  const lirosa::CommandLine line = lirosa::ParseCommandLine(Arguments());
  switch (line.action) {
    case lirosa::CommandAction::Help:
      Tell(lirosa::CommandUsage(), false);
      return 0;
    case lirosa::CommandAction::Version:
      Tell(lirosa::VersionLine() + "\n", false);
      return 0;
    case lirosa::CommandAction::UsageError:
      Tell("lirosa: " + line.error + "\nTry 'lirosa --help'.\n", true);
      return 2;
    case lirosa::CommandAction::Run:
      break;
  }

  INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&common);
  // The traffic display's class; a system library, loaded by name.
  if (!LoadLibraryW(L"Msftedit.dll")) {
    MessageBoxW(nullptr, L"Msftedit.dll", lirosa::Widen(lirosa::kAppTitle).c_str(), MB_OK | MB_ICONSTOP);
    return 1;
  }

  lirosa::MainWindow window;
  if (!window.Create(instance)) return 1;
  lirosa::Win32Prompts prompts(window.Handle(), window.Font());
  lirosa::Win32SerialPort port;
  lirosa::SystemClock clock;
  lirosa::Win32WindowHost host(window);
  lirosa::MonitorDialog dialog(lirosa::Platform{window.Controls(), prompts, window.Traffic(), port,
                                                clock, host,
                                                [] { return lirosa::ListWin32SerialPorts(); },
                                                SettingsFolder()});
  dialog.startPort = line.port;
  window.Attach(&dialog);
  dialog.InitDialog();
  if (window.HasEnded()) return 0;
  ShowWindow(window.Handle(), show);
  UpdateWindow(window.Handle());
  const int result = window.Run();
  window.Attach(nullptr);
  return result;
}
