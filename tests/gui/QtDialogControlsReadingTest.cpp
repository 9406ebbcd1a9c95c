// Reading a text control again returns what the widget holds now, however
// it changed since the last reading: the controls keep their last reading
// to make the hundred reads a second cheap, and must never hand out a stale
// one.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>

#include "WindowFixture.h"
#include "app/ControlIds.h"

namespace lirosa::test {
namespace {

using ControlReadings = WindowFixture;

TEST_F(ControlReadings, ALineEditReadsEveryChangeEvenWithItsSignalsBlocked) {
  auto* edit = Find<QLineEdit>(kIdKeyword);
  controls.SetText(kIdKeyword, "AA");
  EXPECT_EQ(controls.Text(kIdKeyword), "AA");
  EXPECT_EQ(controls.Text(kIdKeyword), "AA");

  edit->setFocus();
  edit->end(false);
  Press(*edit, Qt::Key_B, "B");
  EXPECT_EQ(controls.Text(kIdKeyword), "AAB");
  edit->undo();
  EXPECT_EQ(controls.Text(kIdKeyword), "AA");

  {
    const QSignalBlocker quiet(edit);
    edit->setText(QString::fromUtf8("Привет"));
  }
  EXPECT_EQ(controls.Text(kIdKeyword), "Привет");
  edit->clear();
  EXPECT_EQ(controls.Text(kIdKeyword), "");
  // The same text as an earlier reading, from a fresh string.
  edit->setText(QStringLiteral("AA"));
  EXPECT_EQ(controls.Text(kIdKeyword), "AA");
}

TEST_F(ControlReadings, ATextBoxReadsEveryChangeToItsDocument) {
  auto* box = Find<QPlainTextEdit>(kIdRequest1);
  controls.SetText(kIdRequest1, "01 03\r\n00 0A");
  EXPECT_EQ(controls.Text(kIdRequest1), "01 03\r\n00 0A");

  // Typed by the user, at the end of the second line.
  box->setFocus();
  box->moveCursor(QTextCursor::End);
  Press(*box, Qt::Key_Space, " ");
  Press(*box, Qt::Key_F, "F");
  EXPECT_EQ(controls.Text(kIdRequest1), "01 03\r\n00 0A F");
  box->undo();
  EXPECT_EQ(controls.Text(kIdRequest1), "01 03\r\n00 0A");

  // Straight into the document, and with the box's own signals blocked.
  QTextCursor(box->document()).insertText(QStringLiteral(">"));
  EXPECT_EQ(controls.Text(kIdRequest1).substr(0, 3), ">01");
  {
    const QSignalBlocker quiet(box);
    box->setPlainText(QStringLiteral("11\n22"));
  }
  EXPECT_EQ(controls.Text(kIdRequest1), "11\r\n22");
  box->clear();
  EXPECT_EQ(controls.Text(kIdRequest1), "");
}

TEST_F(ControlReadings, ATextBoxGivenANewDocumentReadsThatOne) {
  auto* box = Find<QPlainTextEdit>(kIdRequest2);
  controls.SetText(kIdRequest2, "old");
  EXPECT_EQ(controls.Text(kIdRequest2), "old");

  QTextDocument replacement;
  replacement.setDocumentLayout(new QPlainTextDocumentLayout(&replacement));
  replacement.setPlainText(QStringLiteral("new"));
  box->setDocument(&replacement);
  EXPECT_EQ(controls.Text(kIdRequest2), "new");
  QTextCursor(&replacement).insertText(QStringLiteral("brand "));
  EXPECT_EQ(controls.Text(kIdRequest2), "brand new");
  box->setDocument(nullptr);  // back to a document of its own, before ours goes
  EXPECT_EQ(controls.Text(kIdRequest2), "");
}

TEST_F(ControlReadings, ListsReadTheirTypedTextAndTheirSelection) {
  controls.SetListEntries(kIdPortList, {{"COM1", {}}, {"COM2", {}}});
  controls.SetListIndex(kIdPortList, 1);
  EXPECT_EQ(controls.Text(kIdPortList), "COM2");
  auto* ports = Find<QComboBox>(kIdPortList);
  ports->lineEdit()->setText(QStringLiteral("/dev/pts/7"));
  EXPECT_EQ(controls.Text(kIdPortList), "/dev/pts/7");
  ports->setCurrentIndex(0);
  EXPECT_EQ(controls.Text(kIdPortList), "COM1");

  controls.SetListIndex(kIdBaudList, 3);
  const std::string before = controls.Text(kIdBaudList);
  Find<QComboBox>(kIdBaudList)->setCurrentIndex(4);
  EXPECT_NE(controls.Text(kIdBaudList), before);
  EXPECT_EQ(controls.Text(kIdBaudList),
            Find<QComboBox>(kIdBaudList)->itemText(4).toStdString());
}

TEST_F(ControlReadings, TwoControlSetsOverOneWindowBothSeeAChange) {
  QtDialogControls other(window.Controls());
  controls.SetText(kIdRequest3, "AA");
  EXPECT_EQ(controls.Text(kIdRequest3), "AA");
  EXPECT_EQ(other.Text(kIdRequest3), "AA");
  other.SetText(kIdRequest3, "BB");
  EXPECT_EQ(other.Text(kIdRequest3), "BB");
  EXPECT_EQ(controls.Text(kIdRequest3), "BB");
}

}  // namespace
}  // namespace lirosa::test
