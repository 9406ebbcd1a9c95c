#pragma once

#include <QDialog>

#include "gui/TemplateBuilder.h"

namespace lirosa {

// The checksum choice (template 129): seven radios in one group and
// "Да " / "Нет". A new dialog starts on the first choice every time.
class ChecksumDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit ChecksumDialog(QWidget* parent = nullptr);

  // Position of the checked radio in template order, -1 when none is.
  int Choice() const;
  QWidget* Control(int id) const { return controls_.value(id, nullptr); }

 private:
  ControlMap controls_;
};

}  // namespace lirosa
