#include <QApplication>
#include <QObject>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Clock.h"
#include "app/CommandLine.h"
#include "app/MonitorDialog.h"
#include "gui/AppIcon.h"
#include "gui/DialogLook.h"
#include "gui/MonitorWindow.h"
#include "gui/QtDeviceWatch.h"
#include "gui/QtDialogControls.h"
#include "gui/QtPrompts.h"
#include "gui/QtTrafficView.h"
#include "gui/QtWindowHost.h"
#include "gui/TerminationSignals.h"
#include "serial/BufferedSerialPort.h"
#include "serial/PortNames.h"
#include "serial/PosixSerialPort.h"

namespace {

bool HasDisplay(const lirosa::CommandLine& line) {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  return line.platformGiven || set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  // Read before the application exists: it needs a display, and --help or
  // --version must work without one.
  const lirosa::CommandLine line = lirosa::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (line.action) {
    case lirosa::CommandAction::Help:
      std::fputs(lirosa::CommandUsage(), stdout);
      return 0;
    case lirosa::CommandAction::Version:
      std::printf("%s\n", lirosa::VersionLine().c_str());
      return 0;
    case lirosa::CommandAction::UsageError:
      std::fprintf(stderr, "lirosa: %s\nTry 'lirosa --help'.\n", line.error.c_str());
      return 2;
    case lirosa::CommandAction::Run:
      break;
  }
  if (!HasDisplay(line)) {
    std::fputs(
        "lirosa: a display is needed, but none is set (DISPLAY and WAYLAND_DISPLAY are empty).\n"
        "On a server: xvfb-run -a lirosa (a virtual X display), or\n"
        "QT_QPA_PLATFORM=offscreen lirosa (nothing is shown).\n",
        stderr);
    return 1;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(lirosa::kAppTitle));
  QApplication::setWindowIcon(lirosa::AppIcon());
  // The window ends when its logic says so, not when it is hidden or its
  // last box closes.
  QApplication::setQuitOnLastWindowClosed(false);
  lirosa::ApplyDialogLook(app);

  lirosa::MonitorWindow window;
  lirosa::QtDialogControls controls(window.Controls());
  lirosa::QtPrompts prompts(&window);
  lirosa::QtTrafficView view(window.TrafficDisplay());
  lirosa::PosixSerialPort device;
  // Drained by a thread of its own, so a fast device is never held to what
  // the driver queues between two ticks.
  lirosa::BufferedSerialPort port(device);
  lirosa::SystemClock clock;
  lirosa::QtWindowHost host(window);
  lirosa::QtDeviceWatch devices;
  lirosa::MonitorDialog dialog(lirosa::Platform{controls, prompts, view, port, clock, host,
                                                [] { return lirosa::ListSerialDevices(); }, {},
                                                &devices});
  dialog.startPort = line.port;
  window.Attach(&dialog);
  QObject::connect(&devices, &lirosa::QtDeviceWatch::Changed, &window, [&window] {
    if (lirosa::MonitorDialog* logic = window.Logic()) logic->OnDevicesChanged();
  });

  lirosa::TerminationSignals termination;
  QObject::connect(&termination, &lirosa::TerminationSignals::Received, &window,
                   &lirosa::MonitorWindow::Terminate);
  // Leaves every event loop, a box's as well, so nothing waits for a click.
  QObject::connect(&window, &lirosa::MonitorWindow::Ended, &app, [] { QCoreApplication::exit(0); });

  dialog.InitDialog();
  if (window.HasEnded()) return 0;
  window.show();
  const int result = app.exec();
  window.Attach(nullptr);
  return result;
}
