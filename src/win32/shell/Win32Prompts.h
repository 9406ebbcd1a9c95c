#pragma once

#include <windows.h>

#include "app/Prompts.h"

namespace lirosa {

// Boxes and dialogs owned by the main window and titled "Lirosa4.5". Each
// runs a modal loop that goes on dispatching the window's timer ticks.
class Win32Prompts final : public Prompts {
 public:
  Win32Prompts(HWND owner, HFONT font) : owner_(owner), font_(font) {}

  void Message(const std::string& text) override;
  void StopMessage(const std::string& text) override;
  void WarningMessage(const std::string& text) override;
  std::optional<std::string> ChooseFile(const FileChoice& choice) override;
  std::optional<ChecksumKind> ChooseChecksum() override;
  void ShowAbout() override;
  void Beep() override;

 private:
  void Box(const std::string& text, UINT icon);

  HWND owner_;
  HFONT font_;
};

// The file dialog's filter: the name as the user sees it, its pattern, and
// the empty entry that ends the list ("文本文件(*.txt)\0*.txt\0\0").
std::wstring FileFilter(const FileChoice& choice);

}  // namespace lirosa
