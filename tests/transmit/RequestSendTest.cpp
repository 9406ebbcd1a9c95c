#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "support/DialogFixture.h"

namespace lirosa::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class RequestSendTest : public DialogFixture {
 protected:
  void SetUp() override { Start(); }

  // Types a request the way the user does: into the box, with its hex flag.
  void Type(int requestId, int hexId, const std::string& text, bool hexForm = true) {
    controls.SetText(requestId, text);
    controls.SetCheck(hexId, hexForm ? 1 : 0);
  }
  void Type(const std::string& text, bool hexForm = true) { Type(kIdRequest1, kIdHex1, text, hexForm); }

  int WriteCalls() const {
    int n = 0;
    for (const std::string& call : port.calls) n += call.rfind("Write ", 0) == 0 ? 1 : 0;
    return n;
  }
};

// ---- What one send writes and counts ------------------------------------------

struct SendRow {
  const char* name;
  std::string text;
  bool hexForm;
  bool sends;     // false: nothing at all happens
  Bytes written;  // the bytes on the line when it sends
};

class SendRowTest : public RequestSendTest, public ::testing::WithParamInterface<SendRow> {};

TEST_P(SendRowTest, WritesEncodedBytesAndCountsThem) {
  const SendRow& row = GetParam();
  Type(row.text, row.hexForm);
  dialog->txActivity = false;
  dialog->OnCommand(kIdSend1, Notification::Clicked);

  EXPECT_EQ(port.written, row.written);
  EXPECT_EQ(dialog->counters.requestsSent, row.sends ? 1 : 0);
  EXPECT_EQ(dialog->counters.sentBytes, static_cast<std::int64_t>(row.written.size()));
  EXPECT_EQ(dialog->txActivity, row.sends);
  EXPECT_TRUE(prompts.shown.empty());
  // A request that encodes to no bytes never reaches the port.
  if (row.written.empty()) {
    EXPECT_EQ(WriteCalls(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, SendRowTest,
    ::testing::Values(
        SendRow{"ModbusRead", "01 03 00 00 00 0A", true, true, {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}},
        SendRow{"LowerCaseHex", "0a ff", true, true, {0x0A, 0xFF}},
        SendRow{"OddDigitGroup", "123 4", true, true, {0x12, 0x03, 0x04}},
        SendRow{"HexAcrossLinesJoins", "01 0\r\n3", true, true, {0x01, 0x03}},
        SendRow{"PrefixIsInvalid", "0x0A", true, false, {}},
        // Nothing to send: not counted, echoed or lit, as an empty box.
        SendRow{"SpacesOnlySendAndCountNothing", "   ", true, false, {}},
        SendRow{"Empty", "", true, false, {}},
        SendRow{"TwoTextLines", "AT\r\nOK", false, true, {'A', 'T', '\r', '\n', 'O', 'K'}},
        SendRow{"TextKeepsCase", "abc", false, true, {'a', 'b', 'c'}}),
    [](const ::testing::TestParamInfo<SendRow>& info) { return std::string(info.param.name); });

// ---- Buttons, closed port, clear -----------------------------------------------

TEST_F(RequestSendTest, EachSendButtonSendsItsOwnSlot) {
  Type(kIdRequest1, kIdHex1, "01");
  Type(kIdRequest2, kIdHex2, "02");
  Type(kIdRequest3, kIdHex3, "03");
  dialog->OnCommand(kIdSend3, Notification::Clicked);
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  dialog->OnCommand(kIdSend2, Notification::Clicked);
  EXPECT_EQ(port.written, (Bytes{0x03, 0x01, 0x02}));
  EXPECT_EQ(dialog->counters.requestsSent, 3);
  EXPECT_EQ(dialog->counters.sentBytes, 3);
}

TEST_F(RequestSendTest, ClosedPortChangesNothingButStillUpperCasesTheText) {
  dialog->OnCommand(kIdOpenClose, Notification::Clicked);
  ASSERT_FALSE(dialog->portOpen);
  Type("0a ff");
  dialog->txActivity = false;
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  EXPECT_EQ(WriteCalls(), 0);
  EXPECT_EQ(dialog->counters.requestsSent, 0);
  EXPECT_FALSE(dialog->txActivity);
  EXPECT_TRUE(view.text.empty());
  EXPECT_EQ(dialog->slots[0].text, "0A FF");
}

TEST_F(RequestSendTest, ClearEmptiesItsBoxAndTheNextSendDoesNothing) {
  Type("01 03");
  dialog->OnCommand(kIdClear1, Notification::Clicked);
  EXPECT_EQ(controls.Text(kIdRequest1), "");
  EXPECT_EQ(dialog->slots[0].text, "");
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  EXPECT_EQ(WriteCalls(), 0);
  EXPECT_EQ(dialog->counters.requestsSent, 0);
}

TEST_F(RequestSendTest, ClearKeepsWhatWasTypedElsewhereWhileNoTickPulled) {
  dialog->OnCommand(kIdOpenClose, Notification::Clicked);  // closed: ticks pull nothing
  Type(kIdRequest1, kIdHex1, "01");
  Type(kIdRequest2, kIdHex2, "0a 0b");
  Type(kIdRequest3, kIdHex3, "abc", false);
  controls.SetText(kIdPeriod2, "250");
  dialog->OnCommand(kIdClear1, Notification::Clicked);
  EXPECT_EQ(controls.Text(kIdRequest1), "");
  EXPECT_EQ(controls.Text(kIdRequest2), "0A 0B");  // hex requests show upper-cased
  EXPECT_EQ(controls.Text(kIdRequest3), "abc");
  EXPECT_EQ(controls.Text(kIdPeriod2), "250");
}

// ---- Long requests and the write loop ------------------------------------------------

TEST_F(RequestSendTest, RequestLongerThanTheSendAreaGoesOutWhole) {
  std::string hex;
  for (int i = 0; i < 5000; ++i) hex += i % 2 ? " 5A" : " A5";
  Type(hex);
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  ASSERT_EQ(port.written.size(), 5000u);
  EXPECT_EQ(port.written.front(), 0xA5);
  EXPECT_EQ(port.written.back(), 0x5A);
  EXPECT_EQ(dialog->counters.sentBytes, 5000);

  Type(kIdRequest2, kIdHex2, std::string(5000, 'x'), false);
  dialog->OnCommand(kIdSend2, Notification::Clicked);
  EXPECT_EQ(port.written.size(), 10000u);
  EXPECT_EQ(dialog->counters.sentBytes, 10000);
}

TEST_F(RequestSendTest, PartialWritesAreRepeatedUntilAllIsAccepted) {
  port.writeChunk = 3;
  Type("01 02 03 04 05 06 07 08 09 0A");
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  EXPECT_EQ(port.written, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  std::vector<std::string> writes;
  for (const std::string& call : port.calls) {
    if (call.rfind("Write ", 0) == 0) writes.push_back(call);
  }
  EXPECT_EQ(writes, (std::vector<std::string>{"Write 10", "Write 7", "Write 4", "Write 1"}));
  EXPECT_EQ(dialog->counters.sentBytes, 10);
}

TEST_F(RequestSendTest, StalledPeerEndsTheLoopAndOnlyAcceptedBytesAreEchoedAndCounted) {
  controls.SetCheck(kIdShowSent, 1);
  port.writeScript = {{2, 0}, {2, 0}, {0, ETIMEDOUT}};
  Type("01 02 03 04 05 06");
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  EXPECT_EQ(WriteCalls(), 3);
  EXPECT_EQ(port.written, (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(dialog->counters.requestsSent, 1);
  EXPECT_EQ(dialog->counters.sentBytes, 4);
  EXPECT_TRUE(dialog->portOpen);
  EXPECT_TRUE(prompts.shown.empty());
  EXPECT_NE(view.text.find("01 02 03 04"), std::string::npos);
  EXPECT_EQ(view.text.find("05"), std::string::npos);
  EXPECT_EQ(controls.Text(kIdRequestsSent), "1");
  EXPECT_EQ(controls.Text(kIdSentBytes), "4");
}

TEST_F(RequestSendTest, NothingGoesOutOrIsCountedWhenTheLineTakesNoneOfIt) {
  controls.SetCheck(kIdShowSent, 1);
  Type("01 02");
  port.writeScript = {{0, ETIMEDOUT}};
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  EXPECT_EQ(dialog->counters.requestsSent, 0);
  EXPECT_EQ(dialog->counters.sentBytes, 0);
  EXPECT_EQ(view.text, "");
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  EXPECT_EQ(dialog->counters.requestsSent, 1);
  EXPECT_EQ(controls.Text(kIdRequestsSent), "1");
}

TEST_F(RequestSendTest, FailedWriteEndsTheLoopButKeepsThePortOpen) {
  port.writeScript = {{1, EINVAL}};
  Type("01 02 03");
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  EXPECT_EQ(WriteCalls(), 1);
  EXPECT_EQ(dialog->counters.sentBytes, 1);
  EXPECT_TRUE(dialog->portOpen);
}

TEST_F(RequestSendTest, DeviceGoneDuringAWriteClosesThePortAndTellsOnce) {
  port.writeScript = {{3, EIO}};
  Type("01 02 03 04 05");
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  EXPECT_FALSE(dialog->portOpen);
  EXPECT_FALSE(port.open);
  EXPECT_EQ(controls.Text(kIdOpenClose), "打开串口");
  // What the device took before it went is still echoed and counted.
  EXPECT_EQ(dialog->counters.requestsSent, 1);
  EXPECT_EQ(dialog->counters.sentBytes, 3);
  dialog->OnCommand(kIdSend1, Notification::Clicked);
  EXPECT_EQ(dialog->counters.requestsSent, 1);
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"通信端口<COM1>已断开!"});
}

TEST_F(RequestSendTest, DeviceGoneUnderAutoSendsStopsTheTickAndIsToldOnce) {
  port.goneError = ENXIO;
  for (int id : {kIdRequest1, kIdRequest2, kIdRequest3}) controls.SetText(id, "01");
  for (int id : {kIdAuto1, kIdAuto2, kIdAuto3}) controls.SetCheck(id, 1);
  for (int id : {kIdPeriod1, kIdPeriod2, kIdPeriod3}) controls.SetText(id, "10");
  Ticks(5);
  EXPECT_EQ(WriteCalls(), 1);  // the other slots see the port closed
  EXPECT_FALSE(dialog->portOpen);
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"通信端口<COM1>已断开!"});
}

}  // namespace
}  // namespace lirosa::test
