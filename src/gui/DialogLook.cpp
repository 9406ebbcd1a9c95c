#include "gui/DialogLook.h"

#include <QApplication>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>

namespace lirosa {

QFont DialogFont() {
  QFont font;
  font.setFamilies(
      QStringList{"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback", "DejaVu Sans"});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(12);
  return font;
}

QPalette DialogPalette(const QPalette& base) {
  QPalette palette = base;
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Window, kDialogBackground);
    palette.setColor(group, QPalette::Base, Qt::white);
    palette.setColor(group, QPalette::Button, QColor(240, 240, 240));
    palette.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 225));
    palette.setColor(group, QPalette::ToolTipText, Qt::black);
  }
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, Qt::black);
    palette.setColor(group, QPalette::Text, Qt::black);
    palette.setColor(group, QPalette::ButtonText, Qt::black);
  }
  // Greyed text must still read on teal.
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(40, 100, 100));
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(110, 110, 110));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
  palette.setColor(QPalette::Disabled, QPalette::Base, QColor(236, 236, 236));
  return palette;
}

void ApplyDialogLook(QApplication& app) {
  // One look on every desktop, so that the fixed geometry fits the same way.
  if (QStyle* fusion = QStyleFactory::create("Fusion")) app.setStyle(fusion);
  app.setFont(DialogFont());
  app.setPalette(DialogPalette(app.style()->standardPalette()));
}

}  // namespace lirosa
