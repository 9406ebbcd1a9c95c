#include "gui/ManualRadioButton.h"

namespace lirosa {

ManualRadioButton::ManualRadioButton(const QString& text, QWidget* parent)
    : QRadioButton(text, parent) {
  setAutoExclusive(false);
}

void ManualRadioButton::nextCheckState() { setChecked(true); }

}  // namespace lirosa
