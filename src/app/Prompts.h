#pragma once

#include <optional>
#include <string>

#include "checksum/ChecksumKind.h"

namespace lirosa {

// What a file chooser is asked for. Filters are given the way the user sees
// them ("文本文件(*.txt)") with their patterns.
struct FileChoice {
  std::string title;
  std::string filterName;     // "文本文件(*.txt)"
  std::string filterPattern;  // "*.txt"
  std::string defaultSuffix;  // "txt", added when the name has none
  bool mustExist = false;     // false: a new file name is accepted
};

// Modal questions and messages. Every box is modal to the main window and
// titled with the application's name; the window's timers keep running while
// one is open. Tests answer them without a display.
class Prompts {
 public:
  virtual ~Prompts() = default;

  // The program's own messages: OK button, no icon.
  virtual void Message(const std::string& text) = 0;
  // File errors: OK button, stop icon.
  virtual void StopMessage(const std::string& text) = 0;
  // Link errors: OK button, exclamation icon.
  virtual void WarningMessage(const std::string& text) = 0;

  // The full path chosen, or nothing when the user cancels.
  virtual std::optional<std::string> ChooseFile(const FileChoice& choice) = 0;

  // The checksum dialog, opened with the first choice selected; nothing when
  // it is closed other than with "Да ".
  virtual std::optional<ChecksumKind> ChooseChecksum() = 0;

  // The about box; returns when it is closed.
  virtual void ShowAbout() = 0;

  virtual void Beep() = 0;
};

}  // namespace lirosa
