#include "win32/shell/Win32Prompts.h"

#include <commdlg.h>

#include <vector>

#include "app/MonitorDialog.h"
#include "win32/shell/ModalDialogs.h"
#include "win32/shell/WideText.h"

namespace lirosa {

std::wstring FileFilter(const FileChoice& choice) {
  std::wstring filter = Widen(choice.filterName);
  filter.push_back(L'\0');
  filter += Widen(choice.filterPattern.empty() ? std::string("*.*") : choice.filterPattern);
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  return filter;
}

void Win32Prompts::Box(const std::string& text, UINT icon) {
  MessageBoxW(owner_, Widen(text).c_str(), Widen(kAppTitle).c_str(), MB_OK | icon);
}

void Win32Prompts::Message(const std::string& text) { Box(text, 0); }
void Win32Prompts::StopMessage(const std::string& text) { Box(text, MB_ICONSTOP); }
void Win32Prompts::WarningMessage(const std::string& text) { Box(text, MB_ICONEXCLAMATION); }

std::optional<std::string> Win32Prompts::ChooseFile(const FileChoice& choice) {
  const std::wstring filter = FileFilter(choice);
  const std::wstring title = Widen(choice.title);
  const std::wstring suffix = Widen(choice.defaultSuffix);
  std::vector<wchar_t> path(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  dialog.lpstrDefExt = suffix.empty() ? nullptr : suffix.c_str();
  // The capture file's default name is relative to the starting folder,
  // which a file dialog must not move.
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  BOOL chosen = FALSE;
  if (choice.mustExist) {
    dialog.Flags |= OFN_FILEMUSTEXIST;
    chosen = GetOpenFileNameW(&dialog);
  } else {
    // The chosen file is appended to, never replaced: no "replace it?".
    chosen = GetSaveFileNameW(&dialog);
  }
  if (!chosen || path[0] == L'\0') return std::nullopt;
  return Narrow(std::wstring(path.data()));
}

std::optional<ChecksumKind> Win32Prompts::ChooseChecksum() { return RunChecksumDialog(owner_, font_); }

void Win32Prompts::ShowAbout() { RunAboutDialog(owner_, font_); }

void Win32Prompts::Beep() { MessageBeep(MB_OK); }

}  // namespace lirosa
