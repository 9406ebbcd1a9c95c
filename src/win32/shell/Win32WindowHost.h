#pragma once

#include <chrono>

#include "app/WindowHost.h"
#include "win32/shell/MainWindow.h"

namespace lirosa {

// WindowHost over the main window: SetTimer ticks, SetWindowPos for the
// stay-on-top state, the lamps painted in memory and blitted, posted
// messages for wakes and boxes raised inside a tick.
class Win32WindowHost final : public WindowHost, public TickSink {
 public:
  explicit Win32WindowHost(MainWindow& window);

  void SetTitle(const std::string& title) override;
  void SetStayOnTop(bool topmost) override;
  void RepaintStayOnTop() override;
  ScreenSize PrimaryScreen() const override;
  void ShowLamps(const LampFrame& frame) override;
  void StartTimers() override;
  bool PauseTimers() override;
  std::int64_t ResumeTimers() override;
  void PostWake() override;
  bool PostShowMessages() override;
  void EndDialog() override;

  void Ticked(int timerId) override;

 private:
  void SetTimers();

  MainWindow& window_;
  bool started_ = false;
  bool paused_ = false;
  std::chrono::steady_clock::time_point lastTick_;
  LampFrame shownLamps_;
  bool lampsShown_ = false;
};

}  // namespace lirosa
