#pragma once

#include <QDialog>
#include <QSet>

#include "gui/TemplateBuilder.h"

class QMenu;
class QTimer;

namespace lirosa {

class MonitorDialog;
enum class Notification;
class StayOnTopButton;
class TrafficWidget;

// The main window (template 102): builds its controls and hands every user
// event to the window logic, which it does not otherwise interpret.
//
// Clicks of buttons, check boxes and radios arrive as Clicked, a choice in
// a drop-down list as SelectionChanged, Enter in the port list's typed text
// as OnPortNameEntered; the title-bar close as OnClose, Esc as OnCancel,
// window state changes as OnSize and "О программе." (context menu, also the
// display's, and F1) as OnSysCommand. Enter elsewhere clicks a focused
// push button and never ends the window: it confirms a value, and ending
// would lose the run's settings. The frame is fixed in the normal state; maximizing is allowed.
class MonitorWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit MonitorWindow(QWidget* parent = nullptr);

  // Events go to `logic` from now on; nullptr stops them.
  void Attach(MonitorDialog* logic) { logic_ = logic; }
  MonitorDialog* Logic() const { return ended_ ? nullptr : logic_; }

  const ControlMap& Controls() const { return controls_; }
  QWidget* Control(int id) const { return controls_.value(id, nullptr); }
  TrafficWidget& TrafficDisplay() const;
  StayOnTopButton* StayOnTop() const;
  QMenu& SystemMenu() const { return *systemMenu_; }

  // Ends the window for good: no event reaches the logic any more, a box
  // left open over the window is closed, and Ended() is emitted once.
  void End();
  bool HasEnded() const { return ended_; }
  // A termination signal: the window closes and saves without any box.
  void Terminate();

  // The client size in the normal state: 526 x 325 dialog units.
  static QSize NormalSize();

 Q_SIGNALS:
  void Ended();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Connect();
  void Forward(int id, Notification notification);
  void ReportSize();
  void KeepNormalSize();

  ControlMap controls_;
  QSet<QWidget*> pushButtons_;
  // The typed text of editable lists (port, baud): Enter there applies it.
  QSet<QObject*> typedEdits_;
  QMenu* systemMenu_ = nullptr;
  QTimer* sizeKeeper_ = nullptr;
  int sizeRefusals_ = 0;
  MonitorDialog* logic_ = nullptr;
  bool ended_ = false;
};

}  // namespace lirosa
