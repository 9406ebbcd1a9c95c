// The port picker in the shown window: its open list as wide as its widest
// entry, the chosen device's description as the tooltip and its short name
// in the narrow box, the list brought up to date as it opens, typed baud
// rates, and the device watch on real folders.

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QKeyEvent>
#include <QMouseEvent>
#include <filesystem>

#include "app/ControlIds.h"
#include "gui/QtDeviceWatch.h"
#include "gui/TemplateBuilder.h"
#include "gui/WideListBox.h"
#include "gui/WindowFixture.h"

namespace lirosa {
namespace {

using test::WindowFixture;
using PortPickerTest = WindowFixture;

// Lets events run until `done` or `ms` have passed; returns its answer.
template <typename Done>
bool RunUntil(Done done, int ms = 2000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() >= ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

// A left click as the application delivers it.
void Click(QWidget& target, QPoint at) {
  const QPointF local(at);
  const QPointF global(target.mapToGlobal(at));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(&target, &release);
}

const std::string kStable = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const std::string kDescription = "FT232R USB UART (FTDI), S/N A50285BI";

TEST_F(PortPickerTest, TheOpenListShowsWholeEntriesAndTheBoxItsShortName) {
  foundPorts = {{kStable, kDescription, "ttyUSB0"}};
  settings.Write("set.log", kStable + "\r\n0\r\n0\r\n2\r\n12\r\n");
  Start();
  window.show();
  ASSERT_TRUE(RunUntil([&] { return window.isVisible(); }));
  auto* box = Find<WideListBox>(kIdPortList);
  ASSERT_NE(box, nullptr);
  Find<QPushButton>(kIdOpenClose)->setFocus();
  QApplication::processEvents();

  EXPECT_EQ(box->width(), TemplateBuilder::ToPixels(46)) << "the box keeps its template width";
  EXPECT_EQ(box->currentText().toStdString(), kStable);
  EXPECT_EQ(box->toolTip().toStdString(), kStable + "\n" + kDescription);
  EXPECT_TRUE(box->ShownShortName().endsWith("USB0")) << box->ShownShortName().toStdString();

  // Plugged in meanwhile: the list shows it once it opens.
  foundPorts.push_back({"/dev/ttyACM0", "Board Rev B (Nimbus)", "ttyACM0"});
  Click(*box, QPoint(box->width() - 6, box->height() / 2));
  QWidget* popup = box->view()->window();
  ASSERT_TRUE(RunUntil([&] { return popup->isVisible(); }));
  ASSERT_EQ(box->count(), 22);
  EXPECT_EQ(box->currentText().toStdString(), kStable) << "the choice was lost by the refresh";
  const int widest = box->view()->fontMetrics().horizontalAdvance(box->EntryText(20));
  EXPECT_GE(popup->width(), widest);
  EXPECT_GE(box->view()->sizeHintForColumn(0), widest) << "its rows show the descriptions";
  EXPECT_LE(popup->width(), box->screen()->availableGeometry().width());
  EXPECT_GT(popup->width(), 3 * box->width());
  if (const QByteArray shot = qgetenv("LIROSA_PICKER_SHOT"); !shot.isEmpty()) {
    popup->grab().save(QString::fromLocal8Bit(shot) + "-popup.png");
    window.grab().save(QString::fromLocal8Bit(shot) + "-window.png");
  }
  Press(*box->view(), Qt::Key_Escape);
  RunUntil([&] { return !popup->isVisible(); });
}

TEST_F(PortPickerTest, ARateTypedIntoTheBaudBoxIsAppliedOnEnter) {
  Start();
  ASSERT_TRUE(logic->portOpen);
  QLineEdit* typed = Find<QComboBox>(kIdBaudList)->lineEdit();
  ASSERT_NE(typed, nullptr);
  typed->setFocus();
  typed->selectAll();
  for (const char digit : std::string("250000")) {
    Press(*typed, Qt::Key_0 + (digit - '0'), QString(QChar(digit)));
  }
  Press(*typed, Qt::Key_Return, "\r");
  EXPECT_FALSE(window.HasEnded());
  EXPECT_TRUE(logic->portOpen);
  EXPECT_EQ(port.line.baudRate, 250000u);
  // The ticks read the box and keep the rate.
  for (int i = 0; i < 5; ++i) logic->OnTimer(kLineTimerId);
  EXPECT_EQ(typed->text(), QString("250000"));
  EXPECT_EQ(logic->portSettings.baudIndex, 250000);
}

TEST(QtDeviceWatchTest, ALinkAppearingOrGoingIsToldOnceSoon) {
  test::TempDir dir;
  QtDeviceWatch watch;
  int changed = 0;
  QObject::connect(&watch, &QtDeviceWatch::Changed, [&] { ++changed; });
  // Waits for a notice after `seen` of them.
  auto told = [&](int seen) { return RunUntil([&] { return changed > seen; }, 1000); };
  const std::string later = dir.File("serial/by-id");
  watch.WatchFolders({dir.path().string(), later});
  EXPECT_TRUE(watch.Watched().contains(QString::fromStdString(dir.path().string())));

  QElapsedTimer took;
  took.start();
  std::filesystem::create_symlink("/dev/null", dir.File("device"));
  ASSERT_TRUE(told(0)) << "no notice of a new link";
  EXPECT_LT(took.elapsed(), 1000);
  std::printf("device watch told after %lld ms\n", static_cast<long long>(took.elapsed()));

  // A folder that appears later is watched from then on.
  std::filesystem::create_directories(later);
  ASSERT_TRUE(told(1));
  ASSERT_TRUE(RunUntil([&] { return watch.Watched().contains(QString::fromStdString(later)); }));
  const int before = changed;
  std::filesystem::create_symlink("/dev/null", later + "/usb-X-port0");
  std::filesystem::create_symlink("/dev/null", later + "/usb-Y-port0");
  ASSERT_TRUE(told(before));
  RunUntil([] { return false; }, 4 * QtDeviceWatch::kSettleMs);
  EXPECT_EQ(changed, before + 1) << "a burst is told once";
}

}  // namespace
}  // namespace lirosa
