#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <string>

#include "gui/QtTrafficView.h"

namespace lirosa::test {
namespace {

class QtTrafficViewTest : public ::testing::Test {
 protected:
  QtTrafficViewTest() {
    display.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    display.resize(300, 200);
  }

  // Colour of the character at `position` of the document.
  QColor ColourAt(int position) {
    QTextCursor cursor(display.document());
    cursor.setPosition(position + 1);
    return cursor.charFormat().foreground().color();
  }

  QPlainTextEdit display;
  QtTrafficView view{display};
};

TEST_F(QtTrafficViewTest, AFreshDisplayIsEmptyWithOneLine) {
  EXPECT_EQ(view.TextLength(), 0u);
  EXPECT_EQ(view.LineCount(), 1);
}

TEST_F(QtTrafficViewTest, AppendsInTheirColoursAndALoneCrBreaksTheLine) {
  view.Append("01 03 ", kReceivedColour);
  view.Append("\r[发送]41 42 ", kSentColour);
  EXPECT_EQ(display.document()->blockCount(), 2);
  EXPECT_EQ(display.document()->firstBlock().text(), "01 03 ");
  EXPECT_EQ(display.document()->lastBlock().text(), QString::fromUtf8("[发送]41 42 "));
  EXPECT_EQ(ColourAt(0), QColor(255, 0, 0));
  EXPECT_EQ(ColourAt(5), QColor(255, 0, 0));
  EXPECT_EQ(ColourAt(7), QColor(0, 0, 255));
  // Characters, not bytes: 6 + the line break + 10.
  EXPECT_EQ(view.TextLength(), 17u);
  EXPECT_EQ(view.LineCount(), 2);
}

TEST_F(QtTrafficViewTest, RecordsGoToTheEndWhereverTheCaretIsAndLeaveItThere) {
  view.Append("first", kReceivedColour);
  QTextCursor user = display.textCursor();
  user.setPosition(0);
  user.setPosition(3, QTextCursor::KeepAnchor);
  display.setTextCursor(user);
  view.Append(" second", kSentColour);
  EXPECT_EQ(display.toPlainText(), "first second");
  EXPECT_EQ(display.textCursor().position(), 12);
  EXPECT_FALSE(display.textCursor().hasSelection());
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
  view.Append("01 02 03 ", kReceivedColour);
  ASSERT_EQ(view.LineCount(), 1);
  // Three hundred characters cannot fit on one line of a 300-px display.
  std::string longRecord;
  for (int i = 0; i < 100; ++i) longRecord += "0A ";
  view.Append("\r" + longRecord, kReceivedColour);
  const int wrapped = view.LineCount();
  EXPECT_GT(wrapped, 3);
  int shown = 0;
  for (QTextBlock block = display.document()->begin(); block.isValid(); block = block.next()) {
    shown += block.layout()->lineCount();
  }
  EXPECT_EQ(wrapped, shown);
  view.Append("\rend", kReceivedColour);
  EXPECT_EQ(view.LineCount(), wrapped + 1);
}

TEST_F(QtTrafficViewTest, RecordsOnOneLineAreSplitIntoParagraphsOfBoundedLength) {
  // Qt lays a paragraph out whole on every change; endless records on one
  // line must not make one endless paragraph.
  std::string all;
  for (int i = 0; i < 200; ++i) {
    const std::string record = std::to_string(100000 + i) + " 01 02 03 04 05 06 07 08 09 0A ";
    view.Append(record, i % 2 ? kSentColour : kReceivedColour);
    all += record;
  }
  EXPECT_GT(display.document()->blockCount(), 1);
  for (QTextBlock block = display.document()->begin(); block.isValid(); block = block.next()) {
    EXPECT_LE(block.length(), QtTrafficView::kParagraphLimit + 40);
  }
  // Nothing is lost or reordered; a record is never cut.
  QString shown = display.toPlainText();
  EXPECT_TRUE(shown.startsWith("100000 01"));
  EXPECT_EQ(shown.remove(QChar('\n')), QString::fromStdString(all));
  for (QTextBlock block = display.document()->begin(); block.isValid(); block = block.next()) {
    EXPECT_TRUE(block.text().startsWith("1")) << block.text().left(20).toStdString();
  }
}

TEST_F(QtTrafficViewTest, ClearEmptiesTheDisplay) {
  view.Append("abc\rdef", kSentColour);
  view.Clear();
  EXPECT_EQ(view.TextLength(), 0u);
  EXPECT_EQ(view.LineCount(), 1);
  EXPECT_EQ(display.toPlainText(), "");
}

TEST_F(QtTrafficViewTest, TheDefaultColourIsTheColourOfTypedText) {
  view.SetDefaultColour(kSentColour);
  EXPECT_EQ(display.palette().color(QPalette::Active, QPalette::Text), QColor(0, 0, 255));
  EXPECT_EQ(display.palette().color(QPalette::Inactive, QPalette::Text), QColor(0, 0, 255));
}

TEST_F(QtTrafficViewTest, BeyondItsCapacityTheOldestTextGoes) {
  QPlainTextEdit small;
  QtTrafficView bounded(small, 1000);
  for (int i = 0; i < 200; ++i)
    bounded.Append("\r" + std::to_string(1000 + i) + " 01 02 03 04", kReceivedColour);
  EXPECT_LE(bounded.TextLength(), 1000u);
  EXPECT_GE(bounded.TextLength(), 700u);
  const QString text = small.toPlainText();
  EXPECT_TRUE(text.endsWith("1199 01 02 03 04"));
  EXPECT_FALSE(text.contains("1000 01"));
  EXPECT_FALSE(small.document()->isUndoRedoEnabled());
}

}  // namespace
}  // namespace lirosa::test
