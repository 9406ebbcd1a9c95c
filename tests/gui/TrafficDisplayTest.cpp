#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QRegion>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "WindowFixture.h"
#include "app/ControlIds.h"
#include "gui/TrafficWidget.h"

namespace lirosa::test {
namespace {

// The shown window with records arriving through the window logic while
// the user scrolls, selects and copies with real input.
class TrafficDisplayTest : public WindowFixture {
 protected:
  void SetUp() override {
    Start();
    // A record per line, kept: the boxes say so, and every tick reads them.
    controls.SetCheck(kIdAutoClear, 0);
    controls.SetCheck(kIdNewLine, 1);
    controls.SetCheck(kIdHexDisplay, 1);
    logic->PullControls();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    display = &window.TrafficDisplay();
  }

  void Receive(int records) {
    for (int i = 0; i < records; ++i, ++sequence) {
      const std::uint8_t frame[4] = {0x01, 0x03, static_cast<std::uint8_t>(sequence >> 8),
                                     static_cast<std::uint8_t>(sequence)};
      logic->ShowReceived(frame, sizeof frame);
    }
    Settle();
  }

  // Long enough for the display to bring its pixels and bar in line.
  static void Settle() { QTest::qWait(20); }

  // A point of the display's viewport, in the window.
  QPoint InWindow(QPoint viewportPoint) const {
    return display->viewport()->mapTo(&window, viewportPoint);
  }

  // Clicks of a mouse wheel over the display, one event each.
  void Wheel(int clicksUp) {
    const QPointF at = InWindow(display->viewport()->rect().center());
    for (int i = 0; i < std::abs(clicksUp); ++i) {
      QWheelEvent wheel(at, window.mapToGlobal(at), QPoint(), QPoint(0, clicksUp > 0 ? 120 : -120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(window.windowHandle(), &wheel);
      QCoreApplication::processEvents();
    }
  }

  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window.windowHandle(), static_cast<Qt::Key>(key), modifiers);
  }

  std::string TopRowText() const {
    const TrafficText& text = display->Text();
    return text.Text(text.RowStart(display->TopRow()), text.RowEnd(display->TopRow()));
  }

  bool AtBottom() const {
    const QScrollBar* bar = display->verticalScrollBar();
    const TrafficText& text = display->Text();
    const std::uint64_t rows = display->VisibleRows();
    const std::uint64_t bottomTop =
        text.EndRow() - text.FirstRow() > rows ? text.EndRow() - rows : text.FirstRow();
    return display->TopRow() == bottomTop && bar->value() == bar->maximum();
  }

  // Pixels of `part` on screen that differ from a paint of it alone, where
  // no control stacked above it covers it.
  int PixelsUnlikeAWholePaint(QWidget& part) const {
    QWidget* dialog = display->parentWidget();
    const QRect area(part.mapTo(dialog, QPoint()), part.size());
    QRegion uncovered(area);
    const QObjectList& siblings = dialog->children();
    for (qsizetype i = siblings.indexOf(display) + 1; i < siblings.size(); ++i) {
      const auto* above = qobject_cast<const QWidget*>(siblings[i]);
      if (above && above->isVisible()) uncovered -= above->geometry();
    }
    const QPoint corner = part.mapTo(&window, QPoint());
    const QImage shown = window.windowHandle()
                             ->screen()
                             ->grabWindow(window.winId(), corner.x(), corner.y(), part.width(),
                                          part.height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    const QImage whole = part.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.size() != whole.size()) return part.width() * part.height();
    int unlike = 0;
    for (int y = 0; y < part.height(); ++y) {
      for (int x = 0; x < part.width(); ++x) {
        const bool seen = uncovered.contains(area.topLeft() + QPoint(x, y));
        unlike += seen && shown.pixel(x, y) != whole.pixel(x, y);
      }
    }
    return unlike;
  }

  TrafficWidget* display = nullptr;
  int sequence = 0;
};

TEST_F(TrafficDisplayTest, ScrolledUpItStaysWhileRecordsArriveAndEndFollowsAgain) {
  Receive(200);
  ASSERT_TRUE(AtBottom());
  Wheel(10);
  ASSERT_FALSE(display->Following());
  const std::uint64_t top = display->TopRow();
  const std::string shown = TopRowText();
  EXPECT_EQ(top + display->VisibleRows() + 30, display->Text().EndRow())
      << "ten clicks of three rows";

  for (int tick = 0; tick < 10; ++tick) Receive(10);
  EXPECT_EQ(display->TopRow(), top);
  EXPECT_EQ(TopRowText(), shown);
  EXPECT_EQ(display->NewRows(), 100u) << "the cue counts what came in below";

  QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, InWindow({20, 20}));
  Key(Qt::Key_End);
  EXPECT_TRUE(AtBottom());
  EXPECT_EQ(display->NewRows(), 0u);
  Receive(5);
  EXPECT_TRUE(AtBottom()) << "following again";
}

TEST_F(TrafficDisplayTest, ScrollingBackToTheBottomFollowsAgain) {
  Receive(100);
  Wheel(2);
  Receive(3);
  ASSERT_FALSE(AtBottom());
  Wheel(-1);
  EXPECT_FALSE(display->Following());
  Wheel(-5);
  EXPECT_TRUE(display->Following());
  Receive(20);
  EXPECT_TRUE(AtBottom());
}

TEST_F(TrafficDisplayTest, AMouseSelectionIsKeptAndCtrlCCopiesItAsShown) {
  Receive(100);
  const int rowHeight = display->fontMetrics().height();
  // From the start of the second row in view to inside the third.
  const QPoint from = InWindow({2, 2 + rowHeight + rowHeight / 2});
  const QPoint to = InWindow({4 + 5 * display->fontMetrics().horizontalAdvance('0'),
                              2 + 2 * rowHeight + rowHeight / 2});
  QTest::mousePress(window.windowHandle(), Qt::LeftButton, {}, from);
  QTest::mouseMove(window.windowHandle(), to);
  QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, {}, to);
  const TrafficText& text = display->Text();
  const std::uint64_t second = display->TopRow() + 1;
  const QString expected =
      QString::fromStdString(text.Text(text.RowStart(second), text.RowEnd(second))) + "\n" +
      QString::fromStdString(text.Text(text.RowStart(second + 1), text.RowStart(second + 1) + 5));
  ASSERT_EQ(display->SelectedText(), expected);

  const std::uint64_t top = display->TopRow();
  Receive(50);
  EXPECT_EQ(display->TopRow(), top) << "a selection holds the view";
  EXPECT_EQ(display->SelectedText(), expected);

  QApplication::clipboard()->clear();
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), expected);
  // Shift and an arrow extend it by a character.
  Key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(display->SelectedText(), expected + QString::fromStdString(text.Text(
                                                    text.RowStart(second + 1) + 5,
                                                    text.RowStart(second + 1) + 6)));
}

TEST_F(TrafficDisplayTest, TheContextMenuCopiesAllAsShownAndKeepsTheAboutItem) {
  Receive(3);
  QTest::mouseClick(window.windowHandle(), Qt::RightButton, {}, InWindow({30, 10}));
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  QStringList captions;
  for (QAction* action : menu->actions()) captions << action->text();
  EXPECT_TRUE(captions.contains(QString::fromUtf8("О программе.")));
  ASSERT_GE(menu->actions().size(), 2);
  EXPECT_FALSE(menu->actions()[0]->isEnabled()) << "nothing to copy yet";
  // Select all, then Copy, from the menu.
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[1]).center());
  QTest::mouseClick(window.windowHandle(), Qt::RightButton, {}, InWindow({30, 10}));
  menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(menu->actions()[0]->isEnabled());
  QApplication::clipboard()->clear();
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[0]).center());
  EXPECT_EQ(QApplication::clipboard()->text(),
            QString::fromUtf8("01 03 00 00 \n01 03 00 01 \n01 03 00 02 "));
}

// Records arriving batch by batch move the rows on screen up and paint
// only what is new; the screen must then show what a whole paint shows.
TEST_F(TrafficDisplayTest, PaintedInStepsTheScreenShowsWhatAWholePaintShows) {
  Receive(5);
  QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, InWindow({5, 5}));
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  QTest::keyClick(QApplication::focusWidget(), 'A');
  QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown,
                      QString::fromUtf8("é"), Qt::NoModifier);
  for (int batch = 1; batch <= 8; ++batch) {
    Receive(batch);
    // A record that breaks over rows, and one that continues a row.
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(batch * 13), 0x5A);
    logic->ShowReceived(frame.data(), frame.size());
    Settle();
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(PixelsUnlikeAWholePaint(*display->viewport()), 0);
  EXPECT_EQ(PixelsUnlikeAWholePaint(*display->verticalScrollBar()), 0);
}

TEST_F(TrafficDisplayTest, TypedTextGoesInAtTheEnd) {
  Receive(2);
  QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, InWindow({5, 5}));
  QTest::keyClick(window.windowHandle(), 'o');
  QTest::keyClick(window.windowHandle(), 'k');
  const TrafficText& text = display->Text();
  EXPECT_EQ(text.Text(text.Begin(), text.End()), "01 03 00 00 \r01 03 00 01 ok");
  EXPECT_EQ(text.ColourAt(text.End() - 1), kSentColour);
  EXPECT_TRUE(AtBottom());
}

}  // namespace
}  // namespace lirosa::test
