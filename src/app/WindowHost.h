#pragma once

#include <cstdint>
#include <string>

namespace lirosa {

struct ScreenSize {
  int width = 0;
  int height = 0;
};

// What the traffic lamps show on one lamp tick.
struct LampFrame {
  bool portOpen = false;
  bool txLit = false;
  bool rxLit = false;
  friend bool operator==(const LampFrame&, const LampFrame&) = default;
};

// The main window as a whole, as opposed to its controls.
class WindowHost {
 public:
  virtual ~WindowHost() = default;

  virtual void SetTitle(const std::string& title) = 0;
  // Pins the window above all others or releases it, keeping its position
  // and size.
  virtual void SetStayOnTop(bool topmost) = 0;
  // Redraws the stay-on-top button at once.
  virtual void RepaintStayOnTop() = 0;
  // Size of the primary screen in pixels.
  virtual ScreenSize PrimaryScreen() const = 0;
  // Paints both lamp images, each onto its control in one step.
  virtual void ShowLamps(const LampFrame& frame) = 0;
  // Starts the line timer and the lamp timer (10 ms each); their ticks come
  // back as MonitorDialog::OnTimer(kLineTimerId / kLampTimerId).
  virtual void StartTimers() = 0;
  // Stops both timers until ResumeTimers; false when this host cannot.
  virtual bool PauseTimers() = 0;
  // Starts them again on the beat they kept before the pause; returns how
  // many ticks each timer would have given meanwhile.
  virtual std::int64_t ResumeTimers() = 0;
  // From now on the timers fire once every `ticks` periods (1: every
  // period), keeping their beat; each firing still gives one line tick and
  // one lamp tick, and the logic replays the ticks in between. False when
  // this host cannot.
  virtual bool BatchTicks(int /*ticks*/) { return false; }
  // Safe from any thread: has MonitorDialog::Wake called on the window's
  // thread soon.
  virtual void PostWake() = 0;
  // Has MonitorDialog::ShowPendingMessages called on the window's thread
  // once the event being handled has returned, so that a box raised inside
  // a tick opens outside it and the timers keep firing under the box.
  // False when this host cannot: the messages are then shown at the end of
  // the tick, which suits a toolkit whose boxes dispatch timer events to a
  // busy handler.
  virtual bool PostShowMessages() { return false; }
  // Ends the window; the program ends with it. Must not come back as a
  // close command.
  virtual void EndDialog() = 0;
};

}  // namespace lirosa
