#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "support/DialogFixture.h"

namespace lirosa::test {
namespace {

using PortSessionTest = DialogFixture;

std::vector<std::string> Without(std::vector<std::string> calls, const std::string& prefix) {
  std::erase_if(calls, [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
  return calls;
}

TEST_F(PortSessionTest, OpenCallsTheDriverInOrderWithTheLineValues) {
  WriteSetLog("COM3\r\n2\r\n2\r\n2\r\n6\r\n");
  Start();
  EXPECT_EQ(port.calls, (std::vector<std::string>{"Open /dev/ttyS2", "GetLineState", "SetLineState", "SetTimeouts",
                                                  "SetQueueSizes 1024 1024", "Discard", "SetDtr 1"}));
  EXPECT_EQ(port.line.baudRate, 9600u);
  EXPECT_EQ(port.line.dataBits, 8);
  EXPECT_EQ(port.line.parity, 2);
  EXPECT_EQ(port.line.stopBits, 2);
  EXPECT_TRUE(port.line.parityCheck);
  EXPECT_TRUE(port.line.dtrEnable);
  EXPECT_TRUE(port.line.rtsEnable);
  EXPECT_FALSE(port.line.ctsFlow || port.line.dsrFlow || port.line.xonXoffIn || port.line.xonXoffOut);
  EXPECT_EQ(port.timeouts, (Timeouts{0xFFFFFFFFu, 100, 1000, 100, 1000}));
}

TEST_F(PortSessionTest, ParityNoneStillChecksParity) {
  Start();
  EXPECT_EQ(port.line.parity, 0);
  EXPECT_TRUE(port.line.parityCheck);
}

TEST_F(PortSessionTest, IndexesOutsideTheListsKeepTheDeviceValues) {
  port.deviceLine.baudRate = 4321;
  port.deviceLine.dataBits = 7;
  // Above the last baud index a stored number is a rate; below 0 it is an
  // index outside the list.
  WriteSetLog("COM1\r\n0\r\n0\r\n9\r\n-3\r\n");
  Start();
  EXPECT_EQ(port.line.baudRate, 4321u);
  EXPECT_EQ(port.line.dataBits, 7);
  // The list shows no selection, so the pull before opening reads -1.
  EXPECT_EQ(dialog->portSettings.baudIndex, -1);
  EXPECT_EQ(controls.ListIndex(kIdBaudList), -1);
}

TEST_F(PortSessionTest, ComPortNamesMapToTtySAndPathsStayThemselves) {
  EXPECT_EQ(MonitorDialog::DevicePath("COM1"), "/dev/ttyS0");
  EXPECT_EQ(MonitorDialog::DevicePath("COM10"), "/dev/ttyS9");
  EXPECT_EQ(MonitorDialog::DevicePath("COM20"), "/dev/ttyS19");
  EXPECT_EQ(MonitorDialog::DevicePath("/dev/pts/3"), "/dev/pts/3");
  EXPECT_EQ(MonitorDialog::DevicePath("ttyUSB0"), "/dev/ttyUSB0");
}

TEST_F(PortSessionTest, FailedOpenShowsTheNameAndStaysClosed) {
  port.failCall = "Open";
  WriteSetLog("COM12\r\n0\r\n0\r\n2\r\n6\r\n");
  Start();
  // EIO at open: a ttyS with no UART behind it.
  EXPECT_EQ(prompts.Texts(),
            std::vector<std::string>{"通信端口<COM12>无法打开!\n不是串口设备 (not a serial device)"});
  EXPECT_FALSE(dialog->portOpen);
}

TEST_F(PortSessionTest, FailedConfigurationShowsTheErrorResetsItAndReleasesTheDevice) {
  WriteSetLog("COM1\r\n1\r\n0\r\n2\r\n6\r\n");  // 1.5 stop bits with 8 data bits
  Start();
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"错误码: 22"});
  EXPECT_EQ(port.lastError, 0);
  EXPECT_FALSE(port.open);
  EXPECT_FALSE(dialog->portOpen);
  // A later good open is not failed by the old error.
  controls.SetListIndex(kIdStopBitsList, 0);
  dialog->OnCommand(kIdOpenClose, Notification::Clicked);
  EXPECT_TRUE(dialog->portOpen);
  EXPECT_EQ(controls.Text(kIdOpenClose), "关闭串口");
}

TEST_F(PortSessionTest, ToggleClosesAndReopensWithCaptions) {
  Start();
  port.calls.clear();
  dialog->OnCommand(kIdOpenClose, Notification::Clicked);
  EXPECT_EQ(port.calls, (std::vector<std::string>{"SetDtr 0", "Discard", "Close"}));
  EXPECT_EQ(controls.Text(kIdOpenClose), "打开串口");
  EXPECT_FALSE(dialog->portOpen);
  dialog->OnCommand(kIdOpenClose, Notification::Clicked);
  EXPECT_TRUE(dialog->portOpen);
  EXPECT_EQ(controls.Text(kIdOpenClose), "关闭串口");
  EXPECT_EQ(port.opens, 2);
}

TEST_F(PortSessionTest, LineChangeWhileOpenReopensWithNewValuesDiscardingPendingData) {
  Start();
  port.Feed({1, 2, 3});
  port.calls.clear();
  controls.SetListIndex(kIdBaudList, 12);
  dialog->OnCommand(kIdBaudList, Notification::SelectionChanged);
  EXPECT_EQ(Without(port.calls, "Set"), (std::vector<std::string>{"Discard", "Close", "Open /dev/ttyS0",
                                                                  "GetLineState", "Discard"}));
  EXPECT_EQ(port.calls.front(), "SetDtr 0");
  EXPECT_EQ(port.calls.back(), "SetDtr 1");
  EXPECT_TRUE(port.input.empty());
  EXPECT_EQ(port.line.baudRate, 115200u);
  EXPECT_TRUE(dialog->portOpen);
  EXPECT_EQ(controls.Text(kIdOpenClose), "关闭串口");
}

TEST_F(PortSessionTest, LineChangeWhileClosedDoesNothing) {
  port.failCall = "Open";
  Start();
  port.calls.clear();
  dialog->OnCommand(kIdDataBitsList, Notification::SelectionChanged);
  EXPECT_TRUE(port.calls.empty());
}

TEST_F(PortSessionTest, FailedReopenLeavesThePortClosedAndTicksAlone) {
  Start();
  port.failCall = "Open";
  int ticksDuringBox = 0;
  prompts.whileOpen = [&] {
    dialog->OnTimer(kLineTimerId);
    ++ticksDuringBox;
  };
  port.calls.clear();
  dialog->OnCommand(kIdParityList, Notification::SelectionChanged);
  EXPECT_EQ(ticksDuringBox, 1);
  EXPECT_FALSE(dialog->portOpen);
  EXPECT_EQ(controls.Text(kIdOpenClose), "打开串口");
  EXPECT_EQ(std::count(port.calls.begin(), port.calls.end(), "Write"), 0);
}

TEST_F(PortSessionTest, PortChangeOnlyCloses) {
  Start();
  controls.SetText(kIdPortList, "/dev/pts/9");
  port.calls.clear();
  dialog->OnCommand(kIdPortList, Notification::SelectionChanged);
  EXPECT_EQ(port.calls, (std::vector<std::string>{"SetDtr 0", "Discard", "Close"}));
  EXPECT_EQ(controls.Text(kIdOpenClose), "打开串口");
  EXPECT_EQ(dialog->portSettings.portName, "COM1");  // not pulled until the next toggle
  dialog->OnCommand(kIdOpenClose, Notification::Clicked);
  EXPECT_EQ(port.path, "/dev/pts/9");
}

TEST_F(PortSessionTest, DeviceGoneClosesAndTellsOnce) {
  Start();
  dialog->HandleDeviceGone();
  dialog->HandleDeviceGone();
  EXPECT_FALSE(port.open);
  EXPECT_FALSE(dialog->portOpen);
  EXPECT_EQ(controls.Text(kIdOpenClose), "打开串口");
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"通信端口<COM1>已断开!"});
}

TEST_F(PortSessionTest, DeviceGoneEndsThePendingFrameSoNothingCountedIsLost) {
  Start();
  port.Feed({0x01, 0x02, 0x03});
  Ticks(1);
  port.goneError = 5;  // EIO
  Ticks(1);
  EXPECT_FALSE(dialog->portOpen);
  EXPECT_EQ(dialog->counters.receivedFrames, 1);
  EXPECT_EQ(view.text, "01 02 03 ");
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"通信端口<COM1>已断开!"});
}

}  // namespace
}  // namespace lirosa::test
