#include "gui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "gui/DialogLook.h"

namespace lirosa {

namespace {

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);

  // Tile.
  painter.setPen(QPen(QColor(20, 70, 70), 1.2));
  painter.setBrush(kDialogBackground);
  painter.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 5, 5);

  // A nine-pin connector shell.
  QPainterPath shell;
  shell.moveTo(5, 12);
  shell.lineTo(27, 12);
  shell.lineTo(24, 24);
  shell.lineTo(8, 24);
  shell.closeSubpath();
  painter.setPen(QPen(QColor(30, 30, 30), 1.2));
  painter.setBrush(QColor(225, 225, 225));
  painter.drawPath(shell);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(30, 30, 30));
  for (int i = 0; i < 5; ++i) painter.drawEllipse(QPointF(8.5 + i * 3.75, 16), 1.1, 1.1);
  for (int i = 0; i < 4; ++i) painter.drawEllipse(QPointF(10.4 + i * 3.75, 20.5), 1.1, 1.1);

  // The lamp that shows traffic.
  painter.setPen(QPen(Qt::black, 0.8));
  painter.setBrush(QColor(0, 255, 0));
  painter.drawEllipse(QPointF(24.5, 6.5), 3.2, 3.2);
  painter.setBrush(QColor(255, 0, 0));
  painter.drawEllipse(QPointF(16, 6.5), 3.2, 3.2);
  return pixmap;
}

}  // namespace

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(DrawIcon(size));
  return icon;
}

}  // namespace lirosa
