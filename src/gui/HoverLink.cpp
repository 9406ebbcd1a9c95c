#include "gui/HoverLink.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>

#include "shell/LinkRules.h"

namespace lirosa {

namespace {

QColor ToQColor(Colour c) { return {c.red, c.green, c.blue}; }

StaticStyle StyleOf(const QLabel& label) {
  const Qt::Alignment a = label.alignment();
  StaticStyle style;
  if (a & Qt::AlignHCenter) {
    style.align = TextAlign::Centre;
  } else if (a & Qt::AlignRight) {
    style.align = TextAlign::Right;
  }
  style.centreVertically = (a & Qt::AlignVCenter) != 0;
  return style;
}

}  // namespace

HoverLink::HoverLink(QLabel& label, LinkServices services, const QString& address)
    : QObject(&label), label_(label), services_(std::move(services)), address_(address) {
  if (address_.isEmpty()) address_ = label_.text();
  if (label_.text().isEmpty()) label_.setText(address_);
  QFont font = label_.font();
  font.setUnderline(true);
  label_.setFont(font);
  FitToText();
  label_.setCursor(Qt::PointingHandCursor);
  label_.setToolTip(address_);
  label_.setAttribute(Qt::WA_Hover);
  label_.installEventFilter(this);
  Recolour();
}

void HoverLink::FitToText() {
  const QFontMetrics metrics(label_.font());
  const QRect g = label_.geometry();
  const Rect fitted = lirosa::FitToText({g.x(), g.y(), g.width(), g.height()},
                                        metrics.horizontalAdvance(label_.text()), metrics.height(),
                                        StyleOf(label_));
  label_.setGeometry(fitted.x, fitted.y, fitted.width, fitted.height);
}

void HoverLink::Recolour() {
  QPalette palette = label_.palette();
  palette.setColor(QPalette::WindowText, ToQColor(HoverLinkColour(over_, visited_)));
  label_.setPalette(palette);
}

bool HoverLink::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &label_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Enter:
      over_ = true;
      Recolour();
      break;
    case QEvent::Leave:
      over_ = false;
      Recolour();
      break;
    case QEvent::MouseButtonPress:
      pressed_ = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
      break;
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const bool click = pressed_ && mouse->button() == Qt::LeftButton &&
                         label_.rect().contains(mouse->position().toPoint());
      pressed_ = false;
      if (click) Open();
      break;
    }
    default: break;
  }
  return QObject::eventFilter(watched, event);
}

void HoverLink::Open() {
  QPointer<HoverLink> self(this);
  services_.open(address_, [self](int code) {
    if (!self) return;  // the box was closed before the opener answered
    if (LinkOpened(code)) {
      self->visited_ = true;
      self->Recolour();
      return;
    }
    // The box runs its own event loop, in which the link may go away.
    const auto warn = self->services_.warn;
    self->services_.beep();
    warn(QString::fromStdString(LinkErrorMessage(code)));
  });
}

}  // namespace lirosa
