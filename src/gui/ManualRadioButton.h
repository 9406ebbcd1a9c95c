#pragma once

#include <QRadioButton>

namespace lirosa {

// A radio button whose partner is cleared by the window logic, not by Qt:
// a click always leaves it checked (also when it already was), and it never
// unchecks its siblings by itself.
class ManualRadioButton final : public QRadioButton {
  Q_OBJECT

 public:
  explicit ManualRadioButton(const QString& text, QWidget* parent = nullptr);

 protected:
  void nextCheckState() override;
};

}  // namespace lirosa
