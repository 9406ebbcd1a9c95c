#include "gui/QuietScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace lirosa {

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
