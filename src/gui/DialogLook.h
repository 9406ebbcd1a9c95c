#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QApplication;

namespace lirosa {

// The dialog background of every window of the program.
inline const QColor kDialogBackground{74, 189, 189};

// The dialog font: 9 points at 96 dpi, which is 12 px and the size at which
// one dialog unit is 1.5 px. Given in pixels so that the templates keep
// their proportions on a screen of any resolution. Chinese captions and the
// Russian template texts both need a face that has the two scripts.
QFont DialogFont();

// Teal dialogs with black text; edits and buttons keep their own colours.
QPalette DialogPalette(const QPalette& base);

// Sets style, font and palette for the whole application.
void ApplyDialogLook(QApplication& app);

}  // namespace lirosa
