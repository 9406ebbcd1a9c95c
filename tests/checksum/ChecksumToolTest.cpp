#include <gtest/gtest.h>

#include <string>

#include "app/ControlIds.h"
#include "support/DialogFixture.h"

namespace lirosa::test {
namespace {

class ChecksumToolTest : public DialogFixture {
 protected:
  void SetUp() override { Start(); }

  // The dialog's openings, seen through the hook it runs while "open".
  void CountDialogs() {
    prompts.whileOpen = [this] { ++dialogsOpened; };
  }

  int dialogsOpened = 0;
};

// ---- What gets appended ----------------------------------------------------------

struct AppendRow {
  const char* name;
  std::string text;
  bool hexForm;
  ChecksumKind kind;
  std::string result;  // the request text afterwards
};

class AppendRowTest : public ChecksumToolTest, public ::testing::WithParamInterface<AppendRow> {};

TEST_P(AppendRowTest, AppendsTheChosenChecksumAsHexText) {
  const AppendRow& row = GetParam();
  // Closed, so no tick touches the text while the dialog is open.
  dialog->OnCommand(kIdOpenClose, Notification::Clicked);
  controls.SetText(kIdRequest1, row.text);
  controls.SetCheck(kIdHex1, row.hexForm ? 1 : 0);
  prompts.checksumAnswers = {row.kind};
  dialog->OnCommand(kIdChecksum1, Notification::Clicked);
  EXPECT_EQ(controls.Text(kIdRequest1), row.result);
  EXPECT_EQ(dialog->slots[0].text, row.result);
  EXPECT_TRUE(prompts.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, AppendRowTest,
    ::testing::Values(
        AppendRow{"ModbusLowFirst", "01 03 00 00 00 0A", true, ChecksumKind::Crc16LowFirst,
                  "01 03 00 00 00 0A C5 CD"},
        AppendRow{"ModbusHighFirst", "01 03 00 00 00 0A", true, ChecksumKind::Crc16HighFirst,
                  "01 03 00 00 00 0A CD C5"},
        AppendRow{"Crc32LowFirst", "01 03 00 00 00 0A", true, ChecksumKind::Crc32LowFirst,
                  "01 03 00 00 00 0A C8 E1 EB DD"},
        // Lower case decodes, and the text keeps the letters as typed.
        AppendRow{"LowerCaseHex", "01 03 00 00 00 0a", true, ChecksumKind::Crc16LowFirst,
                  "01 03 00 00 00 0a C5 CD"},
        AppendRow{"LineBreakJoinsGroups", "01 03\r\n00 00 00 0A", true, ChecksumKind::Crc16LowFirst,
                  "01 03\r\n00 00 00 0A C5 CD"},
        AppendRow{"TrailingSpaceGetsASecond", "01 03 ", true, ChecksumKind::Xor8, "01 03  02"},
        // Text form is decoded as hex all the same, without upper-casing.
        AppendRow{"TextFormHexDigits", "0103", false, ChecksumKind::Sum8, "0103 04"},
        AppendRow{"TextFormLetters", "abc", false, ChecksumKind::Sum8, "abc"},
        AppendRow{"TextFormLineBreakIsInvalid", "01\r\n03", false, ChecksumKind::Sum8, "01\r\n03"},
        AppendRow{"PrefixIsInvalid", "0x01 03", true, ChecksumKind::Sum8, "0x01 03"},
        AppendRow{"SpacesOnlyDecodeToNothing", "   ", true, ChecksumKind::Sum8, "   "}),
    [](const ::testing::TestParamInfo<AppendRow>& info) { return std::string(info.param.name); });

// ---- The dialog and the slots ----------------------------------------------------

TEST_F(ChecksumToolTest, EmptyRequestOpensNoDialog) {
  CountDialogs();
  prompts.checksumAnswers = {ChecksumKind::Sum8};
  dialog->OnCommand(kIdChecksum1, Notification::Clicked);
  EXPECT_EQ(dialogsOpened, 0);
  EXPECT_EQ(prompts.checksumAnswers.size(), 1u);
  EXPECT_EQ(controls.Text(kIdRequest1), "");
}

TEST_F(ChecksumToolTest, CancelChangesNothing) {
  CountDialogs();
  controls.SetText(kIdRequest1, "01 03");
  prompts.checksumAnswers = {std::nullopt};
  dialog->OnCommand(kIdChecksum1, Notification::Clicked);
  EXPECT_EQ(dialogsOpened, 1);
  EXPECT_EQ(controls.Text(kIdRequest1), "01 03");
  EXPECT_EQ(dialog->slots[0].text, "01 03");
}

TEST_F(ChecksumToolTest, AppendingTwiceCoversTheFirstChecksumToo) {
  controls.SetText(kIdRequest1, "01 03 00 00 00 0A");
  prompts.checksumAnswers = {ChecksumKind::Crc16LowFirst, ChecksumKind::Crc16LowFirst};
  dialog->OnCommand(kIdChecksum1, Notification::Clicked);
  dialog->OnCommand(kIdChecksum1, Notification::Clicked);
  // A MODBUS frame with its own CRC appended checks to zero.
  EXPECT_EQ(controls.Text(kIdRequest1), "01 03 00 00 00 0A C5 CD 00 00");
  EXPECT_EQ(dialog->slots[0].checksumArea.size(), 8u);
}

TEST_F(ChecksumToolTest, EachButtonExtendsOnlyItsOwnRequest) {
  controls.SetText(kIdRequest1, "01");
  controls.SetText(kIdRequest2, "02 03");
  controls.SetText(kIdRequest3, "04");
  prompts.checksumAnswers = {ChecksumKind::Xor8};
  dialog->OnCommand(kIdChecksum2, Notification::Clicked);
  EXPECT_EQ(controls.Text(kIdRequest1), "01");
  EXPECT_EQ(controls.Text(kIdRequest2), "02 03 01");
  EXPECT_EQ(controls.Text(kIdRequest3), "04");
  prompts.checksumAnswers = {ChecksumKind::Sum8};
  dialog->OnCommand(kIdChecksum3, Notification::Clicked);
  EXPECT_EQ(controls.Text(kIdRequest3), "04 04");
}

TEST_F(ChecksumToolTest, TicksWhileTheDialogIsOpenUpperCaseTheTextWhenThePortIsOpen) {
  ASSERT_TRUE(dialog->portOpen);
  controls.SetText(kIdRequest1, "01 03 00 00 00 0a");
  prompts.whileOpen = [this] { Ticks(1); };
  prompts.checksumAnswers = {ChecksumKind::Crc16LowFirst};
  dialog->OnCommand(kIdChecksum1, Notification::Clicked);
  EXPECT_EQ(controls.Text(kIdRequest1), "01 03 00 00 00 0A C5 CD");
}

TEST_F(ChecksumToolTest, ChecksumCoversARequestLongerThanTheChecksumArea) {
  std::string hex;
  for (int i = 0; i < 1500; ++i) hex += " 01";
  controls.SetText(kIdRequest1, hex);
  prompts.checksumAnswers = {ChecksumKind::Sum8};
  dialog->OnCommand(kIdChecksum1, Notification::Clicked);
  // 1500 mod 256 = 220; the first 1024 bytes alone would sum to 00.
  EXPECT_EQ(controls.Text(kIdRequest1), hex + " DC");
  EXPECT_EQ(dialog->slots[0].checksumArea.size(), 1500u);
}

}  // namespace
}  // namespace lirosa::test
