#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QWindow>
#include <QtTest/QTest>
#include <string>

#include "WindowFixture.h"
#include "app/ControlIds.h"

namespace lirosa::test {
namespace {

// Generous: a loaded machine takes about a second for a megabyte; breaking
// lines only at blanks took 27 s for a quarter of one and 45 s for a whole.
constexpr qint64 kPatienceMs = 15'000;

class LongRequestTest : public WindowFixture {
 protected:
  // Lays the first paragraph of the box out and says in how many lines.
  static int Lines(QPlainTextEdit& box) {
    const QTextBlock block = box.document()->firstBlock();
    box.document()->documentLayout()->blockBoundingRect(block);
    return block.layout()->lineCount();
  }
};

TEST_F(LongRequestTest, APastedRunWithoutBlanksIsLaidOutInLinearTime) {
  Start();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* box = Find<QPlainTextEdit>(kIdRequest2);
  box->setFocus();
  constexpr int kSize = 256 * 1024;
  QApplication::clipboard()->setText(QString(kSize, QLatin1Char('7')));
  QElapsedTimer clock;
  clock.start();
  QTest::keyClick(window.windowHandle(), Qt::Key_V, Qt::ControlModifier);
  const int lines = Lines(*box);
  box->viewport()->repaint();
  const qint64 ms = clock.elapsed();
  EXPECT_EQ(controls.Text(kIdRequest2).size(), std::size_t{kSize});
  EXPECT_GT(lines, 1000) << "the run was not broken into lines";
  EXPECT_LT(ms, kPatienceMs);
}

TEST_F(LongRequestTest, AMillionDigitRequestFromDataLogStartsQuickly) {
  const std::string digits(1'000'000, '5');
  settings.Write("data.log", digits + "\r\n\r\n\r\n");
  QElapsedTimer clock;
  clock.start();
  Start();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* box = Find<QPlainTextEdit>(kIdRequest1);
  const int lines = Lines(*box);
  box->viewport()->repaint();
  const qint64 ms = clock.elapsed();
  EXPECT_EQ(controls.Text(kIdRequest1), digits);
  EXPECT_GT(lines, 1000);
  EXPECT_LT(ms, kPatienceMs);
}

}  // namespace
}  // namespace lirosa::test
