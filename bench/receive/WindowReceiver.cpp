// The window's receive path with its real display: the program's own window
// (offscreen unless a platform is set), traffic view and buffered port, its
// ticks driven by 10 ms Qt timers as in the program, with capture on, until
// a flood of known size has arrived. Every line tick is timed.
//
//   lirosa-bench-window-receiver --port PATH --bytes N [--timeout-s S] [--keep]
//
// Prints the RESULT line of the headless receiver, plus:
//   tick_max_ms, tick_p99_ms  how long the line tick's handler ran
//   gap_max_ms                the longest time from the end of one line tick
//                             to the start of the next: the timer's wait, the
//                             display's layout and painting and anything else
//                             that held the event loop
// A tick counts as late when it started more than two periods after the
// one before ended.

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ReceiverRun.h"
#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "gui/MonitorWindow.h"
#include "gui/QtDialogControls.h"
#include "gui/QtTrafficView.h"
#include "gui/QtWindowHost.h"
#include "serial/BufferedSerialPort.h"
#include "serial/PosixSerialPort.h"
#include "support/Fakes.h"

namespace {

using namespace lirosa;

constexpr int kTickMs = 10;

// The real window host, except that the benchmark runs the two timers
// itself, so that it can time the line tick.
class TimedHost final : public WindowHost {
 public:
  explicit TimedHost(QtWindowHost& host) : host_(host) {}
  void SetTitle(const std::string& title) override { host_.SetTitle(title); }
  void SetStayOnTop(bool topmost) override { host_.SetStayOnTop(topmost); }
  void RepaintStayOnTop() override { host_.RepaintStayOnTop(); }
  ScreenSize PrimaryScreen() const override { return host_.PrimaryScreen(); }
  void ShowLamps(const LampFrame& frame) override { host_.ShowLamps(frame); }
  void StartTimers() override {}
  // Its timers never stop: the benchmark measures ticks.
  bool PauseTimers() override { return false; }
  std::int64_t ResumeTimers() override { return 0; }
  void PostWake() override { host_.PostWake(); }
  void EndDialog() override { host_.EndDialog(); }

 private:
  QtWindowHost& host_;
};

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
  return values[at];
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  bench::ReceiverOptions options;
  bench::ReceiverFolder folder;
  if (const int status = bench::PrepareReceiver(argc, argv, options, folder)) return status;

  MonitorWindow window;
  QtDialogControls controls(window.Controls());
  test::FakePrompts prompts;  // a box must not wait for a click here
  QtTrafficView view(window.TrafficDisplay());
  PosixSerialPort device;
  BufferedSerialPort serial(device);
  SystemClock clock;
  QtWindowHost realHost(window);
  TimedHost host(realHost);
  MonitorDialog dialog(
      Platform{controls, prompts, view, serial, clock, host, {}, folder.dir.string()});
  window.Attach(&dialog);
  dialog.InitDialog();
  if (!bench::PortOpened(dialog, prompts, options)) return 1;
  window.show();
  bench::StartCapture(dialog, controls, folder);

  bench::TickLog log(options);
  std::vector<double> tickMs;
  double gapMaxMs = 0;
  double previous = bench::Now();
  QTimer line;
  line.setTimerType(Qt::PreciseTimer);
  QObject::connect(&line, &QTimer::timeout, [&] {
    const double start = bench::Now();
    const double gapMs = (start - previous) * 1e3;
    gapMaxMs = std::max(gapMaxMs, gapMs);
    const std::int64_t before = dialog.counters.receivedBytes;
    dialog.OnTimer(kLineTimerId);
    previous = bench::Now();
    tickMs.push_back((previous - start) * 1e3);
    log.Tick(dialog, before, gapMs > 2 * kTickMs);
    if (log.Done(dialog)) QCoreApplication::quit();
  });
  QTimer lamps;
  lamps.setTimerType(Qt::PreciseTimer);
  QObject::connect(&lamps, &QTimer::timeout, [&] { dialog.OnTimer(kLampTimerId); });
  line.start(kTickMs);
  lamps.start(kTickMs);
  QApplication::exec();
  line.stop();
  lamps.stop();

  char extra[160];
  std::snprintf(extra, sizeof extra, "tick_max_ms=%.2f tick_p99_ms=%.2f gap_max_ms=%.2f",
                Percentile(tickMs, 1.0), Percentile(tickMs, 0.99), gapMaxMs);
  const int status = bench::FinishReceiver(dialog, prompts, folder, options, log, extra);
  window.Attach(nullptr);
  return status;
}
