#pragma once

#include <optional>

#include "app/WindowHost.h"

namespace lirosa {

class MonitorWindow;

// The main window as a whole: title, stay-on-top, screen size, the lamp
// images, the two 10 ms timers and the end of the window.
class QtWindowHost final : public WindowHost {
 public:
  explicit QtWindowHost(MonitorWindow& window) : window_(window) {}

  void SetTitle(const std::string& title) override;
  void SetStayOnTop(bool topmost) override;
  void RepaintStayOnTop() override;
  ScreenSize PrimaryScreen() const override;
  void ShowLamps(const LampFrame& frame) override;
  void StartTimers() override;
  void EndDialog() override;

 private:
  MonitorWindow& window_;
  std::optional<LampFrame> shownLamps_;
  bool timersStarted_ = false;
};

}  // namespace lirosa
