#include "gui/QtWindowHost.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "gui/LampPainter.h"
#include "gui/MonitorWindow.h"
#include "gui/StayOnTopButton.h"
#include "shell/LampModel.h"

namespace lirosa {

namespace {

// The image goes onto the control in one step. It keeps its own size from
// the control's corner even where the template made the control smaller
// (the traffic lamps' static is 47 x 12 px, their image 60 x 20).
void PutImage(QWidget* control, const QPixmap& image) {
  auto* label = qobject_cast<QLabel*>(control);
  if (!label) return;
  if (label->width() < image.width() || label->height() < image.height()) {
    label->resize(std::max(label->width(), image.width()),
                  std::max(label->height(), image.height()));
  }
  label->setPixmap(image);
}

}  // namespace

void QtWindowHost::SetTitle(const std::string& title) {
  window_.setWindowTitle(QString::fromStdString(title));
}

void QtWindowHost::SetStayOnTop(bool topmost) {
  if (StayOnTopButton* button = window_.StayOnTop()) button->SetPinned(topmost);
  if (window_.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost) return;
  // Changing a window's flags hides it; bring it back where it was.
  const bool shown = window_.isVisible();
  const QPoint position = window_.pos();
  const QSize size = window_.size();
  window_.setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
  if (!shown) return;
  window_.resize(size);
  window_.move(position);
  window_.show();
}

void QtWindowHost::RepaintStayOnTop() {
  if (StayOnTopButton* button = window_.StayOnTop()) button->repaint();
}

ScreenSize QtWindowHost::PrimaryScreen() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {};
  return {screen->size().width(), screen->size().height()};
}

const QPixmap& QtWindowHost::StateLamp(bool open) {
  QPixmap& image = stateLamps_[open ? 1 : 0];
  if (image.isNull()) image = QPixmap::fromImage(PaintLamp(StateLampRecipe(open)));
  return image;
}

const QPixmap& QtWindowHost::TrafficLamps(bool tx, bool rx) {
  QPixmap& image = trafficLamps_[(tx ? 2 : 0) + (rx ? 1 : 0)];
  if (image.isNull()) image = QPixmap::fromImage(PaintLamp(TrafficLampRecipe(tx, rx)));
  return image;
}

void QtWindowHost::ShowLamps(const LampFrame& frame) {
  // A tick that changes nothing paints nothing; each lamp control is
  // redrawn only when its own image changed.
  const std::optional<LampFrame> before = shownLamps_;
  if (before == frame) return;
  shownLamps_ = frame;
  if (!before || before->portOpen != frame.portOpen) {
    lampGate_.Post(&stateLamps_, [this] {
      PutImage(window_.Control(kIdStateLamp), StateLamp(shownLamps_->portOpen));
    });
  }
  if (!before || before->txLit != frame.txLit || before->rxLit != frame.rxLit) {
    lampGate_.Post(&trafficLamps_, [this] {
      PutImage(window_.Control(kIdTrafficLamps),
               TrafficLamps(shownLamps_->txLit, shownLamps_->rxLit));
    });
  }
}

void QtWindowHost::StartTimers() {
  if (ticker_) return;
  static_assert(kLineTimerMs == kLampTimerMs, "one timer serves both ticks");
  ticker_ = new QTimer(&window_);
  ticker_->setTimerType(Qt::PreciseTimer);
  ticker_->setInterval(kLineTimerMs);
  QObject::connect(ticker_, &QTimer::timeout, &window_, [this] { Tick(); });
  sinceTick_.start();
  ticker_->start();
  WakeOnControlChanges();
}

void QtWindowHost::Tick() {
  sinceTick_.start();
  // The first tick after a pause came early enough to stay on the beat;
  // from here on the full period again.
  if (ticker_->interval() != periodMs_) ticker_->setInterval(periodMs_);
  if (beforeTick_) beforeTick_();
  if (MonitorDialog* logic = window_.Logic()) logic->OnTimer(kLineTimerId);
  if (MonitorDialog* logic = window_.Logic()) logic->OnTimer(kLampTimerId);
  if (afterTick_) afterTick_();
}

bool QtWindowHost::PauseTimers() {
  if (!ticker_) return false;
  ticker_->stop();
  paused_ = true;
  return true;
}

std::int64_t QtWindowHost::ResumeTimers() {
  if (!ticker_ || !paused_) return 0;
  paused_ = false;
  constexpr qint64 kPeriodNs = qint64{kLineTimerMs} * 1000 * 1000;
  const qint64 elapsed = sinceTick_.nsecsElapsed();
  // The next tick comes when it would have come had the timer run on.
  const qint64 untilNext = kPeriodNs - elapsed % kPeriodNs;
  ticker_->start(static_cast<int>((untilNext + 999'999) / 1'000'000));
  return elapsed / kPeriodNs;
}

bool QtWindowHost::BatchTicks(int ticks) {
  if (!ticker_) return false;
  const int period = kLineTimerMs * std::max(ticks, 1);
  if (period == periodMs_) return true;
  periodMs_ = period;
  if (paused_ || !ticker_->isActive()) return true;
  // The next firing stays on the 10 ms beat of the last one: a batch is
  // whole periods from it, and the end of a batch (at any moment) comes
  // at the next beat. Tick then sets the new period.
  constexpr qint64 kPeriodNs = qint64{kLineTimerMs} * 1000 * 1000;
  const qint64 elapsed = sinceTick_.nsecsElapsed();
  const qint64 untilNext = ticks > 1 ? std::max<qint64>(period * qint64{1000000} - elapsed, 0)
                                     : kPeriodNs - elapsed % kPeriodNs;
  ticker_->start(static_cast<int>((untilNext + 999'999) / 1'000'000));
  return true;
}

bool QtWindowHost::TimersRunning() const { return ticker_ && ticker_->isActive(); }

void QtWindowHost::PostWake() {
  QMetaObject::invokeMethod(
      &window_,
      [window = &window_] {
        if (MonitorDialog* logic = window->Logic()) logic->Wake();
      },
      Qt::QueuedConnection);
}

bool QtWindowHost::PostShowMessages() {
  // Qt does not fire a timer again while its slot is still running, so a
  // box opened inside the tick would hold every timer of the window.
  QMetaObject::invokeMethod(
      &window_,
      [window = &window_] {
        if (MonitorDialog* logic = window->Logic()) logic->ShowPendingMessages();
      },
      Qt::QueuedConnection);
  return true;
}

void QtWindowHost::WakeOnControlChanges() {
  auto wake = [window = &window_] {
    if (MonitorDialog* logic = window->Logic()) logic->Wake();
  };
  for (auto it = window_.Controls().cbegin(); it != window_.Controls().cend(); ++it) {
    QWidget* control = it.value();
    // The traffic display changes only through the logic.
    if (it.key() == kIdTrafficView) continue;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      // Read-only edits (the counters, the capture file) change only
      // through the logic, and the counters do so outside the ticks.
      if (edit->isReadOnly()) continue;
      QObject::connect(edit, &QLineEdit::textChanged, &window_, wake);
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
      QObject::connect(box, &QPlainTextEdit::textChanged, &window_, wake);
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
      QObject::connect(list, &QComboBox::currentIndexChanged, &window_, wake);
      QObject::connect(list, &QComboBox::editTextChanged, &window_, wake);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      QObject::connect(button, &QAbstractButton::toggled, &window_, wake);
    }
  }
}

void QtWindowHost::EndDialog() { window_.End(); }

}  // namespace lirosa
