#pragma once

#include <QRect>
#include <QScrollBar>

namespace lirosa {

// A scroll bar whose range and value can be set without a redraw when its
// pixels stay the same.
//
// The traffic display sets both with every record that arrives, while the
// slider, already at the end, mostly keeps its pixels. A redraw of the bar
// also repaints what lies over it (the request group's edge overlaps its
// foot), so a change that moves no pixel is not drawn.
class QuietScrollBar final : public QScrollBar {
 public:
  explicit QuietScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr)
      : QScrollBar(orientation, parent) {}

  // Sets the range, the page step and the value in one step, drawn only if
  // the bar then looks different from what was last drawn (a new range
  // alone would first move the slider off the end).
  void SetAll(int maximum, int pageStep, int value);

  // Qt places the slider of a range above 2^19 steps with a floating-point
  // rounding that moves it a pixel back and forth as the range grows, so a
  // bar at the end would be drawn anew with nearly every record; the style
  // is shown such a range in coarser steps, placed with exact rounding.
  void initStyleOption(QStyleOptionSlider* option) const override;

 protected:
  void sliderChange(SliderChange change) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // What decides the bar's pixels, style and size aside: where the slider
  // is and which ends it touches (the arrows show them).
  struct Look {
    QRect slider;
    bool atMinimum = false;
    bool atMaximum = false;
    friend bool operator==(const Look&, const Look&) = default;
  };
  Look Current() const;

  Look painted_;
  bool everPainted_ = false;
  bool settingAll_ = false;
};

}  // namespace lirosa
