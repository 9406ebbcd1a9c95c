// What a request of one long run without blanks (a pasted hex dump without
// spaces, a number of a million digits) costs the window: pasting it into a
// request box, starting up with it in data.log, and one key typed after it.
// Each is measured for the boxes as the window builds them (breaking lines
// anywhere) and, side by side in the same run, for boxes that break only
// at word boundaries where they can; the ratio is printed.
//
// Breaking at word boundaries takes time quadratic in the run's length, so
// it is measured up to --word-up-to bytes only (default 128 KiB).
//
//   requests_bench [--word-up-to N] [--max N]

#include <stdlib.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextOption>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/Clock.h"
#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "gui/DialogLook.h"
#include "gui/MonitorWindow.h"
#include "gui/QtDialogControls.h"
#include "gui/QtTrafficView.h"
#include "gui/QtWindowHost.h"
#include "support/Fakes.h"

namespace {

using namespace lirosa;
using Stopwatch = std::chrono::steady_clock;

enum class Scenario { Paste, Startup, Keystroke };

double Ms(Stopwatch::time_point since) {
  return std::chrono::duration<double, std::milli>(Stopwatch::now() - since).count();
}

void LayOut(QPlainTextEdit& box) {
  box.document()->documentLayout()->blockBoundingRect(box.document()->firstBlock());
  box.viewport()->repaint();
}

void Key(int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(QApplication::focusWidget(), &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(QApplication::focusWidget(), &release);
}

// One run on a fresh window, as the program builds it; `wordWrap` gives its
// request boxes the word-boundary breaking instead.
double Measure(Scenario scenario, int size, bool wordWrap) {
  std::string folder = (std::filesystem::temp_directory_path() / "lirosa-requests-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return -1;
  const std::string digits(static_cast<std::size_t>(size), '5');
  if (scenario != Scenario::Paste) std::ofstream(folder + "/data.log") << digits << "\r\n\r\n\r\n";

  MonitorWindow window;
  QtDialogControls controls(window.Controls());
  QtTrafficView view(window.TrafficDisplay());
  QtWindowHost host(window);
  test::FakePrompts prompts;
  test::FakeSerialPort port;
  SystemClock clock;
  MonitorDialog logic(Platform{controls, prompts, view, port, clock, host, {}, folder});
  window.Attach(&logic);
  auto* box = qobject_cast<QPlainTextEdit*>(window.Control(kIdRequest1));
  if (wordWrap) box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

  double ms = 0;
  Stopwatch::time_point start = Stopwatch::now();
  logic.InitDialog();
  window.show();
  QCoreApplication::processEvents();
  LayOut(*box);
  if (scenario == Scenario::Startup) ms = Ms(start);
  box->setFocus();
  if (scenario == Scenario::Paste) {
    QApplication::clipboard()->setText(QString::fromStdString(digits));
    start = Stopwatch::now();
    Key(Qt::Key_V, Qt::ControlModifier);
    LayOut(*box);
    ms = Ms(start);
  }
  if (scenario == Scenario::Keystroke) {
    box->moveCursor(QTextCursor::End);
    start = Stopwatch::now();
    Key(Qt::Key_7, Qt::NoModifier, QStringLiteral("7"));
    LayOut(*box);
    ms = Ms(start);
  }
  window.Attach(nullptr);
  std::filesystem::remove_all(folder);
  return ms;
}

const char* Name(Scenario scenario) {
  switch (scenario) {
    case Scenario::Paste: return "paste";
    case Scenario::Startup: return "start-up";
    case Scenario::Keystroke: return "one key";
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  int wordUpTo = 128 * 1024;
  int largest = 1024 * 1024;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--word-up-to") {
      wordUpTo = std::atoi(argv[i + 1]);
    } else if (arg == "--max") {
      largest = std::atoi(argv[i + 1]);
    } else {
      std::fprintf(stderr, "usage: %s [--word-up-to N] [--max N]\n", argv[0]);
      return 2;
    }
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ApplyDialogLook(app);

  std::printf("%-9s %9s %12s %12s %8s\n", "", "bytes", "anywhere ms", "word ms", "ratio");
  for (Scenario scenario : {Scenario::Paste, Scenario::Startup, Scenario::Keystroke}) {
    for (int size = 64 * 1024; size <= largest; size *= 2) {
      const double anywhere = Measure(scenario, size, false);
      if (size > wordUpTo) {
        std::printf("%-9s %9d %12.0f %12s %8s\n", Name(scenario), size, anywhere, "-", "-");
        continue;
      }
      const double word = Measure(scenario, size, true);
      std::printf("%-9s %9d %12.0f %12.0f %7.1fx\n", Name(scenario), size, anywhere, word,
                  word / anywhere);
    }
  }
  return 0;
}
