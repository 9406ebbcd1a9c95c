#pragma once

#include <QObject>

class QSocketNotifier;

namespace lirosa {

// Turns SIGTERM and SIGINT into a Qt signal on the GUI thread, so that a
// terminal's Ctrl-C or a service manager's stop closes the window the way
// its close button does (port closed, settings saved), though with no box
// waiting for a click (MonitorWindow::Terminate). The handler only
// writes a byte into a pipe; the event loop reads it.
class TerminationSignals final : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

  // False when the pipe could not be made; the signals then keep their
  // default action.
  bool Installed() const { return notifier_ != nullptr; }

 Q_SIGNALS:
  void Received(int signalNumber);

 private:
  void Drain();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace lirosa
