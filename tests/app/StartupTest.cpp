#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "support/DialogFixture.h"

namespace lirosa::test {
namespace {

using StartupTest = DialogFixture;

TEST_F(StartupTest, FirstRunWithoutSettingsUsesStartValuesAndOpensCom1) {
  Start();
  EXPECT_EQ(controls.Text(kIdPortList), "COM1");
  EXPECT_EQ(controls.Text(kIdBaudList), "1200");
  EXPECT_EQ(controls.Text(kIdDataBitsList), "8");
  EXPECT_EQ(controls.Text(kIdParityList), "无");
  EXPECT_EQ(controls.Text(kIdStopBitsList), "1");
  for (int id : {kIdRequest1, kIdRequest2, kIdRequest3}) EXPECT_EQ(controls.Text(id), "");
  for (int id : {kIdHex1, kIdHex2, kIdHex3, kIdHexDisplay}) EXPECT_EQ(controls.Check(id), 1) << id;
  for (int id : {kIdPeriod1, kIdPeriod2, kIdPeriod3, kIdCyclePeriod}) EXPECT_EQ(controls.Text(id), "1000") << id;
  EXPECT_EQ(controls.Text(kIdResponseTimeout), "5");
  EXPECT_EQ(controls.Text(kIdRetryLimit), "1");
  EXPECT_EQ(controls.Check(kIdPacingPeriodic), 1);
  EXPECT_TRUE(controls.IsEnabled(kIdCyclePeriod));
  for (int id : {kIdPeriod1, kIdPeriod2, kIdPeriod3, kIdResponseTimeout, kIdRetryLimit}) {
    EXPECT_FALSE(controls.IsEnabled(id)) << id;
  }
  EXPECT_EQ(controls.Text(kIdCaptureFileName), "data.txt");
  EXPECT_TRUE(window.timersStarted);
  EXPECT_FALSE(window.stayOnTop);
  EXPECT_EQ(view.defaultColour, kSentColour);
  EXPECT_EQ(port.path, "/dev/ttyS0");
  EXPECT_EQ(port.line.baudRate, 1200u);
  EXPECT_TRUE(dialog->portOpen);
  EXPECT_EQ(controls.Text(kIdOpenClose), "关闭串口");
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(StartupTest, PortListOffersComPortsThenFoundDevices) {
  foundPorts = {{"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "FT232R USB UART"}};
  Start();
  std::vector<ListEntry> entries = controls.ListEntries(kIdPortList);
  ASSERT_EQ(entries.size(), 21u);
  EXPECT_EQ(entries.front().text, "COM1");
  EXPECT_EQ(entries[19].text, "COM20");
  EXPECT_EQ(entries[20], foundPorts[0]);
}

TEST_F(StartupTest, StoredDevicePathIsAddedToTheListAndOpened) {
  WriteSetLog("/dev/pts/7\r\n0\r\n0\r\n2\r\n6\r\n");
  Start();
  EXPECT_EQ(controls.Text(kIdPortList), "/dev/pts/7");
  EXPECT_EQ(port.path, "/dev/pts/7");
  EXPECT_EQ(port.line.baudRate, 9600u);
}

TEST_F(StartupTest, StoredNameNoEntryBeginsWithLeavesTheSelection) {
  WriteSetLog("XYZ\r\n0\r\n0\r\n2\r\n3\r\n");
  Start();
  // The list still shows COM1 from the first push; the next pull reads it.
  EXPECT_EQ(controls.Text(kIdPortList), "COM1");
  EXPECT_EQ(port.path, "/dev/ttyS0");
}

TEST_F(StartupTest, FailedOpenAtStartKeepsTemplateCaptionAndClosedState) {
  controls.SetText(kIdOpenClose, "Старт");
  port.failCall = "Open";
  Start();
  EXPECT_FALSE(dialog->portOpen);
  EXPECT_EQ(controls.Text(kIdOpenClose), "Старт");
  EXPECT_EQ(prompts.Texts(),
            std::vector<std::string>{"通信端口<COM1>无法打开!\n不是串口设备 (not a serial device)"});
}

TEST_F(StartupTest, EscAndEnterEndWithoutSaving) {
  Start();
  dialog->OnCancel();
  EXPECT_TRUE(window.ended);
  window.ended = false;
  dialog->OnOk();
  EXPECT_TRUE(window.ended);
  EXPECT_FALSE(std::filesystem::exists(settings.path() / "set.log"));
  EXPECT_FALSE(std::filesystem::exists(settings.path() / "data.log"));
}

TEST_F(StartupTest, CloseCommandClosesPortSavesAndEnds) {
  Start();
  controls.SetListIndex(kIdParityList, 2);
  controls.SetText(kIdRequest2, "01 03\r\n00 0A");
  dialog->OnClose();
  EXPECT_FALSE(port.open);
  EXPECT_FALSE(port.dtr);
  EXPECT_TRUE(window.ended);
  EXPECT_EQ(settings.Read("set.log"), "COM1\r\n0\r\n2\r\n2\r\n3\r\n");
  EXPECT_EQ(settings.Read("data.log"), "\r\n01 03\\r\\n00 0A\r\n\r\n");
}

TEST_F(StartupTest, PushThenPullRestoresEveryMember) {
  Start();
  MonitorDialog& d = *dialog;
  d.portSettings = {"COM5", 12, 1, 4, 2};
  d.captureFileName = "/tmp/capture.txt";
  d.slots[0].text = "01 02";
  d.slots[1].text = "AB\r\nCD";
  d.slots[2].text = "x";
  d.slots[0].hexForm = 0;
  d.slots[2].autoSend = 1;
  d.slots[1].inAllRequests = 1;
  d.slots[1].periodMs = -7;
  d.cycle = {250, PacingMode::Periodic, 9, -1, 1};
  d.keywordFilter = 1;
  d.keyword = "ok";
  d.newLine = 1;
  d.timeStamp = 1;
  d.hexDisplay = 0;
  d.autoClear = 2;
  d.showSent = 1;
  d.PushControls();

  MonitorDialog& e = *dialog;
  e.portSettings = {};
  e.slots[0].text = e.slots[1].text = e.slots[2].text = "";
  e.cycle = {};
  ASSERT_TRUE(e.PullControls());
  EXPECT_EQ(e.portSettings, (PortSettings{"COM5", 12, 1, 4, 2}));
  EXPECT_EQ(e.captureFileName, "/tmp/capture.txt");
  EXPECT_EQ(e.slots[1].text, "AB\r\nCD");
  EXPECT_EQ(e.slots[0].hexForm, 0);
  EXPECT_EQ(e.slots[2].autoSend, 1);
  EXPECT_EQ(e.slots[1].inAllRequests, 1);
  EXPECT_EQ(e.slots[1].periodMs, -7);
  EXPECT_EQ(e.cycle.periodMs, 250);
  EXPECT_EQ(e.cycle.responseTimeoutS, 9);
  EXPECT_EQ(e.cycle.maxRetries, -1);
  EXPECT_EQ(e.cycle.sendOnce, 1);
  EXPECT_EQ(e.keyword, "ok");
  EXPECT_EQ(e.autoClear, 2);
  EXPECT_EQ(e.hexDisplay, 0);
}

TEST_F(StartupTest, PushWritesAnOutOfRangeCheckAsClear) {
  Start();
  dialog->showSent = 7;
  dialog->PushControls();
  EXPECT_EQ(controls.Check(kIdShowSent), 0);
}

TEST_F(StartupTest, PullStopsAtTheFirstBadNumberKeepingLaterMembers) {
  Start();
  controls.SetText(kIdPeriod2, "12a");
  controls.SetText(kIdPeriod1, "300");   // before 1030 in the order
  controls.SetText(kIdPeriod3, "400");   // after it
  controls.SetCheck(kIdShowSent, 1);     // after it
  EXPECT_FALSE(dialog->PullControls());
  EXPECT_EQ(dialog->slots[0].periodMs, 300);
  EXPECT_EQ(dialog->slots[2].periodMs, 1000);
  EXPECT_EQ(dialog->showSent, 0);
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"请键入一个整数。"});
}

TEST_F(StartupTest, BadBoxInTicksIsReportedOnceUntilItIsGoodAgain) {
  Start();
  controls.SetText(kIdResponseTimeout, "");
  Ticks(50);
  EXPECT_EQ(prompts.shown.size(), 1u);
  EXPECT_EQ(dialog->cycle.responseTimeoutS, 5);  // the last good value stays
  controls.SetText(kIdResponseTimeout, "8");
  Ticks(1);
  EXPECT_EQ(dialog->cycle.responseTimeoutS, 8);
  controls.SetText(kIdResponseTimeout, "-");
  Ticks(3);
  EXPECT_EQ(prompts.shown.size(), 2u);
}

TEST_F(StartupTest, MessageRaisedInATickWaitsForTheTickAndIsNotStacked) {
  Start();
  controls.SetText(kIdRetryLimit, "x");
  int ticksWhileOpen = 0;
  prompts.whileOpen = [&] {
    // The box is modal but lets ticks through; they must not stack it.
    for (int i = 0; i < 5; ++i) dialog->OnTimer(kLineTimerId);
    ++ticksWhileOpen;
  };
  dialog->OnTimer(kLineTimerId);
  EXPECT_EQ(ticksWhileOpen, 1);
  EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(StartupTest, AHostThatPostsShowsTickMessagesAfterTheTickAndOnlyOnce) {
  window.postsMessages = true;
  Start();
  controls.SetText(kIdRetryLimit, "x");
  port.goneError = 5;  // the device goes in the same tick: two messages wait
  dialog->OnTimer(kLineTimerId);
  dialog->OnTimer(kLampTimerId);
  EXPECT_TRUE(prompts.shown.empty()) << "a box opened inside the tick";
  EXPECT_FALSE(dialog->Resting()) << "the window rests with messages waiting";
  for (int i = 0; i < 5; ++i) dialog->OnTimer(kLineTimerId);
  EXPECT_EQ(window.messagePosts, 1);

  // Under the first box the ticks go on; none stacks a waiting message.
  int ticksUnderBoxes = 0;
  prompts.whileOpen = [&] {
    for (int i = 0; i < 3; ++i, ++ticksUnderBoxes) dialog->OnTimer(kLineTimerId);
  };
  dialog->ShowPendingMessages();
  EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"请键入一个整数。", "通信端口<COM1>已断开!"}));
  EXPECT_EQ(ticksUnderBoxes, 6);
  EXPECT_EQ(window.messagePosts, 1);
  dialog->ShowPendingMessages();  // a late second call shows nothing again
  EXPECT_EQ(prompts.shown.size(), 2u);
}

TEST_F(StartupTest, ShortPeriodBoxesBecomeTenOnTheNextTick) {
  Start();
  controls.SetText(kIdPeriod1, "");
  controls.SetText(kIdPeriod3, "5");
  controls.SetText(kIdCyclePeriod, "05");
  Ticks(1);
  EXPECT_EQ(controls.Text(kIdPeriod1), "10");
  EXPECT_EQ(controls.Text(kIdPeriod3), "10");
  EXPECT_EQ(controls.Text(kIdCyclePeriod), "05");
  EXPECT_EQ(dialog->cycle.periodMs, 5);
  EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(StartupTest, TickUpperCasesHexRequestsOnly) {
  Start();
  controls.SetText(kIdRequest1, "0a ff");
  controls.SetText(kIdRequest2, "abc");
  controls.SetCheck(kIdHex2, 0);
  Ticks(1);
  EXPECT_EQ(dialog->slots[0].text, "0A FF");
  EXPECT_EQ(dialog->slots[1].text, "abc");
  EXPECT_EQ(controls.Text(kIdRequest1), "0a ff");  // the box shows it at the next push
}

TEST_F(StartupTest, ClosedPortTickChangesNothing) {
  port.failCall = "Open";
  Start();
  prompts.shown.clear();
  controls.SetText(kIdPeriod1, "");
  port.Feed({1, 2, 3});
  Ticks(10);
  EXPECT_EQ(controls.Text(kIdPeriod1), "");
  EXPECT_EQ(port.input.size(), 3u);
}

TEST_F(StartupTest, MessageTableCoversTheHandlers) {
  Start();
  for (int id : {kIdOpenClose, kIdSend1, kIdSend2, kIdSend3, kIdClear1, kIdClear2, kIdClear3, kIdClearDisplay,
                 kIdChecksum1, kIdChecksum2, kIdChecksum3, kIdAuto1, kIdAuto2, kIdAuto3, kIdRepeat1, kIdRepeat2,
                 kIdRepeat3, kIdPacingPeriodic, kIdPacingResponse, kIdSendOnce, kIdAllRequests, kIdChooseSendFile,
                 kIdFileCycling, kIdCapture, kIdChooseCaptureFile, kIdPauseDisplay, kIdResetCounters, kIdNoAction,
                 kIdTrafficView, kIdStayOnTop}) {
    EXPECT_TRUE(dialog->OnCommand(id, Notification::Clicked)) << id;
  }
  for (int id : {kIdPortList, kIdBaudList, kIdDataBitsList, kIdParityList, kIdStopBitsList}) {
    EXPECT_TRUE(dialog->OnCommand(id, Notification::SelectionChanged)) << id;
  }
  EXPECT_FALSE(dialog->OnCommand(kIdRequest1, Notification::Clicked));
  EXPECT_FALSE(dialog->OnCommand(kIdOpenClose, Notification::SelectionChanged));
}

}  // namespace
}  // namespace lirosa::test
