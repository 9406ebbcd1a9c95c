#include "gui/QtWindowHost.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
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
void PutImage(QWidget* control, const QImage& image) {
  auto* label = qobject_cast<QLabel*>(control);
  if (!label) return;
  if (label->width() < image.width() || label->height() < image.height()) {
    label->resize(std::max(label->width(), image.width()),
                  std::max(label->height(), image.height()));
  }
  label->setPixmap(QPixmap::fromImage(image));
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

void QtWindowHost::ShowLamps(const LampFrame& frame) {
  // A tick that changes nothing paints nothing.
  if (shownLamps_ == frame) return;
  shownLamps_ = frame;
  PutImage(window_.Control(kIdStateLamp), PaintLamp(StateLampRecipe(frame.portOpen)));
  PutImage(window_.Control(kIdTrafficLamps),
           PaintLamp(TrafficLampRecipe(frame.txLit, frame.rxLit)));
}

void QtWindowHost::StartTimers() {
  if (timersStarted_) return;
  timersStarted_ = true;
  const std::pair<int, int> timers[] = {{kLineTimerId, kLineTimerMs}, {kLampTimerId, kLampTimerMs}};
  for (auto [id, ms] : timers) {
    auto* timer = new QTimer(&window_);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(ms);
    QObject::connect(timer, &QTimer::timeout, &window_, [this, id = id] {
      if (MonitorDialog* logic = window_.Logic()) logic->OnTimer(id);
    });
    timer->start();
  }
}

void QtWindowHost::EndDialog() { window_.End(); }

}  // namespace lirosa
