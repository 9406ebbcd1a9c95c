#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QtTest/QTest>
#include <filesystem>
#include <signal.h>
#include <string>
#include <vector>

#include "BoundMembers.h"
#include "WindowFixture.h"
#include "app/ControlIds.h"
#include "gui/MonitorWindow.h"
#include "gui/TerminationSignals.h"

namespace lirosa::test {
namespace {

using MonitorWindowTest = WindowFixture;

bool SettingsSaved(const TempDir& folder) {
  return std::filesystem::exists(folder.path() / "set.log");
}

TEST_F(MonitorWindowTest, APushThenAPullThroughTheWidgetsGivesTheSameMembers) {
  Start();
  BoundMembers set;
  set.port = {"COM7", 9, 1, 3, 2};
  set.texts = {"01 03 00 00\r\n00 0A", "Привет, 你好", ""};
  set.hex = {1, 0, 1};
  set.autoSend = {0, 1, 0};
  set.period = {1000, 250, 33};
  set.inAll = {1, 0, 1};
  set.cyclePeriod = 500;
  set.timeout = 7;
  set.retries = 3;
  set.once = 1;
  set.filter = 1;
  set.newLine = 1;
  set.stamp = 1;
  set.hexDisplay = 0;
  set.autoClear = 2;
  set.showSent = 1;
  set.keyword = "AA BB";
  set.captureFile = "/tmp/日志 1.txt";
  WriteBound(*logic, set);
  logic->PushControls();

  BoundMembers other = set;
  other.port = {"COM1", 0, 0, 0, 0};
  other.texts = {"x", "y", "z"};
  other.hex = other.autoSend = other.inAll = {0, 0, 0};
  other.period = {1, 2, 3};
  other.cyclePeriod = other.timeout = other.retries = other.once = 0;
  other.filter = other.newLine = other.stamp = other.hexDisplay = other.autoClear = other.showSent =
      0;
  other.keyword = other.captureFile = "";
  WriteBound(*logic, other);
  ASSERT_TRUE(logic->PullControls());
  EXPECT_TRUE(ReadBound(*logic) == set);

  // And the widgets show it.
  EXPECT_EQ(Find<QComboBox>(kIdPortList)->currentText(), "COM7");
  EXPECT_EQ(Find<QComboBox>(kIdBaudList)->currentText(), "38400");
  EXPECT_EQ(Find<QComboBox>(kIdParityList)->currentText(), QString::fromUtf8("Mark"));
  EXPECT_EQ(Find<QPlainTextEdit>(kIdRequest1)->document()->blockCount(), 2);
  EXPECT_EQ(Find<QCheckBox>(kIdAutoClear)->checkState(), Qt::PartiallyChecked);
  EXPECT_EQ(Find<QLineEdit>(kIdCaptureFileName)->text(), QString::fromUtf8("/tmp/日志 1.txt"));
}

TEST_F(MonitorWindowTest, AnEmptyNumberBoxInATickIsReportedOnce) {
  Start();
  ASSERT_TRUE(logic->portOpen);
  Find<QRadioButton>(kIdPacingResponse)->click();  // enables the response boxes
  auto* timeout = Find<QLineEdit>(kIdResponseTimeout);
  ASSERT_TRUE(timeout->isEnabled());
  timeout->clear();
  prompts.shown.clear();
  for (int i = 0; i < 5; ++i) logic->OnTimer(kLineTimerId);
  // The box opens from the event loop, after the ticks.
  EXPECT_TRUE(prompts.shown.empty());
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"请键入一个整数。"});
  timeout->insert("9");
  logic->OnTimer(kLineTimerId);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(logic->cycle.responseTimeoutS, 9);
}

TEST_F(MonitorWindowTest, ClicksAndListChoicesReachTheLogic) {
  Start();
  view.Append("01 02 ", kReceivedColour);
  Find<QPushButton>(kIdClearDisplay)->click();
  EXPECT_EQ(view.TextLength(), 0u);

  Find<QPushButton>(kIdPauseDisplay)->click();
  EXPECT_FALSE(logic->displayActive);
  EXPECT_EQ(Find<QPushButton>(kIdPauseDisplay)->text(), QString::fromUtf8("继续显示"));

  // A new baud rate chosen while open reopens the port with it.
  auto* baud = Find<QComboBox>(kIdBaudList);
  const int opens = port.opens;
  baud->setCurrentIndex(12);
  Q_EMIT baud->activated(12);
  EXPECT_EQ(port.opens, opens + 1);
  EXPECT_EQ(port.line.baudRate, 115200u);
}

TEST_F(MonitorWindowTest, PacingRadiosAreClearedByTheLogicAndAClickNeverUnchecks) {
  Start();
  auto* periodic = Find<QRadioButton>(kIdPacingPeriodic);
  auto* response = Find<QRadioButton>(kIdPacingResponse);
  periodic->click();
  EXPECT_TRUE(periodic->isChecked());
  response->click();
  EXPECT_TRUE(response->isChecked());
  EXPECT_FALSE(periodic->isChecked());
  response->click();
  EXPECT_TRUE(response->isChecked());

  // Without the logic Qt itself clears nothing.
  window.Attach(nullptr);
  periodic->click();
  EXPECT_TRUE(periodic->isChecked());
  EXPECT_TRUE(response->isChecked());
}

TEST_F(MonitorWindowTest, EscEndsTheWindowWithoutSaving) {
  Start();
  Press(*Find<QLineEdit>(kIdKeyword), Qt::Key_Escape);
  EXPECT_TRUE(window.HasEnded());
  EXPECT_FALSE(SettingsSaved(settings));
}

TEST_F(MonitorWindowTest, EnterInASingleLineEditLeavesTheWindowOpen) {
  Start();
  Press(*Find<QLineEdit>(kIdKeyword), Qt::Key_Return, "\r");
  EXPECT_FALSE(window.HasEnded());
  EXPECT_TRUE(logic->portOpen);
}

TEST_F(MonitorWindowTest, EnterInARequestBoxIsANewLine) {
  Start();
  auto* request = Find<QPlainTextEdit>(kIdRequest2);
  request->insertPlainText("01");
  Press(*request, Qt::Key_Return, "\r");
  request->insertPlainText("02");
  EXPECT_FALSE(window.HasEnded());
  EXPECT_EQ(controls.Text(kIdRequest2), "01\r\n02");
}

TEST_F(MonitorWindowTest, EnterOnAFocusedButtonClicksIt) {
  Start();
  view.Append("text", kSentColour);
  auto* clear = Find<QPushButton>(kIdClearDisplay);
  clear->setFocus();
  ASSERT_EQ(window.focusWidget(), clear);
  Press(*clear, Qt::Key_Return, "\r");
  EXPECT_FALSE(window.HasEnded());
  EXPECT_EQ(view.TextLength(), 0u);
}

TEST_F(MonitorWindowTest, EnterInTheTypedPortNameChoosesThePort) {
  Start();
  ASSERT_TRUE(logic->portOpen);
  QLineEdit* typed = Find<QComboBox>(kIdPortList)->lineEdit();
  typed->setText("/dev/pts/77");
  Press(*typed, Qt::Key_Return, "\r");
  EXPECT_FALSE(window.HasEnded());
  // The open port is closed and the typed one opened.
  EXPECT_EQ(port.closes, 1);
  EXPECT_TRUE(logic->portOpen);
  EXPECT_EQ(port.path, "/dev/pts/77");
  EXPECT_EQ(Find<QPushButton>(kIdOpenClose)->text(), QString::fromUtf8("关闭串口"));
}

TEST_F(MonitorWindowTest, TheTitleBarCloseSavesAndEndsOnce) {
  Start();
  window.show();
  EXPECT_FALSE(window.close());  // the close itself is not taken; the logic ends the window
  EXPECT_TRUE(window.HasEnded());
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(SettingsSaved(settings));
  EXPECT_FALSE(port.open);
  // Once ended, a further close is the platform's own and reaches no logic.
  const int closes = port.closes;
  EXPECT_TRUE(window.close());
  EXPECT_EQ(port.closes, closes);
}

TEST_F(MonitorWindowTest, TheAboutItemAndF1OpenTheAboutBox) {
  Start();
  Press(*Find<QLineEdit>(kIdKeyword), Qt::Key_F1);
  EXPECT_EQ(prompts.aboutShown, 1);
  ASSERT_EQ(window.SystemMenu().actions().size(), 1);
  EXPECT_EQ(window.SystemMenu().actions().front()->text(), QString::fromUtf8("О программе."));
  window.SystemMenu().actions().front()->trigger();
  EXPECT_EQ(prompts.aboutShown, 2);
}

// The traffic lamps' image is larger than their static; it is shown whole
// from the static's corner.
TEST_F(MonitorWindowTest, LampImagesKeepTheirSizeFromTheControlsCorner) {
  Start();
  auto* lamps = Find<QLabel>(kIdTrafficLamps);
  const QPoint corner = lamps->pos();
  host.ShowLamps({true, true, false});
  // Lamps are drawn from the event loop, at most once per screen refresh.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !lamps->pixmap().isNull(); }, 2000));
  EXPECT_EQ(lamps->pixmap().size(), QSize(60, 20));
  EXPECT_EQ(lamps->pos(), corner);
  EXPECT_GE(lamps->width(), 60);
  EXPECT_GE(lamps->height(), 20);
  EXPECT_EQ(Find<QLabel>(kIdStateLamp)->pixmap().size(), QSize(13, 13));
}
// Lets the event loop run until `done` or two seconds have passed.
template <typename Done>
bool WaitFor(Done done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

TEST_F(MonitorWindowTest, TheNormalSizeIsKeptAndMaximizingIsAllowed) {
  Start();
  window.show();
  window.resize(900, 600);
  EXPECT_TRUE(WaitFor([&] { return window.size() == MonitorWindow::NormalSize(); }));
  window.showMaximized();
  QApplication::processEvents();
  EXPECT_TRUE(window.isMaximized());
  EXPECT_NE(window.size(), MonitorWindow::NormalSize());
  window.showNormal();
  QApplication::processEvents();
  EXPECT_EQ(window.size(), MonitorWindow::NormalSize());
}

// ---- Closing while a numeric box holds no number -----------------------------

struct CloseRow {
  const char* name;
  bool bySignal;  // SIGTERM, else the title-bar close
  std::vector<std::string> boxes;
};

class CloseWithoutANumberTest : public WindowFixture,
                                public ::testing::WithParamInterface<CloseRow> {};

// A signal cannot wait for a click: it saves what the files keep and ends,
// with no box. The title-bar close still tells the user.
TEST_P(CloseWithoutANumberTest, TheWindowEndsAndSavesThePortAndTheRequests) {
  Start();
  window.show();
  controls.SetText(kIdRequest2, "01 03");
  // Response pacing enables the time-out box, which the user then empties.
  QTest::mouseClick(Find<QRadioButton>(kIdPacingResponse), Qt::LeftButton);
  auto* timeout = Find<QLineEdit>(kIdResponseTimeout);
  ASSERT_TRUE(timeout->isEnabled());
  timeout->setFocus();
  QTest::keyClick(timeout, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(timeout, Qt::Key_Backspace);
  ASSERT_EQ(controls.Text(kIdResponseTimeout), "");
  prompts.shown.clear();

  if (GetParam().bySignal) {
    TerminationSignals termination;
    ASSERT_TRUE(termination.Installed());
    QObject::connect(&termination, &TerminationSignals::Received, &window,
                     &MonitorWindow::Terminate);
    ASSERT_EQ(raise(SIGTERM), 0);
    QElapsedTimer clock;
    clock.start();
    while (!window.HasEnded() && clock.elapsed() < 5000) {
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
  } else {
    window.close();
  }
  EXPECT_TRUE(window.HasEnded());
  EXPECT_EQ(prompts.Texts(), GetParam().boxes);
  EXPECT_FALSE(port.open);
  EXPECT_EQ(settings.Read("set.log"), "COM1\r\n0\r\n0\r\n2\r\n3\r\n");
  EXPECT_EQ(settings.Read("data.log"), "\r\n01 03\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Closes, CloseWithoutANumberTest,
    ::testing::Values(CloseRow{"Sigterm", true, {}},
                      CloseRow{"TitleBar", false, {"请键入一个整数。"}}),
    [](const ::testing::TestParamInfo<CloseRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lirosa::test
