#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QTest>
#include <string>

#include "display/LineWrap.h"
#include "gui/QtTrafficView.h"
#include "gui/TrafficWidget.h"

namespace lirosa::test {
namespace {

std::string Held(const TrafficWidget& display) {
  return display.Text().Text(display.Text().Begin(), display.Text().End());
}

class QtTrafficViewTest : public ::testing::Test {
 protected:
  QtTrafficViewTest() { display.resize(300, 200); }

  TrafficWidget display;
  QtTrafficView view{display};
};

TEST_F(QtTrafficViewTest, AFreshDisplayIsEmptyWithOneLine) {
  EXPECT_EQ(view.TextLength(), 0u);
  EXPECT_EQ(view.LineCount(), 1);
}

TEST_F(QtTrafficViewTest, AppendsInTheirColoursAndALoneCrBreaksTheLine) {
  view.Append("01 03 ", kReceivedColour);
  view.Append("\r[发送]41 42 ", kSentColour);
  const TrafficText& text = display.Text();
  EXPECT_EQ(Held(display), "01 03 \r[发送]41 42 ");
  EXPECT_EQ(text.ColourAt(0), kReceivedColour);
  EXPECT_EQ(text.ColourAt(5), kReceivedColour);
  EXPECT_EQ(text.ColourAt(6), kSentColour);  // the CR is the record's own
  EXPECT_EQ(text.ColourAt(text.End() - 1), kSentColour);
  // Characters, not bytes: 6 + the line break + 10.
  EXPECT_EQ(view.TextLength(), 17u);
  EXPECT_EQ(view.LineCount(), 2);
}

// Pixels of one painted row that are clearly of a colour.
struct Inked {
  int red = 0;
  int blue = 0;
};

Inked InkOfRow(const QImage& image, int top, int height) {
  Inked ink;
  for (int y = top; y < top + height && y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (pixel.red() > 150 && pixel.green() < 100 && pixel.blue() < 100) ++ink.red;
      if (pixel.blue() > 150 && pixel.green() < 100 && pixel.red() < 100) ++ink.blue;
    }
  }
  return ink;
}

TEST_F(QtTrafficViewTest, EachRowIsPaintedInTheColoursOfItsRecords) {
  display.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&display));
  view.Append("01 03 00 00", kReceivedColour);
  view.Append("\r41 42 ", kSentColour);
  view.Append("43 44", kReceivedColour);
  for (int i = 0; i < 30; ++i) view.Append("\r0" + std::to_string(i % 10), kSentColour);
  // Scrolled to the top, the first rows are in view: rows are painted
  // from their records wherever the view starts.
  QTest::keyClick(&display, Qt::Key_Home, Qt::ControlModifier);
  QTest::qWait(20);
  const QImage image = display.viewport()->grab().toImage();
  const int row = display.fontMetrics().height();
  const Inked first = InkOfRow(image, 2, row);
  const Inked second = InkOfRow(image, 2 + row, row);
  const Inked third = InkOfRow(image, 2 + 2 * row, row);
  EXPECT_GT(first.red, 20);
  EXPECT_EQ(first.blue, 0);
  EXPECT_GT(second.blue, 10);
  EXPECT_GT(second.red, 10);
  EXPECT_GT(third.blue, 5);
  EXPECT_EQ(third.red, 0);
}

TEST_F(QtTrafficViewTest, RecordsGoToTheEndWhileTheUsersSelectionStays) {
  view.Append("first", kReceivedColour);
  display.SelectAll();
  view.Append(" second", kSentColour);
  EXPECT_EQ(Held(display), "first second");
  EXPECT_EQ(display.SelectedText(), "first");
}

TEST_F(QtTrafficViewTest, TheClipboardIsNeverTouched) {
  QClipboard* clipboard = QApplication::clipboard();
  clipboard->setText("the user's text");
  for (int i = 0; i < 5; ++i) view.Append("\r01 02 03 ", kReceivedColour);
  view.Clear();
  EXPECT_EQ(clipboard->text(), "the user's text");
}

TEST_F(QtTrafficViewTest, WrappedLinesCountAsTheyAreShown) {
  display.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&display));
  view.Append("01 02 03 ", kReceivedColour);
  ASSERT_EQ(view.LineCount(), 1);
  // Three hundred characters cannot fit on one line of a 300-px display.
  std::string longRecord;
  for (int i = 0; i < 100; ++i) longRecord += "0A ";
  view.Append("\r" + longRecord, kReceivedColour);
  const int wrapped = view.LineCount();
  EXPECT_GT(wrapped, 3);
  const int columns = display.Text().LineChars();
  EXPECT_LT(columns * 6, 300) << "the rows are as wide as the widget";
  EXPECT_EQ(wrapped, 1 + WrappedRows(longRecord, columns));
  view.Append("\rend", kReceivedColour);
  EXPECT_EQ(view.LineCount(), wrapped + 1);
  // Narrower, the same text takes more rows, counted at once.
  display.resize(200, 200);
  EXPECT_EQ(view.LineCount(), 2 + WrappedRows(longRecord, display.Text().LineChars()));
  EXPECT_GT(view.LineCount(), wrapped + 1);
}

TEST_F(QtTrafficViewTest, RecordsOnOneLineAreNeverCutOrReordered) {
  std::string all;
  for (int i = 0; i < 200; ++i) {
    const std::string record = std::to_string(100000 + i) + " 01 02 03 04 05 06 07 08 09 0A ";
    view.Append(record, i % 2 ? kSentColour : kReceivedColour);
    all += record;
  }
  EXPECT_EQ(Held(display), all);
  EXPECT_EQ(view.TextLength(), all.size());
}

TEST_F(QtTrafficViewTest, ClearEmptiesTheDisplay) {
  view.Append("abc\rdef", kSentColour);
  view.Clear();
  EXPECT_EQ(view.TextLength(), 0u);
  EXPECT_EQ(view.LineCount(), 1);
  EXPECT_EQ(Held(display), "");
}

TEST_F(QtTrafficViewTest, TheDefaultColourIsTheColourOfTypedText) {
  view.SetDefaultColour(kReceivedColour);
  view.Append("01 ", kSentColour);
  display.show();
  QTest::keyClicks(&display, "hi");
  QTest::keyClick(&display, Qt::Key_Return);
  EXPECT_EQ(Held(display), "01 hi\r");
  EXPECT_EQ(display.Text().ColourAt(3), kReceivedColour);
  EXPECT_EQ(display.Text().ColourAt(0), kSentColour);
}

TEST_F(QtTrafficViewTest, BeyondItsCapacityTheOldestTextGoes) {
  TrafficWidget small(nullptr, {1'000'000, 1000, 1'000'000});
  QtTrafficView bounded(small);
  for (int i = 0; i < 200; ++i)
    bounded.Append("\r" + std::to_string(1000 + i) + " 01 02 03 04", kReceivedColour);
  EXPECT_LE(bounded.TextLength(), 1000u + 1000u / 16);
  EXPECT_GE(bounded.TextLength(), 900u);
  const std::string text = Held(small);
  EXPECT_TRUE(text.ends_with("1199 01 02 03 04"));
  EXPECT_EQ(text.find("1000 01"), std::string::npos);
}

}  // namespace
}  // namespace lirosa::test
