#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QWindow>
#include <QtTest/QTest>

#include "WindowFixture.h"
#include "app/ControlIds.h"
#include "gui/CounterEdit.h"
#include "gui/TemplateBuilder.h"

namespace lirosa::test {
namespace {

// A counter next to a plain edit of the same size, both read-only and, as
// in the window, filling their own background (or not).
struct Pair {
  QWidget host;
  CounterEdit* counter = new CounterEdit(&host);
  QLineEdit* plain = new QLineEdit(&host);

  explicit Pair(QSize size, bool fillsBackground = true) {
    for (QLineEdit* edit : {static_cast<QLineEdit*>(counter), plain}) {
      edit->setReadOnly(true);
      edit->resize(size);
      edit->setBackgroundRole(QPalette::Window);
      edit->setAutoFillBackground(fillsBackground);
    }
  }
};

// What the window shows of each: drawn by its own paint code.
QImage Shot(QWidget& widget) { return widget.grab().toImage(); }

// Drawn from the digits' glyphs, a count looks exactly as the edit would
// draw it, at the window's size of a counter and at larger ones.
TEST(CounterEdit, DrawsACountPixelForPixelAsTheEditWould) {
  const int height = TemplateBuilder::ToPixels(12);
  for (const QSize size :
       {QSize(TemplateBuilder::ToPixels(32), height), QSize(140, height), QSize(140, 2 * height)}) {
    // The window's counters fill their own background; wider edits here do not.
    Pair pair(size, size.width() < 140);
    int ownDrawings = 0;
    for (const char* value : {"0", "7", "10", "42", "1234567890", "99999", "80808"}) {
      pair.plain->setText(value);
      pair.counter->ShowValue(value);
      const QImage fast = Shot(*pair.counter);
      ownDrawings += pair.counter->DrawsOwnText() ? 1 : 0;
      EXPECT_EQ(fast, Shot(*pair.plain)) << value << " at " << size.width() << "x" << size.height();
    }
    EXPECT_GE(ownDrawings, 6);
    for (const Qt::Alignment align :
         {Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter), Qt::Alignment(Qt::AlignCenter),
          Qt::Alignment(Qt::AlignLeft | Qt::AlignTop)}) {
      pair.plain->setAlignment(align);
      pair.counter->setAlignment(align);
      pair.plain->setText(QString::number(int(align)));
      pair.counter->ShowValue(QString::number(int(align)));
      EXPECT_EQ(Shot(*pair.counter), Shot(*pair.plain)) << "aligned " << int(align);
    }
    // Disabled, with the palette's other colours.
    pair.host.setEnabled(false);
    pair.plain->setText("31337");
    pair.counter->ShowValue("31337");
    EXPECT_EQ(Shot(*pair.counter), Shot(*pair.plain));
  }
}

// What it cannot draw as a count, and what does not fit, the edit draws.
TEST(CounterEdit, LeavesTextsThatAreNotFittingDigitsToTheEdit) {
  Pair pair(QSize(TemplateBuilder::ToPixels(32), TemplateBuilder::ToPixels(12)));
  for (const char* value : {"-5", "12 ", "", "123456789012345678901234567890"}) {
    pair.plain->setText(value);
    pair.counter->ShowValue(value);
    EXPECT_EQ(Shot(*pair.counter), Shot(*pair.plain)) << value;
    EXPECT_EQ(pair.counter->text(), QString::fromLatin1(value));
  }
}

// The edit is given the value within a second, at once when the user
// reaches for it, and then selects and copies it as any edit.
TEST_F(WindowFixture, ACounterCopiesTheValueItShows) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* counter = Find<CounterEdit>(kIdReceivedBytes);
  counter->ShowValue("123");
  // In the window's own font and colours, too.
  QLineEdit plain("123", counter->parentWidget());
  plain.setReadOnly(true);
  plain.setGeometry(counter->geometry());
  plain.setBackgroundRole(counter->backgroundRole());
  plain.setAutoFillBackground(counter->autoFillBackground());
  EXPECT_EQ(Shot(*counter), Shot(plain));
  EXPECT_TRUE(counter->DrawsOwnText());
  plain.hide();
  ASSERT_TRUE(QTest::qWaitFor([&] { return counter->text() == "123"; }, 2 * CounterEdit::kSyncMs));

  counter->ShowValue("4567");
  EXPECT_NE(counter->text(), "4567");
  const QPoint at = counter->mapTo(&window, counter->rect().center());
  QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, at);
  EXPECT_EQ(counter->text(), "4567");
  QTest::keyClick(window.windowHandle(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(window.windowHandle(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "4567");
  // Focused, it takes every new value as a plain edit does.
  counter->ShowValue("4568");
  EXPECT_EQ(counter->text(), "4568");
  EXPECT_FALSE(counter->DrawsOwnText());
}

}  // namespace
}  // namespace lirosa::test
