#pragma once

#include <QColor>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Clock.h"
#include "app/MonitorDialog.h"
#include "gui/MonitorWindow.h"
#include "gui/QtDialogControls.h"
#include "gui/QtPrompts.h"
#include "gui/QtTrafficView.h"
#include "gui/QtWindowHost.h"
#include "serial/BufferedSerialPort.h"
#include "serial/PosixSerialPort.h"
#include "support/TempDir.h"

class QWidget;

namespace lirosa::test {

// One line of the traffic display (the text between two line breaks); with
// line breaks on, one record.
struct DisplayLine {
  std::string text;
  std::vector<QColor> colours;  // the colour of each run of characters, in order
};

// The program's own window, put together as main() does: real widgets,
// prompts, timers, clock and the POSIX port drained by its reader thread,
// in this process, so a test can click its controls and read its widgets
// while it talks to a device on a pseudo-terminal. Settings live in a
// folder of their own.
class LiveWindow {
 public:
  LiveWindow();
  ~LiveWindow();
  LiveWindow(const LiveWindow&) = delete;
  LiveWindow& operator=(const LiveWindow&) = delete;

  // Stores `portPath` at 9600 baud, 8 data bits, no parity, 1 stop bit and
  // starts the window, which opens that port and its 10 ms timers.
  void Start(const std::string& portPath);

  // Runs the event loop, and so the window's timers, until `done` holds or
  // `timeout` has passed; returns `done`'s last answer.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  // Runs until as many frames have come in as requests and file lines went
  // out (counters 1063 and 1062), for a device that answers each once.
  bool RunUntilAllAnswered(std::chrono::milliseconds timeout);

  // A click on the button, check box or radio `id`, as the user makes it.
  void Click(int id);
  // Clicks `id`, which is to open a modal window, and runs `answer` on that
  // window from inside its event loop; `answer` must close it. False when no
  // modal window opened. A window `answer` left open is rejected after a
  // few seconds, so a failing test does not hang.
  bool ClickAnswering(int id, const std::function<void(QWidget& modal)>& answer);

  std::string Text(int id) const { return controls_.Text(id); }
  void SetText(int id, const std::string& text) { controls_.SetText(id, text); }
  void SetCheck(int id, int state) { controls_.SetCheck(id, state); }
  QWidget* Control(int id) const { return window_.Control(id); }

  std::vector<DisplayLine> Display() const;
  // False while an idle window has its timers stopped.
  bool TimersRunning() const { return host_.TimersRunning(); }
  MonitorDialog& Logic() { return *logic_; }

 private:
  TempDir settings_;
  MonitorWindow window_;
  QtDialogControls controls_;
  QtPrompts prompts_;
  QtTrafficView view_;
  PosixSerialPort device_;
  BufferedSerialPort port_{device_};
  SystemClock clock_;
  QtWindowHost host_;
  std::unique_ptr<MonitorDialog> logic_;
};

}  // namespace lirosa::test
