// drive.exe: works a program's windows the way a user does, for the
// end-to-end tests under Wine. It finds windows by class and title and
// controls by their dialog ids, never by screen position, and then gives
// them real input through SendInput: the pointer moved to a control's
// centre and clicked, characters typed as keyboard input. Reading a
// control's text is the only thing done by message.
//
// It reads one command a line on standard input and answers each with one
// line on standard output, "ok [value]" or "error <what happened>", so one
// run serves a whole test without a Wine start per step:
//
//   wait-window MS CLASS TITLE  a visible top-level window ("*" matches any
//                               class or title; the title is the rest of the
//                               line); answers its handle
//   wait-gone MS HWND           until the window is gone or hidden
//   click HWND ID               a left click at the centre of control ID
//                               (0: the window itself), if it is enabled
//                               and nothing covers that point
//   type TEXT                   the rest of the line, typed character by
//                               character into whatever has the focus
//   key NAME [COUNT]            a key (return, escape, tab, f1, ...), pressed
//                               COUNT times
//   text HWND ID                the control's text
//   enabled HWND ID             1 or 0
//   controls HWND               every control inside the window, as
//                               'CLASS id ID "TEXT"', separated by " | "
//   close HWND                  a click on the title bar's close button
//   appdata                     the APPDATA folder
//   quit
//
// Handles are hexadecimal. Text goes both ways in UTF-8; in a reply, CR,
// LF and the backslash are written \r, \n and \\.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n, nullptr,
                      nullptr);
  return narrow;
}

// A reply's value stays on its line.
std::string OneLine(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\r') escaped += "\\r";
    else if (c == '\n') escaped += "\\n";
    else if (c == '\\') escaped += "\\\\";
    else escaped += c;
  }
  return escaped;
}

struct Failure {
  std::string what;
};

std::string Hex(HWND window) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%llx",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
  return buffer;
}

// `mustExist` false: a window that has ended is a valid answer too (a
// dialog closed by the click before its wait began).
HWND ParseHandle(const std::string& text, bool mustExist = true) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 16);
  HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
  if (text.empty() || *end != '\0' || (mustExist && !IsWindow(window))) {
    throw Failure{"no window " + text};
  }
  return window;
}

// Another process's control answers WM_GETTEXT with what it holds now
// (GetWindowText would give only the text it was made with); a hung
// program is reported instead of hanging the test.
std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
    throw Failure{"the window does not answer"};
  }
  std::vector<wchar_t> buffer(length + 1);
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  return std::wstring(buffer.data(), copied);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::string Describe(HWND window) {
  if (!window) return "nothing";
  return Narrow(ClassOf(window)) + " id " + std::to_string(GetDlgCtrlID(window)) + " \"" +
         Narrow(TextOf(window)) + "\"";
}

BOOL CALLBACK AddControl(HWND control, LPARAM data) {
  auto* list = reinterpret_cast<std::string*>(data);
  if (!list->empty()) *list += " | ";
  *list += Describe(control);
  return TRUE;
}

HWND ControlOf(HWND window, int id) {
  if (id == 0) return window;
  HWND control = GetDlgItem(window, id);
  if (!control) throw Failure{"the window has no control " + std::to_string(id)};
  return control;
}

struct Search {
  std::wstring className;
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  if (!IsWindowVisible(window)) return TRUE;
  if (search->className != L"*" && ClassOf(window) != search->className) return TRUE;
  wchar_t title[512] = {};
  GetWindowTextW(window, title, 512);
  if (search->title != L"*" && search->title != title) return TRUE;
  search->found = window;
  return FALSE;
}

HWND WaitWindow(const std::wstring& className, const std::wstring& title, DWORD ms) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  for (;;) {
    Search search{className, title};
    EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    if (GetTickCount64() >= deadline) throw Failure{"no visible window \"" + Narrow(title) + "\""};
    Sleep(20);
  }
}

void WaitGone(HWND window, DWORD ms) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount64() >= deadline) throw Failure{"the window is still there"};
    Sleep(20);
  }
}

void Send(std::vector<INPUT>& inputs) {
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) throw Failure{"SendInput took " + std::to_string(sent) + " of " +
                                           std::to_string(inputs.size()) + " events"};
}

INPUT Mouse(DWORD flags, LONG x = 0, LONG y = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  input.mi.dx = x;
  input.mi.dy = y;
  return input;
}

bool PointerAt(POINT at) {
  POINT now{};
  GetCursorPos(&now);
  return std::abs(now.x - at.x) <= 1 && std::abs(now.y - at.y) <= 1;
}

struct OwnedSearch {
  HWND owner;
  HWND found = nullptr;
};

BOOL CALLBACK VisitOwned(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<OwnedSearch*>(data);
  if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != search->owner) return TRUE;
  search->found = window;
  return FALSE;
}

// A visible window that `owner` owns: the box it waits on.
HWND OwnedBox(HWND owner) {
  OwnedSearch search{owner};
  EnumWindows(&VisitOwned, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Moves the pointer to a screen point and clicks the left button there.
// Every event carries the point (absolute coordinates, 0 to 65535 across
// the screen): under Wine the X server's own idea of the pointer can take
// it back to where it was between two events, so the move is repeated
// until the pointer stays.
void ClickAt(POINT at) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  if (at.x < 0 || at.y < 0 || at.x >= width || at.y >= height) {
    throw Failure{"the point " + std::to_string(at.x) + "," + std::to_string(at.y) +
                  " is off the screen"};
  }
  // The centre of the pixel, so that rounding back lands on it.
  const LONG x = static_cast<LONG>((at.x * 65536LL + 32768) / width);
  const LONG y = static_cast<LONG>((at.y * 65536LL + 32768) / height);
  constexpr DWORD kAt = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  std::vector<INPUT> move{Mouse(kAt, x, y)};
  const ULONGLONG deadline = GetTickCount64() + 3000;
  int steady = 0;
  while (steady < 3) {
    Send(move);
    Sleep(15);
    steady = PointerAt(at) ? steady + 1 : 0;
    if (steady == 0 && GetTickCount64() >= deadline) {
      POINT now{};
      GetCursorPos(&now);
      throw Failure{"the pointer stays at " + std::to_string(now.x) + "," + std::to_string(now.y) +
                    " instead of " + std::to_string(at.x) + "," + std::to_string(at.y)};
    }
  }
  std::vector<INPUT> click{Mouse(kAt | MOUSEEVENTF_LEFTDOWN, x, y), Mouse(kAt | MOUSEEVENTF_LEFTUP, x, y)};
  Send(click);
}

void Click(HWND window, int id) {
  HWND control = ControlOf(window, id);
  if (!IsWindowVisible(control)) throw Failure{"control " + std::to_string(id) + " is hidden"};
  // A click sent just before (a box that enables this control) is input
  // the window may not have taken yet on a busy machine; a user would wait.
  const ULONGLONG enabledBy = GetTickCount64() + 3000;
  while (!IsWindowEnabled(control) && GetTickCount64() < enabledBy) Sleep(15);
  if (!IsWindowEnabled(control)) throw Failure{"control " + std::to_string(id) + " is disabled"};
  // A window under a modal box takes no clicks: say what the box says.
  HWND root = GetAncestor(control, GA_ROOT);
  if (!IsWindowEnabled(root)) {
    std::string box = "nothing of its own";
    if (HWND popup = OwnedBox(root)) {
      box = "\"" + Narrow(TextOf(popup)) + "\": ";
      EnumChildWindows(popup, &AddControl, reinterpret_cast<LPARAM>(&box));
    }
    throw Failure{"the window is disabled under a modal box, showing " + box};
  }
  RECT r{};
  GetWindowRect(control, &r);
  const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  // What a user would hit there: the control, or a part of it (a combo
  // box's edit), never a window lying over it.
  HWND hit = WindowFromPoint(centre);
  if (hit != control && !IsChild(control, hit)) {
    throw Failure{"control " + std::to_string(id) + " is covered at its centre by " + Describe(hit)};
  }
  ClickAt(centre);
}

// The title bar's close button, found by asking the window what lies
// where along its top edge, as the pointer would.
void Close(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  const int top = r.top;
  const int bottom = r.top + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) + 4;
  for (int y = top; y < bottom && y < r.bottom; ++y) {
    for (int x = r.right - 1; x > r.right - 200 && x > r.left; --x) {
      DWORD_PTR hit = 0;
      if (!SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 5000,
                               &hit)) {
        throw Failure{"the window does not answer"};
      }
      if (hit != HTCLOSE) continue;
      // The middle of the button: its extent along this row and column.
      int left = x;
      while (left > r.left) {
        SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(left - 1, y), SMTO_ABORTIFHUNG, 5000, &hit);
        if (hit != HTCLOSE) break;
        --left;
      }
      const int height = GetSystemMetrics(SM_CYSIZE);
      ClickAt({(left + x) / 2, y + height / 2 - 1});
      return;
    }
  }
  throw Failure{"no close button on the title bar"};
}

struct Key {
  const char* name;
  WORD vk;
};

constexpr Key kKeys[] = {{"return", VK_RETURN}, {"escape", VK_ESCAPE}, {"tab", VK_TAB},
                         {"space", VK_SPACE},   {"f1", VK_F1},         {"down", VK_DOWN},
                         {"up", VK_UP},         {"end", VK_END},       {"home", VK_HOME},
                         {"delete", VK_DELETE}, {"back", VK_BACK}};

INPUT KeyInput(WORD vk, WORD scan, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = scan;
  input.ki.dwFlags = flags;
  return input;
}

void PressKey(const std::string& name) {
  for (const Key& key : kKeys) {
    if (name != key.name) continue;
    const WORD scan = static_cast<WORD>(MapVirtualKeyW(key.vk, MAPVK_VK_TO_VSC));
    std::vector<INPUT> inputs{KeyInput(key.vk, scan, 0), KeyInput(key.vk, scan, KEYEVENTF_KEYUP)};
    Send(inputs);
    return;
  }
  throw Failure{"no key named " + name};
}

// Each character as a key press of its own (VK_PACKET), which the target's
// message loop turns into WM_CHAR as it does for a keyboard's.
void Type(const std::wstring& text) {
  for (wchar_t c : text) {
    std::vector<INPUT> inputs{KeyInput(0, c, KEYEVENTF_UNICODE),
                              KeyInput(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP)};
    Send(inputs);
  }
}

std::string Run(const std::string& line, bool& quit) {
  std::istringstream in(line);
  std::string command;
  in >> command;
  auto word = [&in]() {
    std::string w;
    if (!(in >> w)) throw Failure{"missing argument"};
    return w;
  };
  auto number = [&word]() { return std::stoi(word()); };
  auto rest = [&in]() {
    std::string text;
    std::getline(in, text);
    if (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return text;
  };
  if (command == "wait-window") {
    const auto ms = static_cast<DWORD>(number());
    const std::string className = word();
    return Hex(WaitWindow(Widen(className), Widen(rest()), ms));
  }
  if (command == "wait-gone") {
    const auto ms = static_cast<DWORD>(number());
    WaitGone(ParseHandle(word(), false), ms);
    return {};
  }
  if (command == "click") {
    HWND window = ParseHandle(word());
    Click(window, number());
    return {};
  }
  if (command == "type") {
    Type(Widen(rest()));
    return {};
  }
  if (command == "key") {
    const std::string name = word();
    int count = 1;
    if (!(in >> count)) count = 1;
    for (int i = 0; i < count; ++i) PressKey(name);
    return {};
  }
  if (command == "controls") {
    HWND window = ParseHandle(word());
    std::string list;
    EnumChildWindows(window, &AddControl, reinterpret_cast<LPARAM>(&list));
    return list;
  }
  if (command == "text") {
    HWND window = ParseHandle(word());
    return Narrow(TextOf(ControlOf(window, number())));
  }
  if (command == "enabled") {
    HWND window = ParseHandle(word());
    return IsWindowEnabled(ControlOf(window, number())) ? "1" : "0";
  }
  if (command == "close") {
    Close(ParseHandle(word()));
    return {};
  }
  if (command == "appdata") {
    const wchar_t* folder = _wgetenv(L"APPDATA");
    if (!folder) throw Failure{"APPDATA is not set"};
    return Narrow(folder);
  }
  if (command == "quit") {
    quit = true;
    return {};
  }
  throw Failure{"unknown command " + command};
}

}  // namespace

int wmain() {
  // Replies end in LF alone, and typed text arrives as sent.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  std::string line;
  bool quit = false;
  while (!quit && std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::string reply;
    try {
      const std::string value = Run(line, quit);
      reply = value.empty() ? "ok" : "ok " + OneLine(value);
    } catch (const Failure& failure) {
      reply = "error " + OneLine(failure.what);
    } catch (const std::exception& error) {
      reply = std::string("error ") + error.what();
    }
    std::fwrite(reply.data(), 1, reply.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  return 0;
}
