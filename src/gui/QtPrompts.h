#pragma once

#include <QString>

#include "app/Prompts.h"

class QWidget;

namespace lirosa {

// Modal boxes and dialogs over the main window, titled with the
// application's name. Each runs its own event loop, so the window's timers
// keep ticking while it is open. Tests answer them by closing the active
// modal widget from a timer, or give the window logic a fake instead.
class QtPrompts final : public Prompts {
 public:
  explicit QtPrompts(QWidget* owner) : owner_(owner) {}

  void Message(const std::string& text) override;
  void StopMessage(const std::string& text) override;
  void WarningMessage(const std::string& text) override;
  std::optional<std::string> ChooseFile(const FileChoice& choice) override;
  std::optional<ChecksumKind> ChooseChecksum() override;
  void ShowAbout() override;
  void Beep() override;

  // The filter line a file dialog shows for `choice`: its name as the user
  // knows it, with the pattern added in parentheses unless the name already
  // ends with it.
  static QString NameFilter(const FileChoice& choice);

 private:
  QWidget* owner_;
};

}  // namespace lirosa
