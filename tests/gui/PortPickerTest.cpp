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
#include <QSignalSpy>
#include <QTest>
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

const std::string kStable = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const std::string kDescription = "FT232R USB UART (FTDI), S/N A50285BI";

TEST_F(PortPickerTest, TheOpenListShowsWholeEntriesAndTheBoxItsShortName) {
  foundPorts = {{kStable, kDescription, "ttyUSB0"}};
  settings.Write("set.log", kStable + "\r\n0\r\n0\r\n2\r\n12\r\n");
  Start();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* box = Find<WideListBox>(kIdPortList);
  ASSERT_NE(box, nullptr);
  Find<QPushButton>(kIdOpenClose)->setFocus();
  QApplication::processEvents();

  EXPECT_EQ(box->width(), TemplateBuilder::ToPixels(46)) << "the box keeps its template width";
  EXPECT_EQ(box->currentText().toStdString(), kStable);
  EXPECT_EQ(box->toolTip().toStdString(), kStable + "\n" + kDescription);
  EXPECT_EQ(box->ShownShortName(), QString("ttyUSB0"));

  // Plugged in meanwhile: the list shows it once it opens.
  foundPorts.push_back({"/dev/ttyACM0", "Board Rev B (Nimbus)", "ttyACM0"});
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(box->width() - 6, box->height() / 2));
  QWidget* popup = box->view()->window();
  ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }));
  ASSERT_EQ(box->count(), 22);
  EXPECT_EQ(box->currentText().toStdString(), kStable) << "the choice was lost by the refresh";
  const int widest = box->view()->fontMetrics().horizontalAdvance(box->EntryText(20));
  EXPECT_GE(popup->width(), widest);
  EXPECT_LE(popup->width(), box->screen()->availableGeometry().width());
  EXPECT_GT(popup->width(), 3 * box->width());
  if (const QByteArray shot = qgetenv("LIROSA_PICKER_SHOT"); !shot.isEmpty()) {
    popup->grab().save(QString::fromLocal8Bit(shot) + "-popup.png");
    window.grab().save(QString::fromLocal8Bit(shot) + "-window.png");
  }
  QTest::keyClick(box->view(), Qt::Key_Escape);

  // Typing shows the whole text again.
  box->lineEdit()->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(box->ShownShortName().isEmpty());
}

TEST_F(PortPickerTest, ARateTypedIntoTheBaudBoxIsAppliedOnEnter) {
  Start();
  ASSERT_TRUE(logic->portOpen);
  QLineEdit* typed = Find<QComboBox>(kIdBaudList)->lineEdit();
  ASSERT_NE(typed, nullptr);
  typed->setFocus();
  typed->selectAll();
  QTest::keyClicks(typed, "250000");
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
  QSignalSpy changed(&watch, &QtDeviceWatch::Changed);
  const std::string later = dir.File("serial/by-id");
  watch.WatchFolders({dir.path().string(), later});
  EXPECT_TRUE(watch.Watched().contains(QString::fromStdString(dir.path().string())));

  QElapsedTimer took;
  took.start();
  std::filesystem::create_symlink("/dev/null", dir.File("device"));
  ASSERT_TRUE(changed.wait(1000)) << "no notice of a new link";
  EXPECT_LT(took.elapsed(), 1000);
  std::printf("device watch told after %lld ms\n", static_cast<long long>(took.elapsed()));

  // A folder that appears later is watched from then on.
  std::filesystem::create_directories(later);
  ASSERT_TRUE(changed.wait(1000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return watch.Watched().contains(QString::fromStdString(later)); }));
  const int before = changed.count();
  std::filesystem::create_symlink("/dev/null", later + "/usb-X-port0");
  std::filesystem::create_symlink("/dev/null", later + "/usb-Y-port0");
  ASSERT_TRUE(changed.wait(1000));
  QTest::qWait(2 * QtDeviceWatch::kSettleMs);
  EXPECT_EQ(changed.count(), before + 1) << "a burst is told once";
}

}  // namespace
}  // namespace lirosa
