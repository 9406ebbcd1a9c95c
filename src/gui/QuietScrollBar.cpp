#include "gui/QuietScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <climits>

namespace lirosa {

void QuietScrollBar::initStyleOption(QStyleOptionSlider* option) const {
  QScrollBar::initStyleOption(option);
  // The largest range QStyle::sliderPositionFromValue places in integers.
  constexpr qint64 kExactRange = INT_MAX / 4096;
  const qint64 range = qint64(option->maximum) - option->minimum;
  if (range <= kExactRange) return;
  const qint64 step = range / kExactRange + 1;
  const auto coarse = [&](int value) {
    return static_cast<int>(option->minimum + (qint64(value) - option->minimum) / step);
  };
  option->maximum = coarse(option->maximum);
  option->sliderPosition = coarse(option->sliderPosition);
  option->sliderValue = coarse(option->sliderValue);
  option->pageStep = std::max(1, static_cast<int>(option->pageStep / step));
  option->singleStep = std::max(1, static_cast<int>(option->singleStep / step));
}

QuietScrollBar::Look QuietScrollBar::Current() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
          value() == minimum(), value() == maximum()};
}

void QuietScrollBar::SetAll(int maximum, int pageStep, int value) {
  settingAll_ = true;
  setRange(0, maximum);
  setPageStep(pageStep);
  setValue(value);
  settingAll_ = false;
  // A redraw already asked for shows the latest state anyway.
  if (!everPainted_ || Current() != painted_) update();
}

void QuietScrollBar::sliderChange(SliderChange change) {
  if (settingAll_ && change != SliderOrientationChange) return;
  QScrollBar::sliderChange(change);
}

void QuietScrollBar::paintEvent(QPaintEvent* event) {
  painted_ = Current();
  everPainted_ = true;
  QScrollBar::paintEvent(event);
}

}  // namespace lirosa
