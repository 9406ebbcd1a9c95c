#pragma once

#include <QCheckBox>

namespace lirosa {

// A three-state check box that a click moves from clear to checked to
// indeterminate and back to clear (Qt's own order puts indeterminate
// second).
class TriStateCheckBox final : public QCheckBox {
  Q_OBJECT

 public:
  explicit TriStateCheckBox(const QString& text, QWidget* parent = nullptr);

 protected:
  void nextCheckState() override;
};

}  // namespace lirosa
