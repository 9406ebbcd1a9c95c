#include "gui/LampPainter.h"

#include <QPainter>
#include <QtMath>
#include <cmath>

namespace lirosa {

namespace {

QColor ToQColor(Colour c) { return {c.red, c.green, c.blue}; }

// A box excludes its right and bottom edges; a one-pixel Qt outline of
// QRect(left, top, w - 1, h - 1) covers exactly the box's pixels.
QRect OutlineRect(const LampBox& box) {
  return {box.left, box.top, box.right - box.left - 1, box.bottom - box.top - 1};
}

// Angle in 1/16 degree, counter-clockwise from three o'clock as Qt counts,
// of the ray from the box's centre through `point`.
int RayAngle(const LampBox& box, LampPoint point) {
  const double cx = (box.left + box.right) / 2.0;
  const double cy = (box.top + box.bottom) / 2.0;
  return qRound(qRadiansToDegrees(std::atan2(cy - point.y, point.x - cx)) * 16);
}

}  // namespace

QImage PaintLamp(const LampImage& recipe) {
  QImage image(recipe.width, recipe.height, QImage::Format_RGB32);
  image.fill(ToQColor(kLampBackground));
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (const LampDisc& disc : recipe.discs) {
    painter.setPen(QPen(ToQColor(kLampOutline), 1));
    painter.setBrush(ToQColor(disc.fill));
    painter.drawEllipse(OutlineRect(disc.box));
  }
  painter.setPen(QPen(ToQColor(kLampHighlight), 1));
  painter.setBrush(Qt::NoBrush);
  for (const LampArc& arc : recipe.highlights) {
    const int start = RayAngle(arc.box, arc.from);
    int span = RayAngle(arc.box, arc.to) - start;
    while (span <= 0) span += 360 * 16;  // counter-clockwise, the long way if need be
    painter.drawArc(OutlineRect(arc.box), start, span);
  }
  return image;
}

}  // namespace lirosa
