#pragma once

#include <QElapsedTimer>
#include <optional>

#include "app/WindowHost.h"

class QTimer;

namespace lirosa {

class MonitorWindow;

// The main window as a whole: title, stay-on-top, screen size, the lamp
// images, the two 10 ms timers and the end of the window.
//
// The two timers share one period, so one Qt timer serves both: each
// wake-up gives the line tick and then the lamp tick, as two timers started
// in that order would, for half the wake-ups. While the timers are paused,
// a change to any control the user can edit wakes the logic.
class QtWindowHost final : public WindowHost {
 public:
  explicit QtWindowHost(MonitorWindow& window) : window_(window) {}

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

  bool TimersRunning() const;

 private:
  void Tick();
  void WakeOnControlChanges();

  MonitorWindow& window_;
  std::optional<LampFrame> shownLamps_;
  QTimer* ticker_ = nullptr;
  QElapsedTimer sinceTick_;
  bool paused_ = false;
};

}  // namespace lirosa
