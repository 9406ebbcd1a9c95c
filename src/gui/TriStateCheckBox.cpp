#include "gui/TriStateCheckBox.h"

namespace lirosa {

TriStateCheckBox::TriStateCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
  setTristate(true);
}

void TriStateCheckBox::nextCheckState() {
  switch (checkState()) {
    case Qt::Unchecked:
      setCheckState(Qt::Checked);
      return;
    case Qt::Checked:
      setCheckState(Qt::PartiallyChecked);
      return;
    case Qt::PartiallyChecked:
      setCheckState(Qt::Unchecked);
      return;
  }
}

}  // namespace lirosa
