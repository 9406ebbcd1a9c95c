#include <QApplication>
#include <QObject>

#include "app/Clock.h"
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

int main(int argc, char** argv) {
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
  // Held until the tick is over: records a flood clears away in the same
  // tick are never laid out.
  lirosa::QtTrafficView view(window.TrafficDisplay(), lirosa::QtTrafficView::kDefaultCapacity,
                             lirosa::QtTrafficView::Updates::Deferred);
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
