#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QScrollBar>
#include <QTest>
#include <memory>
#include <string>

#include "display/LineWrap.h"
#include "gui/QtTrafficView.h"
#include "gui/TrafficWidget.h"

namespace lirosa::test {
namespace {

// Long enough for the display to bring its pixels and bar in line: it
// does so at most once a frame.
void RunPostedEvents() { QTest::qWait(20); }

std::string HexRecord(int bytes, int seed) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (int i = 0; i < bytes; ++i) {
    const int value = (i * 7 + seed) % 256;
    text += kDigits[value >> 4];
    text += kDigits[value & 15];
    text += ' ';
  }
  return text;
}

// The rows the display shows for what it holds, counted from scratch.
int ShownRows(const TrafficWidget& display) {
  const TrafficText& text = display.Text();
  const std::string all = text.Text(text.Begin(), text.End());
  int rows = 0;
  std::size_t from = 0;
  for (;;) {
    const std::size_t cr = all.find('\r', from);
    rows += WrappedRows(all.substr(from, cr - from), text.LineChars());
    if (cr == std::string::npos) return rows;
    from = cr + 1;
  }
}

class QtTrafficViewUpdatesTest : public ::testing::Test {
 protected:
  QtTrafficViewUpdatesTest() {
    display.resize(300, 200);
    display.show();
  }

  TrafficWidget display;
  QtTrafficView view{display};
};

// The core's auto-clear, replayed: every answer is what the display shows,
// also between event-loop turns, when the scroll bar is not yet in line.
TEST_F(QtTrafficViewUpdatesTest, AnswersAreWhatTheDisplayShowsUnderAutoClear) {
  constexpr int kRows = 15;
  constexpr int kLineChars = 40;
  for (int tick = 0; tick < 40; ++tick) {
    for (int record = 0; record < 1 + tick % 5; ++record) {
      const int bytes = (tick * 13 + record * 29) % 90 + 1;
      const std::string text = (tick % 3 == 0 ? "\r" : "") + HexRecord(bytes, tick + record);
      const int extra = static_cast<int>(text.size()) / kLineChars;
      const int lines = view.LineCount();
      ASSERT_EQ(lines, ShownRows(display)) << "tick " << tick << " record " << record;
      if (lines + extra > kRows) view.Clear();
      view.Append(text, record % 2 ? kSentColour : kReceivedColour);
    }
    RunPostedEvents();
    QScrollBar* bar = display.verticalScrollBar();
    ASSERT_EQ(bar->maximum(), std::max(0, view.LineCount() - display.VisibleRows()));
    ASSERT_EQ(bar->value(), bar->maximum()) << "following the newest record";
  }
}

TEST_F(QtTrafficViewUpdatesTest, RecordsClearedInTheSameTickLeaveOnlyTheLast) {
  view.Append("old ", kSentColour);
  RunPostedEvents();
  for (int i = 0; i < 10; ++i) {
    view.Clear();
    view.Append(HexRecord(1000, i), kReceivedColour);
  }
  RunPostedEvents();
  const TrafficText& text = display.Text();
  EXPECT_EQ(text.Text(text.Begin(), text.End()), HexRecord(1000, 9));
  EXPECT_EQ(text.Records(), 1u);
}

TEST_F(QtTrafficViewUpdatesTest, AViewGoneBeforeItsTickEndedLeavesNothingBehind) {
  {
    auto gone = std::make_unique<TrafficWidget>();
    QtTrafficView goneView(*gone);
    goneView.Append("held", kSentColour);
  }
  // The scroll bar update queued for the widget must not run on it; the
  // display that stays goes on as before.
  RunPostedEvents();
  for (int i = 0; i < 50; ++i) view.Append("\r" + HexRecord(8, i), kReceivedColour);
  RunPostedEvents();
  EXPECT_EQ(display.verticalScrollBar()->value(), view.LineCount() - display.VisibleRows());
}

}  // namespace
}  // namespace lirosa::test
