// The window's receive path with its real display: the program's own window
// (offscreen unless a platform is set), traffic view, buffered port and
// window host, its ticks driven by the host's own timers as in the program
// (batched while only receiving, stopped while idle), until a flood of
// known size has arrived. Every timer firing is timed. The display is set
// up as users who watch a busy line set it: hex, time stamps, each record
// on a line of its own, auto-clear on (the default), capture on; the check
// boxes are clicked on the shown window as a user would click them.
//
//   lirosa-bench-window-receiver --port PATH --bytes N [--capture FILE]
//                                [--timeout-s S] [--keep]
//
// Prints the RESULT line of the headless receiver, plus:
//   tick_max_ms, tick_p99_ms  how long the handler of one firing ran (a
//                             batch of replayed line ticks and a lamp tick)
//   gap_max_ms                the longest time from the end of one firing
//                             to the start of the next while bytes came: the
//                             timer's wait, the display's layout and
//                             painting and anything else that held the loop
// A firing counts as late when it started more than two timer periods
// after the one before ended.

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ReceiverRun.h"
#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "gui/DialogLook.h"
#include "gui/MonitorWindow.h"
#include "gui/QtDialogControls.h"
#include "gui/QtTrafficView.h"
#include "gui/QtWindowHost.h"
#include "serial/BufferedSerialPort.h"
#include "serial/PosixSerialPort.h"
#include "support/Fakes.h"

namespace {

using namespace lirosa;

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
  ApplyDialogLook(app);  // the program's own font, style and colours
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
  QtWindowHost host(window);
  MonitorDialog dialog(
      Platform{controls, prompts, view, serial, clock, host, {}, folder.dir.string()});
  window.Attach(&dialog);

  bench::TickLog log(options);
  std::vector<double> tickMs;
  double gapMaxMs = 0;
  double previous = 0;
  double start = 0;
  std::int64_t before = 0;
  int period = kLineTimerMs;
  host.ObserveTicks(
      [&] {
        start = bench::Now();
        before = dialog.counters.receivedBytes;
        period = host.TimerPeriodMs();
      },
      [&] {
        const double end = bench::Now();
        const double gapMs = previous > 0 ? (start - previous) * 1e3 : 0;
        // Only while bytes come: a resting window's gaps are its point.
        if (log.firstByte != 0) gapMaxMs = std::max(gapMaxMs, gapMs);
        previous = end;
        tickMs.push_back((end - start) * 1e3);
        log.Tick(dialog, before, gapMs > 2 * period);
        if (log.Done(dialog)) QCoreApplication::quit();
      });
  dialog.InitDialog();
  if (!bench::PortOpened(dialog, prompts, options)) return 1;
  window.show();
  for (const int id : {kIdTimeStamp, kIdNewLine}) {
    auto* box = qobject_cast<QAbstractButton*>(window.Control(id));
    if (box == nullptr) return 1;
    if (!box->isChecked()) QTest::mouseClick(box, Qt::LeftButton);
    if (!box->isChecked()) {
      std::fprintf(stderr, "check box %d did not take the click\n", id);
      return 1;
    }
  }
  bench::StartCapture(dialog, controls, folder);
  // A resting window fires no timer to notice the end: look now and then.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    log.Tick(dialog, dialog.counters.receivedBytes, false);
    if (log.Done(dialog)) QCoreApplication::quit();
  });
  watch.start(500);
  QApplication::exec();
  watch.stop();
  host.ObserveTicks({}, {});

  char extra[160];
  std::snprintf(extra, sizeof extra, "tick_max_ms=%.2f tick_p99_ms=%.2f gap_max_ms=%.2f",
                Percentile(tickMs, 1.0), Percentile(tickMs, 0.99), gapMaxMs);
  const int status = bench::FinishReceiver(dialog, prompts, folder, options, log, extra);
  window.Attach(nullptr);
  return status;
}
