#include "gui/StayOnTopButton.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace lirosa {

namespace {

const QColor kPinnedFace{255, 0, 0};
const QColor kFreeFace{0, 255, 0};
const QColor kLabelColour{5, 3, 2};

}  // namespace

StayOnTopButton::StayOnTopButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::StrongFocus);
}

void StayOnTopButton::SetPinned(bool pinned) {
  if (pinned_ == pinned) return;
  pinned_ = pinned;
  update();
}

QSize StayOnTopButton::sizeHint() const { return {15, 15}; }

void StayOnTopButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionButton frame;
  frame.initFrom(this);
  frame.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
  style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &frame, &painter, this);

  QRect face = rect().adjusted(0, 0, -1, -1);
  if (isDown()) face.translate(1, 1);
  painter.setPen(Qt::black);
  painter.setBrush(pinned_ ? kPinnedFace : kFreeFace);
  painter.drawRect(face);

  painter.setPen(kLabelColour);
  painter.setFont(font());
  const QString label = pinned_ ? QStringLiteral("定") : QStringLiteral("活");
  painter.drawText(QRect(2, 2, width() - 2, height() - 2), Qt::AlignLeft | Qt::AlignTop, label);
}

}  // namespace lirosa
