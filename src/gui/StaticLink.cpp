#include "gui/StaticLink.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>

#include "shell/LinkRules.h"

namespace lirosa {

StaticLink::StaticLink(QLabel& label, Kind kind, LinkServices services, const QString& address)
    : QObject(&label),
      label_(label),
      kind_(kind),
      services_(std::move(services)),
      address_(address) {
  label_.setCursor(Qt::PointingHandCursor);
  label_.installEventFilter(this);
  if (kind_ == Kind::Picture) return;
  QFont font = label_.font();
  font.setUnderline(true);
  label_.setFont(font);
  Recolour();
}

void StaticLink::Recolour() {
  if (kind_ == Kind::Picture) return;
  const Colour c = StaticLinkColour(visited_);
  QPalette palette = label_.palette();
  palette.setColor(QPalette::WindowText, QColor(c.red, c.green, c.blue));
  label_.setPalette(palette);
}

bool StaticLink::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &label_ && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    Open();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void StaticLink::Open() {
  const QString address = address_.isEmpty() ? label_.text() : address_;
  if (address.isEmpty()) return;
  QPointer<StaticLink> self(this);
  services_.open(address, [self](int code) {
    if (!self) return;
    if (!LinkOpened(code)) {
      self->services_.beep();
      return;
    }
    self->visited_ = true;
    self->Recolour();
  });
}

}  // namespace lirosa
