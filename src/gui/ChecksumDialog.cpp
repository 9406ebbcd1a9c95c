#include "gui/ChecksumDialog.h"

#include <QAbstractButton>
#include <iterator>

#include "app/ControlIds.h"

namespace lirosa {

ChecksumDialog::ChecksumDialog(QWidget* parent) : QDialog(parent) {
  controls_ = TemplateBuilder().Build(ChecksumDialogTemplate(), *this);
  setFixedSize(size());
  if (auto* first = qobject_cast<QAbstractButton*>(Control(kChecksumRadioIds[0]))) {
    first->setChecked(true);
    first->setFocus();
  }
  if (auto* yes = qobject_cast<QAbstractButton*>(Control(kIdOk))) {
    connect(yes, &QAbstractButton::clicked, this, &QDialog::accept);
  }
  if (auto* no = qobject_cast<QAbstractButton*>(Control(kIdCancel))) {
    connect(no, &QAbstractButton::clicked, this, &QDialog::reject);
  }
}

int ChecksumDialog::Choice() const {
  for (int i = 0; i < static_cast<int>(std::size(kChecksumRadioIds)); ++i) {
    auto* radio = qobject_cast<QAbstractButton*>(Control(kChecksumRadioIds[i]));
    if (radio && radio->isChecked()) return i;
  }
  return -1;
}

}  // namespace lirosa
