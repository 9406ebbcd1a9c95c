#pragma once

#include <QDialog>

#include "gui/TemplateBuilder.h"

namespace lirosa {

// The about box (template 100): version, date, a line about the program and
// the address of its web page (static 1106), closed with "ОК".
class AboutDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);

  QWidget* Control(int id) const { return controls_.value(id, nullptr); }

 private:
  ControlMap controls_;
};

}  // namespace lirosa
