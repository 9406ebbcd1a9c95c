#pragma once

#include <QAbstractButton>

namespace lirosa {

// The small owner-drawn button that pins the window above all others: a
// push-button frame with a green face and "活" while the window is free, a
// red face and "定" while it is pinned. The face moves one pixel when the
// button is held down; the label stays.
class StayOnTopButton final : public QAbstractButton {
  Q_OBJECT

 public:
  explicit StayOnTopButton(QWidget* parent = nullptr);

  bool Pinned() const { return pinned_; }
  void SetPinned(bool pinned);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool pinned_ = false;
};

}  // namespace lirosa
