#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QtTest/QTest>

#include "WindowFixture.h"
#include "app/ControlIds.h"
#include "gui/CounterEdit.h"
#include "gui/QtDialogControls.h"

namespace lirosa::test {
namespace {

using QtControls = WindowFixture;

struct PaintCounter : QObject {
  int count = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

TEST_F(QtControls, MultiLineTextKeepsCrLfForTheLogicAndLinesInTheBox) {
  controls.SetText(kIdRequest1, "01 03\r\n00 0A\r\n");
  auto* box = Find<QPlainTextEdit>(kIdRequest1);
  EXPECT_EQ(box->document()->blockCount(), 3);
  EXPECT_EQ(box->document()->findBlockByNumber(1).text(), "00 0A");
  EXPECT_EQ(controls.Text(kIdRequest1), "01 03\r\n00 0A\r\n");

  // A lone CR or LF from the logic is a line break too; it reads back as CR LF.
  controls.SetText(kIdRequest2, "a\rb\nc");
  EXPECT_EQ(Find<QPlainTextEdit>(kIdRequest2)->document()->blockCount(), 3);
  EXPECT_EQ(controls.Text(kIdRequest2), "a\r\nb\r\nc");

  // What the user types with Enter reads as CR LF.
  auto* third = Find<QPlainTextEdit>(kIdRequest3);
  third->setFocus();
  third->insertPlainText("AB");
  Press(*third, Qt::Key_Return, "\r");
  third->insertPlainText("Привет 你好");
  EXPECT_EQ(controls.Text(kIdRequest3), "AB\r\nПривет 你好");
}

TEST_F(QtControls, BytesThatAreNotUtf8ReadBackUnchangedUntilTheUserEditsThem) {
  // As a request loaded from a data.log written in another code page.
  const std::string loaded = "01 \xC8\xFD\r\n\xFF";
  controls.SetText(kIdRequest1, loaded);
  EXPECT_EQ(controls.Text(kIdRequest1), loaded);
  controls.SetText(kIdKeyword, "\xB0\xA1");
  EXPECT_EQ(controls.Text(kIdKeyword), "\xB0\xA1");

  // Typed into: what the box now shows is what it holds.
  auto* box = Find<QPlainTextEdit>(kIdRequest1);
  box->setFocus();
  box->moveCursor(QTextCursor::End);
  Press(*box, Qt::Key_A, "A");
  EXPECT_EQ(controls.Text(kIdRequest1), "01 \uFFFD\uFFFD\r\n\uFFFDA");
  // A later valid text forgets the bytes.
  controls.SetText(kIdKeyword, "AA");
  EXPECT_EQ(controls.Text(kIdKeyword), "AA");
}

TEST_F(QtControls, SettingAnUnchangedTextKeepsTheCaret) {
  controls.SetText(kIdKeyword, "AA BB");
  auto* edit = Find<QLineEdit>(kIdKeyword);
  edit->setCursorPosition(2);
  controls.SetText(kIdKeyword, "AA BB");
  EXPECT_EQ(edit->cursorPosition(), 2);
  controls.SetText(kIdKeyword, "CC");
  EXPECT_EQ(controls.Text(kIdKeyword), "CC");
}

TEST_F(QtControls, CheckStatesZeroOneTwo) {
  for (int state : {1, 2, 0, 2, 1}) {
    controls.SetCheck(kIdAutoClear, state);
    EXPECT_EQ(controls.Check(kIdAutoClear), state);
  }
  EXPECT_EQ(Find<QCheckBox>(kIdAutoClear)->checkState(), Qt::Checked);
  controls.SetCheck(kIdHexDisplay, 1);
  EXPECT_EQ(controls.Check(kIdHexDisplay), 1);
  controls.SetCheck(kIdHexDisplay, 0);
  EXPECT_EQ(controls.Check(kIdHexDisplay), 0);
  controls.SetCheck(kIdPacingResponse, 1);
  EXPECT_EQ(controls.Check(kIdPacingResponse), 1);
  controls.SetCheck(kIdPacingResponse, 0);
  EXPECT_EQ(controls.Check(kIdPacingResponse), 0);
}

TEST_F(QtControls, TheThreeStateBoxCyclesClearCheckedIndeterminateOnClicks) {
  auto* box = Find<QCheckBox>(kIdAutoClear);
  controls.SetCheck(kIdAutoClear, 0);
  std::vector<int> seen;
  for (int i = 0; i < 4; ++i) {
    box->click();
    seen.push_back(controls.Check(kIdAutoClear));
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1}));
}

TEST_F(QtControls, ListIndexOutsideTheListSelectsNothing) {
  controls.SetListIndex(kIdBaudList, 3);
  EXPECT_EQ(controls.ListIndex(kIdBaudList), 3);
  EXPECT_EQ(controls.Text(kIdBaudList), "1200");
  controls.SetListIndex(kIdBaudList, 26);
  EXPECT_EQ(controls.ListIndex(kIdBaudList), -1);
  EXPECT_EQ(controls.Text(kIdBaudList), "");
  controls.SetListIndex(kIdBaudList, 12);
  controls.SetListIndex(kIdBaudList, -5);
  EXPECT_EQ(controls.ListIndex(kIdBaudList), -1);
}

TEST_F(QtControls, ListEntriesCarryTheirDescriptionsAndKeepTheSelectedEntry) {
  const std::vector<ListEntry> entries = {
      {"COM1", ""},
      {"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "FT232R USB UART (FTDI)"},
      {"/dev/ttyACM0", ""}};
  controls.SetListEntries(kIdPortList, entries);
  EXPECT_EQ(controls.ListEntries(kIdPortList), entries);
  EXPECT_EQ(Find<QComboBox>(kIdPortList)->itemData(1, Qt::ToolTipRole).toString(),
            QString::fromUtf8("FT232R USB UART (FTDI)"));
  controls.SetListIndex(kIdPortList, 2);
  std::vector<ListEntry> changed = {{"/dev/ttyACM0", ""}, {"COM1", ""}};
  controls.SetListEntries(kIdPortList, changed);
  EXPECT_EQ(controls.ListIndex(kIdPortList), 0);
  EXPECT_EQ(controls.Text(kIdPortList), "/dev/ttyACM0");
}

TEST_F(QtControls, TypedPortTextIsTheListTextAndNoSelection) {
  controls.SetListEntries(kIdPortList, {{"COM1", ""}, {"COM2", ""}});
  controls.SetListIndex(kIdPortList, 1);
  EXPECT_EQ(controls.Text(kIdPortList), "COM2");
  controls.SetText(kIdPortList, "/dev/pts/7");
  EXPECT_EQ(controls.Text(kIdPortList), "/dev/pts/7");
  EXPECT_EQ(controls.ListIndex(kIdPortList), -1);

  // The user selects COM1, then edits the text: that is no selection either.
  controls.SetListIndex(kIdPortList, 0);
  auto* edit = Find<QComboBox>(kIdPortList)->lineEdit();
  edit->setText("COM17");
  EXPECT_EQ(controls.ListIndex(kIdPortList), -1);
  EXPECT_EQ(controls.Text(kIdPortList), "COM17");
  // Typed text survives a refill of the list.
  controls.SetListEntries(kIdPortList, {{"COM1", ""}});
  EXPECT_EQ(controls.Text(kIdPortList), "COM17");
}

TEST_F(QtControls, EnableShowMoveAndGeometry) {
  controls.Enable(kIdCyclePeriod, false);
  EXPECT_FALSE(controls.IsEnabled(kIdCyclePeriod));
  controls.Enable(kIdCyclePeriod, true);
  EXPECT_TRUE(controls.IsEnabled(kIdCyclePeriod));
  // Visibility is the control's own, also while the window is not shown.
  EXPECT_TRUE(controls.IsVisible(kIdStayOnTop));
  controls.Show(kIdStayOnTop, false);
  EXPECT_FALSE(controls.IsVisible(kIdStayOnTop));
  controls.Show(kIdStayOnTop, true);
  EXPECT_TRUE(controls.IsVisible(kIdStayOnTop));
  controls.Move(kIdTrafficView, {296, 6, 714, 498});
  EXPECT_EQ(controls.Geometry(kIdTrafficView), (Rect{296, 6, 714, 498}));
  EXPECT_EQ(Find<QWidget>(kIdTrafficView)->geometry(), QRect(296, 6, 714, 498));
}

TEST_F(QtControls, UnknownIdsReadEmptyAndIgnoreWrites) {
  constexpr int kMissing = 4321;
  controls.SetText(kMissing, "x");
  controls.SetCheck(kMissing, 1);
  controls.SetListIndex(kMissing, 0);
  controls.Move(kMissing, {1, 2, 3, 4});
  EXPECT_EQ(controls.Text(kMissing), "");
  EXPECT_EQ(controls.Check(kMissing), 0);
  EXPECT_EQ(controls.ListIndex(kMissing), -1);
  EXPECT_TRUE(controls.ListEntries(kMissing).empty());
  EXPECT_EQ(controls.Geometry(kMissing), Rect{});
  EXPECT_FALSE(controls.IsVisible(kMissing));
}

TEST_F(QtControls, NothingTheLogicSetsComesBackAsANotification) {
  int notifications = 0;
  for (QWidget* widget : window.Controls()) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      QObject::connect(button, &QAbstractButton::clicked, [&] { ++notifications; });
    }
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
      QObject::connect(list, &QComboBox::activated, [&] { ++notifications; });
    }
  }
  Start();  // start-up pushes every member, twice, and sets the port list
  const int opens = port.opens;
  for (const ControlTemplate& c : MainDialogTemplate().controls) {
    if (c.id == kNoId) continue;
    controls.SetText(c.id, "12");
    controls.SetCheck(c.id, 1);
    controls.SetListIndex(c.id, 1);
    controls.SetListEntries(c.id, controls.ListEntries(c.id));
    controls.Move(c.id, controls.Geometry(c.id));
  }
  logic->PushControls();
  EXPECT_EQ(notifications, 0);
  // Had a list change reached the logic, the open port would have reopened.
  EXPECT_EQ(port.opens, opens);
}

// A counter the logic rewrites on every poll is redrawn at most once per
// screen refresh, with its last value; reading it gives that value at once.
TEST_F(QtControls, CounterEditsShowTheirLastValueAtMostOncePerRefresh) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* counter = Find<CounterEdit>(kIdReceivedBytes);
  PaintCounter paints;
  counter->installEventFilter(&paints);
  for (int value = 1; value <= 50; ++value) {
    controls.SetText(kIdReceivedBytes, std::to_string(value));
    controls.SetText(kIdReceivedFrames, std::to_string(value / 10));
  }
  EXPECT_EQ(controls.Text(kIdReceivedBytes), "50");
  EXPECT_EQ(controls.Text(kIdReceivedFrames), "5");
  ASSERT_TRUE(QTest::qWaitFor([&] { return paints.count > 0; }, 1000));
  QTest::qWait(40);
  EXPECT_EQ(counter->ShownText(), QStringLiteral("50"));
  EXPECT_EQ(Find<CounterEdit>(kIdReceivedFrames)->ShownText(), QStringLiteral("5"));
  EXPECT_EQ(paints.count, 1);
  // The same value again redraws nothing; other edits are set at once.
  controls.SetText(kIdReceivedBytes, "50");
  QTest::qWait(40);
  EXPECT_EQ(paints.count, 1);
  controls.SetText(kIdKeyword, "AA");
  EXPECT_EQ(Find<QLineEdit>(kIdKeyword)->text(), QStringLiteral("AA"));
}

}  // namespace
}  // namespace lirosa::test
