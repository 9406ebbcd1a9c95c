#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <memory>
#include <string>
#include <vector>

#include "gui/QtTrafficView.h"

namespace lirosa::test {
namespace {

using Updates = QtTrafficView::Updates;

void RunPostedEvents() { QCoreApplication::sendPostedEvents(); }

// Text and colour of every character, as the display holds them.
struct Shown {
  QString text;
  std::vector<QRgb> colours;
  bool operator==(const Shown&) const = default;
};

Shown ShownBy(QPlainTextEdit& display) {
  Shown shown;
  for (QTextBlock block = display.document()->begin(); block.isValid(); block = block.next()) {
    for (auto run = block.begin(); !run.atEnd(); ++run) {
      const QTextFragment fragment = run.fragment();
      shown.text += fragment.text();
      shown.colours.insert(shown.colours.end(), fragment.length(),
                           fragment.charFormat().foreground().color().rgb());
    }
    shown.text += '\n';
  }
  return shown;
}

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

class QtTrafficViewDeferredTest : public ::testing::Test {
 protected:
  QtTrafficViewDeferredTest() {
    for (QPlainTextEdit* display : {&immediateDisplay, &deferredDisplay}) {
      display->setLineWrapMode(QPlainTextEdit::WidgetWidth);
      display->resize(300, 200);
      // When an as-needed scroll bar comes and goes depends on when Qt gets
      // round to it, in either mode; a fixed one keeps both widths equal.
      display->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      display->show();
    }
  }

  QPlainTextEdit immediateDisplay;
  QPlainTextEdit deferredDisplay;
  QtTrafficView immediate{immediateDisplay, 5000};
  QtTrafficView deferred{deferredDisplay, 5000, Updates::Deferred};
};

// The core's auto-clear, replayed on both views: every answer and the final
// display must be the same whether the work was held or done at once.
TEST_F(QtTrafficViewDeferredTest, AnswersAndShowsExactlyWhatImmediateUpdatesDo) {
  constexpr int kRows = 15;
  constexpr int kLineChars = 40;
  for (int tick = 0; tick < 40; ++tick) {
    for (int record = 0; record < 1 + tick % 5; ++record) {
      const int bytes = (tick * 13 + record * 29) % 90 + 1;
      const std::string text = (tick % 3 == 0 ? "\r" : "") + HexRecord(bytes, tick + record);
      const Colour colour = record % 2 ? kSentColour : kReceivedColour;
      const int extra = static_cast<int>(text.size()) / kLineChars;
      const int lines = immediate.LineCount();
      ASSERT_EQ(deferred.LineCount(), lines) << "tick " << tick << " record " << record;
      if (lines + extra > kRows) {
        immediate.Clear();
        deferred.Clear();
      }
      ASSERT_EQ(deferred.TextLength(), immediate.TextLength());
      immediate.Append(text, colour);
      deferred.Append(text, colour);
    }
    // Long records past the capacity, without a question in between.
    if (tick % 10 == 9) {
      for (int i = 0; i < 4; ++i) {
        immediate.Append("\r" + HexRecord(500, i), kSentColour);
        deferred.Append("\r" + HexRecord(500, i), kSentColour);
      }
    }
    RunPostedEvents();
    ASSERT_EQ(ShownBy(deferredDisplay), ShownBy(immediateDisplay)) << "tick " << tick;
  }
  EXPECT_EQ(deferredDisplay.textCursor().position(),
            deferredDisplay.document()->characterCount() - 1);
}

TEST_F(QtTrafficViewDeferredTest, RecordsClearedInTheSameTickAreNeverPutIntoTheDocument) {
  int inserted = 0;
  QObject::connect(deferredDisplay.document(), &QTextDocument::contentsChange,
                   [&](int, int, int added) { inserted += added; });
  deferred.Append("old ", kSentColour);
  RunPostedEvents();
  inserted = 0;

  // A flood tick: each record clears the one before, nobody asks.
  for (int i = 0; i < 10; ++i) {
    deferred.Clear();
    deferred.Append(HexRecord(1000, i), kReceivedColour);
  }
  EXPECT_EQ(deferredDisplay.toPlainText(), "old ") << "nothing changes before the tick is over";
  RunPostedEvents();
  EXPECT_EQ(deferredDisplay.toPlainText(), QString::fromStdString(HexRecord(1000, 9)));
  // The last record alone, plus what a clear and the edit block may report.
  EXPECT_LE(inserted, 3000 + 8);
}

TEST_F(QtTrafficViewDeferredTest, AViewGoneBeforeItsTickEndedLeavesNothingBehind) {
  QPlainTextEdit display;
  {
    QtTrafficView view(display, 5000, Updates::Deferred);
    view.Append("held", kSentColour);
  }
  RunPostedEvents();
  EXPECT_EQ(display.toPlainText(), "");
}

}  // namespace
}  // namespace lirosa::test
