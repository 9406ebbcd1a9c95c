// What showing a new count costs the window: the received-bytes counter of
// the real window (offscreen) given a new value and redrawn, against a
// plain edit at the same place, in alternating blocks of one run.
//
//   counter_bench [--rounds N] [--updates N]

#include <time.h>

#include <QApplication>
#include <QLineEdit>
#include <QtTest/QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/ControlIds.h"
#include "gui/CounterEdit.h"
#include "gui/DialogLook.h"
#include "gui/MonitorWindow.h"

namespace {

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int rounds = 15;
  int updates = 200;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--updates") == 0) updates = std::max(1, std::atoi(argv[i + 1]));
  }
  QApplication app(argc, argv);
  lirosa::ApplyDialogLook(app);
  lirosa::MonitorWindow window;
  auto* counter = qobject_cast<lirosa::CounterEdit*>(window.Control(lirosa::kIdReceivedBytes));
  if (counter == nullptr) return 1;
  // The edit the window had before, where the counter is, looking the same.
  QLineEdit plain(counter->parentWidget());
  plain.setReadOnly(true);
  plain.setGeometry(counter->geometry());
  plain.setBackgroundRole(counter->backgroundRole());
  plain.setAutoFillBackground(counter->autoFillBackground());
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;

  long value = 100000;
  // Each value is shown as after a tick: set, then painted by the event loop.
  auto block = [&](auto&& show) {
    const double start = ThreadSeconds();
    for (int i = 0; i < updates; ++i) {
      show(QString::number(++value));
      QCoreApplication::processEvents();
    }
    return (ThreadSeconds() - start) / updates * 1e6;
  };
  std::vector<double> before, now;
  for (int round = 0; round < rounds; ++round) {
    plain.show();
    plain.raise();
    before.push_back(block([&](const QString& text) { plain.setText(text); }));
    plain.hide();
    now.push_back(block([&](const QString& text) { counter->ShowValue(text); }));
  }
  const double old = Median(before);
  const double fresh = Median(now);
  std::printf("counter benchmark: a new count set and drawn, median of %d blocks of %d\n", rounds,
              updates);
  std::printf("  plain edit   %8.1f us  1.00x\n", old);
  std::printf("  counter edit %8.1f us  %.2fx\n", fresh, fresh / old);
  return 0;
}
