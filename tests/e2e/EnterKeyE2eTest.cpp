#include <gtest/gtest.h>
#include <termios.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QWindow>
#include <QtTest/QTest>
#include <string>

#include "app/ControlIds.h"
#include "e2e/E2eSupport.h"
#include "e2e/LiveWindow.h"
#include "gui/MonitorWindow.h"

namespace lirosa::test {
namespace {

using namespace std::chrono_literals;

bool OpenedRawAt9600(const PtyMaster& device) {
  termios t{};
  if (tcgetattr(device.fd(), &t) != 0) return false;
  return cfgetospeed(&t) == B9600 && (t.c_lflag & ICANON) == 0;
}

// Keys as the window system delivers them: to the window, and from there to
// its focused control.
void Type(QWindow& window, const std::string& text) {
  for (char c : text) QTest::keyClick(&window, c);
}

class EnterKeyE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.Start(first.slavePath());
    ASSERT_TRUE(window.Logic().portOpen);
    top = qobject_cast<MonitorWindow*>(window.Control(kIdPortList)->window());
    ASSERT_NE(top, nullptr);
    top->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(top));
    handle = top->windowHandle();
  }
  void FocusOn(int id) {
    window.Control(id)->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(window.RunUntil([&] { return top->focusWidget() != nullptr; }, 2s));
  }

  PtyMaster first;
  PtyMaster second;
  LiveWindow window;
  MonitorWindow* top = nullptr;
  QWindow* handle = nullptr;
};

TEST_F(EnterKeyE2eTest, EnterInTheTypedPortNameOpensThatPort) {
  FocusOn(kIdPortList);
  QTest::keyClick(handle, Qt::Key_A, Qt::ControlModifier);
  Type(*handle, second.slavePath());
  ASSERT_EQ(window.Text(kIdPortList), second.slavePath());
  QTest::keyClick(handle, Qt::Key_Return);

  EXPECT_FALSE(top->HasEnded());
  EXPECT_TRUE(window.Logic().portOpen);
  EXPECT_EQ(window.Logic().portSettings.portName, second.slavePath());
  EXPECT_EQ(window.Text(kIdOpenClose), "关闭串口");
  EXPECT_TRUE(WaitFor([&] { return OpenedRawAt9600(second); }, 5s));
}

struct FieldRow {
  const char* name;
  int id;
  const char* typed;  // replaces the text first, when given
};

class EnterInAFieldTest : public EnterKeyE2eTest,
                          public ::testing::WithParamInterface<FieldRow> {};

// Enter confirms a value and leaves the window open, its port too; only Esc
// ends it.
TEST_P(EnterInAFieldTest, EnterLeavesTheWindowOpenAndEscEndsIt) {
  FocusOn(GetParam().id);
  if (GetParam().typed) {
    QTest::keyClick(handle, Qt::Key_A, Qt::ControlModifier);
    Type(*handle, GetParam().typed);
    EXPECT_EQ(window.Text(GetParam().id), GetParam().typed);
  }
  QTest::keyClick(handle, Qt::Key_Return);
  QTest::keyClick(handle, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_FALSE(top->HasEnded());
  EXPECT_TRUE(window.Logic().portOpen);
  EXPECT_EQ(window.Logic().portSettings.portName, first.slavePath());

  QTest::keyClick(handle, Qt::Key_Escape);
  EXPECT_TRUE(top->HasEnded());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, EnterInAFieldTest,
    ::testing::Values(FieldRow{"CyclePeriod", kIdCyclePeriod, "250"},
                      FieldRow{"Keyword", kIdKeyword, "AA"},
                      FieldRow{"CaptureFileName", kIdCaptureFileName, nullptr},
                      FieldRow{"BaudList", kIdBaudList, nullptr},
                      FieldRow{"StopBitsList", kIdStopBitsList, nullptr}),
    [](const ::testing::TestParamInfo<FieldRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lirosa::test
