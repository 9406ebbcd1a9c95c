#include "gui/MonitorWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "gui/AppIcon.h"
#include "gui/LinkOpener.h"
#include "gui/PictureLinks.h"
#include "gui/StayOnTopButton.h"
#include "gui/TrafficWidget.h"
#include "gui/WideListBox.h"

namespace lirosa {

namespace {

constexpr const char* kAboutItem = "О программе.";

bool IsEnter(const QKeyEvent& key) {
  return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

SizeKind KindOf(Qt::WindowStates state) {
  if (state & Qt::WindowMinimized) return SizeKind::Minimized;
  if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) return SizeKind::Maximized;
  return SizeKind::Restored;
}

}  // namespace

QSize MonitorWindow::NormalSize() {
  const DialogTemplate& main = MainDialogTemplate();
  return {TemplateBuilder::ToPixels(main.width), TemplateBuilder::ToPixels(main.height)};
}

MonitorWindow::MonitorWindow(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  // The program sets the icon for all its windows; a window made on its own
  // (tests, benchmarks) brings its own.
  if (QGuiApplication::windowIcon().isNull()) setWindowIcon(AppIcon());
  TemplateBuilder::Options options;
  options.manualRadios = true;
  options.autoDefaultButtons = false;
  controls_ = TemplateBuilder(options).Build(MainDialogTemplate(), *this);
  BindPictureLinks(controls_, DesktopLinkServices(this));
  // The counters change many times a second while traffic flows. An edit
  // that fills its own background is opaque to Qt, so redrawing it no
  // longer repaints the group box and the neighbours under it; the fill is
  // the colour that showed through its corners anyway.
  for (const int id : {kIdRequestsSent, kIdReceivedFrames, kIdSentBytes, kIdReceivedBytes}) {
    if (QWidget* counter = Control(id)) {
      counter->setBackgroundRole(QPalette::Window);
      counter->setAutoFillBackground(true);
    }
  }
  // The edges cannot be dragged smaller; a larger normal size is put back
  // (KeepNormalSize). A fixed maximum would also forbid maximizing.
  setMinimumSize(NormalSize());
  resize(NormalSize());
  sizeKeeper_ = new QTimer(this);
  sizeKeeper_->setSingleShot(true);
  sizeKeeper_->setInterval(100);
  connect(sizeKeeper_, &QTimer::timeout, this, [this] {
    if (KindOf(windowState()) != SizeKind::Restored || size() == NormalSize()) return;
    ++sizeRefusals_;
    resize(NormalSize());
  });

  systemMenu_ = new QMenu(this);
  QAction* about = systemMenu_->addAction(QString::fromUtf8(kAboutItem));
  connect(about, &QAction::triggered, this, [this] {
    if (MonitorDialog* logic = Logic()) logic->OnSysCommand(kSysCommandAbout);
  });
  TrafficDisplay().AddMenuActions({about});
  Connect();
}

TrafficWidget& MonitorWindow::TrafficDisplay() const {
  return *qobject_cast<TrafficWidget*>(Control(kIdTrafficView));
}

StayOnTopButton* MonitorWindow::StayOnTop() const {
  return qobject_cast<StayOnTopButton*>(Control(kIdStayOnTop));
}

void MonitorWindow::Connect() {
  for (auto it = controls_.cbegin(); it != controls_.cend(); ++it) {
    const int id = it.key();
    QWidget* widget = it.value();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      // clicked comes only from the user (mouse, Space, our Enter), never
      // from a state the logic sets.
      connect(button, &QAbstractButton::clicked, this,
              [this, id] { Forward(id, Notification::Clicked); });
      if (qobject_cast<QPushButton*>(widget) || qobject_cast<StayOnTopButton*>(widget))
        pushButtons_.insert(widget);
      continue;
    }
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
      connect(list, &QComboBox::activated, this,
              [this, id] { Forward(id, Notification::SelectionChanged); });
      if (auto* wide = qobject_cast<WideListBox*>(list); wide && id == kIdPortList) {
        connect(wide, &WideListBox::PopupAboutToShow, this, [this] {
          if (MonitorDialog* logic = Logic()) logic->RefreshPortList();
        });
      }
      if (QLineEdit* edit = list->lineEdit()) {
        typedEdits_.insert(edit);
        edit->setProperty(TemplateBuilder::kIdProperty, id);
        edit->installEventFilter(this);
        list->installEventFilter(this);
        // A typed value takes effect when the box is left too, if changed.
        connect(edit, &QLineEdit::editingFinished, this, [this, edit, id] {
          if (!edit->isModified()) return;
          edit->setModified(false);
          Forward(id, Notification::SelectionChanged);
        });
      }
    }
  }
}

void MonitorWindow::Forward(int id, Notification notification) {
  if (MonitorDialog* logic = Logic()) logic->OnCommand(id, notification);
}

void MonitorWindow::End() {
  if (ended_) return;
  ended_ = true;
  // Only a termination signal can end the window under an open box.
  for (int guard = 0; guard < 16; ++guard) {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == this) break;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
  }
  hide();
  Q_EMIT Ended();
}

void MonitorWindow::Terminate() {
  if (MonitorDialog* logic = Logic()) logic->OnTerminate();
}

void MonitorWindow::closeEvent(QCloseEvent* event) {
  MonitorDialog* logic = Logic();
  if (!logic) {
    event->accept();
    return;
  }
  // The logic closes the port, saves and ends the window through End();
  // the close itself is not taken, so it cannot come back a second time.
  event->ignore();
  logic->OnClose();
}

void MonitorWindow::keyPressEvent(QKeyEvent* event) {
  MonitorDialog* logic = Logic();
  if (!logic) {
    QDialog::keyPressEvent(event);
    return;
  }
  if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
    logic->OnSysCommand(kSysCommandAbout);
    return;
  }
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    logic->OnCancel();
    return;
  }
  if (IsEnter(*event)) {
    // A focused push button takes Enter as a click, as on the platform
    // dialogs. Anywhere else Enter confirms what was typed or chosen; it
    // does not end the window.
    QWidget* focus = focusWidget();
    if (pushButtons_.contains(focus) && focus->isEnabled()) {
      static_cast<QAbstractButton*>(focus)->click();
    }
    return;
  }
  event->ignore();
}

bool MonitorWindow::eventFilter(QObject* watched, QEvent* event) {
  // Enter in a list's typed text applies it (the port box also opens the
  // typed port); it is not the dialog's OK. The list hands its keys to its
  // line edit directly, past any filter there, so the list is watched too.
  QObject* edit = watched;
  if (auto* list = qobject_cast<QComboBox*>(watched)) edit = list->lineEdit();
  if (edit && typedEdits_.contains(edit) && event->type() == QEvent::KeyPress &&
      IsEnter(*static_cast<QKeyEvent*>(event))) {
    static_cast<QLineEdit*>(edit)->setModified(false);
    const int id = edit->property(TemplateBuilder::kIdProperty).toInt();
    if (id == kIdPortList) {
      if (MonitorDialog* logic = Logic()) logic->OnPortNameEntered();
    } else {
      Forward(id, Notification::SelectionChanged);
    }
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void MonitorWindow::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) {
    sizeRefusals_ = 0;
    ReportSize();
  }
}

void MonitorWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  KeepNormalSize();
  ReportSize();
}

void MonitorWindow::KeepNormalSize() {
  if (KindOf(windowState()) != SizeKind::Restored || size() == NormalSize()) {
    sizeRefusals_ = 0;
    return;
  }
  // Put back once a drag has stopped; a window manager that insists on its
  // own size three times running has the last word, rather than a resize
  // loop between the two of us.
  constexpr int kMaxRefusals = 3;
  if (sizeRefusals_ < kMaxRefusals) sizeKeeper_->start();
}

void MonitorWindow::ReportSize() {
  if (MonitorDialog* logic = Logic()) logic->OnSize(KindOf(windowState()), width(), height());
}

void MonitorWindow::contextMenuEvent(QContextMenuEvent* event) {
  if (!Logic()) return;
  systemMenu_->popup(event->globalPos());
}

}  // namespace lirosa
