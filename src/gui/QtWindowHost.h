#pragma once

#include <QElapsedTimer>
#include <QPixmap>
#include <array>
#include <functional>
#include <optional>
#include <utility>

#include "app/WindowHost.h"
#include "gui/RefreshGate.h"

class QTimer;

namespace lirosa {

class MonitorWindow;

// The main window as a whole: title, stay-on-top, screen size, the lamp
// images, the two 10 ms timers and the end of the window.
//
// The two timers share one period, so one Qt timer serves both: each
// wake-up gives the line tick and then the lamp tick, as two timers started
// in that order would, for half the wake-ups. While the timers are paused,
// a change to any control the user can edit wakes the logic (and so does it
// while the timers are batched).
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
  bool BatchTicks(int ticks) override;
  void PostWake() override;
  bool PostShowMessages() override;
  void EndDialog() override;

  bool TimersRunning() const;
  // The timers' period now: 10 ms, or a batch of them.
  int TimerPeriodMs() const { return periodMs_; }
  // For a benchmark that times the ticks: called just before and just
  // after the logic handles each firing.
  void ObserveTicks(std::function<void()> before, std::function<void()> after) {
    beforeTick_ = std::move(before);
    afterTick_ = std::move(after);
  }

 private:
  void Tick();
  void WakeOnControlChanges();

  // The six lamp images there can be, painted once each on first use.
  const QPixmap& StateLamp(bool open);
  const QPixmap& TrafficLamps(bool tx, bool rx);

  MonitorWindow& window_;
  std::optional<LampFrame> shownLamps_;
  std::array<QPixmap, 2> stateLamps_;
  std::array<QPixmap, 4> trafficLamps_;
  // Lamps change at most once per screen refresh.
  RefreshGate lampGate_;
  QTimer* ticker_ = nullptr;
  QElapsedTimer sinceTick_;
  bool paused_ = false;
  int periodMs_ = 10;
  std::function<void()> beforeTick_;
  std::function<void()> afterTick_;
};

}  // namespace lirosa
