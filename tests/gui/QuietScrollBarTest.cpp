#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWindow>

#include "gui/QuietScrollBar.h"

namespace lirosa::test {
namespace {

class PaintCounter final : public QObject {
 public:
  explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

struct ShownBar {
  QuietScrollBar bar{Qt::Vertical};
  PaintCounter counter{bar};

  ShownBar(int maximum, int value, int height = 400) {
    bar.resize(16, height);
    bar.SetAll(maximum, 40, value);
    bar.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QCoreApplication::processEvents();
    counter.paints = 0;
  }

  QRect Slider() const {
    QStyleOptionSlider option;
    bar.initStyleOption(&option);
    return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                       &bar);
  }

  // What is on screen against a paint of the whole bar now.
  bool ScreenShowsAWholePaint() {
    const QImage shown = bar.windowHandle()->screen()->grabWindow(bar.winId()).toImage();
    const QImage whole = bar.grab().toImage();
    return shown.convertToFormat(QImage::Format_RGB32) ==
           whole.convertToFormat(QImage::Format_RGB32);
  }
};

// Records keep coming while the bar sits at the end: the slider keeps its
// pixels, so nothing is drawn, however long the range (Qt's own placement
// above 2^19 steps moved the slider a pixel up and down as it grew).
TEST(QuietScrollBarTest, AtTheEndOfAGrowingRangeTheBarIsNotDrawnAgain) {
  struct Sweep {
    int height, from, to, step;
  };
  // Whether Qt's placement wobbles depends on the range and on the track's
  // length, so long ranges are swept on bars of several heights.
  const Sweep sweeps[] = {{400, 1000, 6000, 10},
                          {300, 500'000, 1'000'000, 97},
                          {400, 500'000, 1'000'000, 97},
                          {500, 500'000, 1'000'000, 97},
                          {400, 2'000'000'000, 2'000'050'000, 97}};
  for (const Sweep& sweep : sweeps) {
    ShownBar shown(sweep.from, sweep.from, sweep.height);
    const QRect atEnd = shown.Slider();
    for (int maximum = sweep.from; maximum <= sweep.to; maximum += sweep.step) {
      shown.bar.SetAll(maximum, 40, maximum);
      QCoreApplication::processEvents();
      ASSERT_EQ(shown.Slider(), atEnd) << "range " << maximum << ", height " << sweep.height;
    }
    EXPECT_EQ(shown.counter.paints, 0) << "range from " << sweep.from;
    EXPECT_TRUE(shown.ScreenShowsAWholePaint()) << "range from " << sweep.from;
  }
}

// Scrolled up in a long range: the slider moves as the range grows, is
// drawn where a whole paint puts it, and can still be dragged to the top.
TEST(QuietScrollBarTest, ALongRangeIsDrawnAsItMovesAndCanBeDragged) {
  ShownBar shown(600'000, 300'000);
  const QRect before = shown.Slider();
  for (int maximum = 601'000; maximum <= 700'000; maximum += 1000) {
    shown.bar.SetAll(maximum, 40, 300'000);
    QCoreApplication::processEvents();
  }
  EXPECT_LT(shown.Slider().top(), before.top());
  EXPECT_GT(shown.counter.paints, 0);
  EXPECT_TRUE(shown.ScreenShowsAWholePaint());

  const QPoint grip = shown.Slider().center();
  QTest::mousePress(&shown.bar, Qt::LeftButton, {}, grip);
  QTest::mouseMove(&shown.bar, {grip.x(), 0});
  QTest::mouseRelease(&shown.bar, Qt::LeftButton, {}, {grip.x(), 0});
  EXPECT_EQ(shown.bar.value(), 0);
}

}  // namespace
}  // namespace lirosa::test
