#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "app/ControlIds.h"
#include "app/LineLists.h"
#include "gui/TemplateBuilder.h"
#include "resources/DialogTemplates.h"

namespace lirosa {
namespace {

// Every identifier the window logic refers to in template 102.
const int kLogicIds[] = {kIdPortList,
                         kIdBaudList,
                         kIdDataBitsList,
                         kIdParityList,
                         kIdStopBitsList,
                         kIdOpenClose,
                         kIdStateLamp,
                         kIdTrafficLamps,
                         kIdTrafficView,
                         kIdRequest1,
                         kIdRequest2,
                         kIdRequest3,
                         kIdSend1,
                         kIdSend2,
                         kIdSend3,
                         kIdClear1,
                         kIdClear2,
                         kIdClear3,
                         kIdChecksum1,
                         kIdChecksum2,
                         kIdChecksum3,
                         kIdHex1,
                         kIdHex2,
                         kIdHex3,
                         kIdAuto1,
                         kIdAuto2,
                         kIdAuto3,
                         kIdPeriod1,
                         kIdPeriod2,
                         kIdPeriod3,
                         kIdRepeat1,
                         kIdRepeat2,
                         kIdRepeat3,
                         kIdCyclePeriod,
                         kIdPacingPeriodic,
                         kIdPacingResponse,
                         kIdResponseTimeout,
                         kIdRetryLimit,
                         kIdSendOnce,
                         kIdAllRequests,
                         kIdChooseSendFile,
                         kIdFileCycling,
                         kIdFileLineCount,
                         kIdFileCurrentLine,
                         kIdHexDisplay,
                         kIdAutoClear,
                         kIdTimeStamp,
                         kIdNewLine,
                         kIdShowSent,
                         kIdKeywordFilter,
                         kIdKeyword,
                         kIdClearDisplay,
                         kIdPauseDisplay,
                         kIdCapture,
                         kIdChooseCaptureFile,
                         kIdCaptureFileName,
                         kIdRequestsSent,
                         kIdReceivedFrames,
                         kIdSentBytes,
                         kIdReceivedBytes,
                         kIdResetCounters,
                         kIdNoAction,
                         kIdStayOnTop,
                         kIdLink1100,
                         kIdLink1101,
                         kIdLink1102,
                         kIdLink1103,
                         kIdHiddenStatic,
                         kIdRequestGroup,
                         kIdLabelRequest1,
                         kIdLabelRequest2,
                         kIdLabelRequest3,
                         kIdLabelPeriod1,
                         kIdLabelMs1,
                         kIdLabelPeriod2,
                         kIdLabelMs2,
                         kIdLabelPeriod3,
                         kIdLabelMs3,
                         kIdLabelCyclePeriod,
                         kIdCycleGroup,
                         kIdPropsGroup1,
                         kIdPropsGroup2,
                         kIdPropsGroup3,
                         kIdLabelRetry,
                         kIdLabelCycleMs,
                         kIdLabelTimeout,
                         kIdLabelTimeoutUnit};

class TemplateShape : public ::testing::TestWithParam<const DialogTemplate* (*)()> {};

TEST_P(TemplateShape, IdsAreUniqueAndControlsLieInsideTheClientArea) {
  const DialogTemplate& t = *GetParam()();
  std::set<int> seen;
  for (const ControlTemplate& c : t.controls) {
    if (c.id != kNoId) {
      EXPECT_TRUE(seen.insert(c.id).second) << "duplicate id " << c.id;
    }
    EXPECT_GE(c.x, 0) << c.id << " " << c.text;
    EXPECT_GE(c.y, 0) << c.id << " " << c.text;
    EXPECT_LE(c.x + c.width, t.width) << c.id << " " << c.text;
    EXPECT_LE(c.y + c.height, t.height) << c.id << " " << c.text;
    EXPECT_GT(c.width, 0) << c.id;
    EXPECT_GT(c.height, 0) << c.id;
  }
}

TEST_P(TemplateShape, NoCaptionIsMadeOfQuestionMarksOnly) {
  for (const ControlTemplate& c : GetParam()()->controls) {
    if (c.text.empty()) continue;
    EXPECT_NE(c.text.find_first_not_of("? "), std::string::npos) << c.id;
  }
}

INSTANTIATE_TEST_SUITE_P(AllTemplates, TemplateShape,
                         ::testing::Values(
                             +[] { return &MainDialogTemplate(); },
                             +[] { return &ChecksumDialogTemplate(); },
                             +[] { return &AboutDialogTemplate(); }));

TEST(MainTemplate, HoldsEveryControlTheLogicUses) {
  const DialogTemplate& t = MainDialogTemplate();
  EXPECT_EQ(t.id, 102);
  EXPECT_EQ(t.width, 526);
  EXPECT_EQ(t.height, 325);
  for (int id : kLogicIds) EXPECT_NE(t.Find(id), nullptr) << id;
  EXPECT_EQ(t.Find(kNoId), nullptr);
  EXPECT_EQ(t.Find(4242), nullptr);
}

struct CaptionRow {
  int id;
  ControlKind kind;
  const char* text;
};

// Requests 2 and 3 carry the captions of request 1 where the template's
// own had been reduced to question marks.
TEST(MainTemplate, CaptionsAndKindsAreTheTemplates) {
  const CaptionRow rows[] = {
      {kIdOpenClose, ControlKind::PushButton, "Старт"},
      {kIdSend1, ControlKind::PushButton, "отправить"},
      {kIdSend3, ControlKind::PushButton, "отправить"},
      {kIdClear2, ControlKind::PushButton, "сброс"},
      {kIdChecksum3, ControlKind::PushButton, "меню"},
      {kIdHex1, ControlKind::CheckBox, "16 bit"},
      {kIdHex2, ControlKind::CheckBox, "16 bit"},
      {kIdHex3, ControlKind::CheckBox, "16 bit"},
      {kIdAuto1, ControlKind::CheckBox, "Авто"},
      {kIdAuto2, ControlKind::CheckBox, "Авто"},
      {kIdAuto3, ControlKind::CheckBox, "Авто"},
      {kIdRepeat1, ControlKind::CheckBox, "повтор "},
      {kIdRepeat2, ControlKind::CheckBox, "повтор "},
      {kIdRepeat3, ControlKind::CheckBox, "повтор "},
      {kIdPacingPeriodic, ControlKind::RadioButton, "Setup"},
      {kIdPacingResponse, ControlKind::RadioButton, "Последующий запрос"},
      {kIdSendOnce, ControlKind::CheckBox, "Один раз"},
      {kIdAllRequests, ControlKind::PushButton, "Все запросы"},
      {kIdChooseSendFile, ControlKind::PushButton, "файл"},
      {kIdFileCycling, ControlKind::PushButton, "повтор файла"},
      {kIdHexDisplay, ControlKind::CheckBox, "16 bit"},
      {kIdAutoClear, ControlKind::ThreeStateCheckBox, "да "},
      {kIdTimeStamp, ControlKind::CheckBox, "врмя хранения"},
      {kIdNewLine, ControlKind::CheckBox, "нет"},
      {kIdShowSent, ControlKind::CheckBox, "получение"},
      {kIdKeywordFilter, ControlKind::CheckBox, "ключевое слово"},
      {kIdClearDisplay, ControlKind::PushButton, "не требуется"},
      {kIdChooseCaptureFile, ControlKind::PushButton, "не требуется"},
      {kIdResetCounters, ControlKind::PushButton, "Сброс"},
      {kIdNoAction, ControlKind::PushButton, "Сброс"},
      {kIdLabelPeriod1, ControlKind::Label, "Период"},
      {kIdLabelPeriod2, ControlKind::Label, "Период"},
      {kIdLabelPeriod3, ControlKind::Label, "Период"},
      {kIdLabelCyclePeriod, ControlKind::Label, "Период"},
      {kIdLabelRetry, ControlKind::Label, "повтор ш"},
      {kIdLabelTimeout, ControlKind::Label, "Задержка"},
      {kIdCycleGroup, ControlKind::GroupBox, "Повторная отправка "},
      {kIdPropsGroup1, ControlKind::GroupBox, "Свойства запроса"},
      {kIdPropsGroup3, ControlKind::GroupBox, "Свойство запроса"},
      {kIdTrafficView, ControlKind::RichEdit, ""},
      {kIdRequest2, ControlKind::MultiLineEdit, ""},
      {kIdStayOnTop, ControlKind::OwnerDrawButton, ""},
      {kIdLink1102, ControlKind::Picture, ""},
  };
  const DialogTemplate& t = MainDialogTemplate();
  for (const CaptionRow& row : rows) {
    const ControlTemplate* c = t.Find(row.id);
    ASSERT_NE(c, nullptr) << row.id;
    EXPECT_EQ(c->kind, row.kind) << row.id;
    EXPECT_EQ(c->text, row.text) << row.id;
  }
}

TEST(MainTemplate, StylesOfTheBoundControls) {
  const DialogTemplate& t = MainDialogTemplate();
  for (int id :
       {kIdPeriod1, kIdPeriod2, kIdPeriod3, kIdCyclePeriod, kIdResponseTimeout, kIdRetryLimit}) {
    EXPECT_EQ(t.Find(id)->style & (kStyleDigitsOnly | kStyleReadOnly), kStyleDigitsOnly) << id;
  }
  for (int id : {kIdRequestsSent, kIdSentBytes, kIdReceivedFrames, kIdReceivedBytes,
                 kIdFileLineCount, kIdFileCurrentLine}) {
    EXPECT_EQ(t.Find(id)->style & (kStyleDigitsOnly | kStyleReadOnly),
              kStyleDigitsOnly | kStyleReadOnly)
        << id;
  }
  EXPECT_TRUE(t.Find(kIdCaptureFileName)->style & kStyleReadOnly);
  EXPECT_FALSE(t.Find(kIdKeyword)->style & kStyleReadOnly);
  EXPECT_TRUE(t.Find(kIdHiddenStatic)->style & kStyleHidden);
  EXPECT_TRUE(t.Find(kIdTrafficView)->style & kStyleVScroll);
  EXPECT_TRUE(t.Find(kIdPacingPeriodic)->style & kStyleGroupStart);
  EXPECT_TRUE(t.Find(kIdPortList)->style & kStyleEditableList);
  for (int id : {kIdBaudList, kIdDataBitsList, kIdParityList, kIdStopBitsList}) {
    EXPECT_FALSE(t.Find(id)->style & kStyleEditableList) << id;
  }
  const ControlTemplate& stayOnTop = *t.Find(kIdStayOnTop);
  EXPECT_EQ(stayOnTop.width, 10);
  EXPECT_EQ(stayOnTop.height, 10);
  EXPECT_EQ(stayOnTop.x, 0);
  EXPECT_EQ(stayOnTop.y + stayOnTop.height, t.height);
}

TEST(MainTemplate, ListsCarryTheLineEntriesAndThePortListStartsEmpty) {
  const DialogTemplate& t = MainDialogTemplate();
  auto expect = [&](int id, const auto& entries) {
    const ControlTemplate& list = *t.Find(id);
    ASSERT_EQ(list.entries.size(), entries.size()) << id;
    for (std::size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(list.entries[i], entries[i]) << id;
  };
  expect(kIdBaudList, kBaudEntries);
  expect(kIdDataBitsList, kDataBitsEntries);
  expect(kIdParityList, kParityEntries);
  expect(kIdStopBitsList, kStopBitsEntries);
  EXPECT_TRUE(t.Find(kIdPortList)->entries.empty());
  EXPECT_EQ(t.Find(kIdPortList)->listHeight, 96);
  EXPECT_EQ(t.Find(kIdBaudList)->listHeight, 193);
}

struct PixelRow {
  int id;
  int x, y, width, height;
};

// The request area was given as the pixels of the restored layout; built
// from its template units it lands on those pixels to within one.
TEST(MainTemplate, RequestAreaBuildsCloseToTheRestoredPixels) {
  const PixelRow rows[] = {
      {kIdCycleGroup, 10, 387, 300, 94},     {kIdPropsGroup3, 625, 387, 154, 94},
      {kIdLabelRequest3, 21, 357, 45, 20},   {kIdLabelCyclePeriod, 108, 410, 30, 20},
      {kIdRetryLimit, 180, 453, 30, 20},     {kIdPeriod3, 690, 453, 40, 20},
      {kIdRequest1, 168, 288, 468, 30},      {kIdRequest3, 168, 348, 468, 30},
      {kIdLink1101, 708, 287, 70, 45},       {kIdLink1102, 638, 333, 70, 45},
      {kIdCyclePeriod, 140, 406, 46, 18},    {kIdClear2, 70, 321, 35, 20},
      {kIdSend3, 107, 351, 55, 20},          {kIdChecksum2, 540, 408, 40, 20},
      {kIdAllRequests, 218, 452, 86, 22},    {kIdPacingResponse, 18, 430, 140, 22},
      {kIdPacingPeriodic, 168, 430, 60, 22}, {kIdRepeat3, 692, 428, 80, 22},
  };
  const DialogTemplate& t = MainDialogTemplate();
  for (const PixelRow& row : rows) {
    const QRect built = TemplateBuilder::ToPixels(*t.Find(row.id));
    EXPECT_LE(std::abs(built.x() - row.x), 1) << row.id;
    EXPECT_LE(std::abs(built.y() - row.y), 1) << row.id;
    EXPECT_LE(std::abs(built.width() - row.width), 1) << row.id;
    EXPECT_LE(std::abs(built.height() - row.height), 1) << row.id;
  }
  // Given in dialog units directly.
  EXPECT_EQ(TemplateBuilder::ToPixels(*t.Find(kIdTrafficView)), QRect(293, 6, 488, 272));
  EXPECT_EQ(TemplateBuilder::ToPixels(*t.Find(kIdRequestGroup)), QRect(8, 276, 770, 108));
}

TEST(ChecksumTemplate, SevenRadiosInChoiceOrderThenYesAndNo) {
  const DialogTemplate& t = ChecksumDialogTemplate();
  EXPECT_EQ(t.id, 129);
  EXPECT_EQ(t.caption, "Настройка");
  EXPECT_EQ(t.width, 143);
  EXPECT_EQ(t.height, 151);
  const char* captions[7] = {"16 CRC", "16 CRC", "8 CRC", "8 SUM", "8 XOR", "CRC32", "CRC32"};
  const int ys[7] = {16, 31, 46, 61, 76, 91, 105};
  int radio = 0;
  for (const ControlTemplate& c : t.controls) {
    if (c.kind != ControlKind::RadioButton) continue;
    ASSERT_LT(radio, 7);
    EXPECT_EQ(c.id, kChecksumRadioIds[radio]);
    EXPECT_EQ(c.text, captions[radio]);
    EXPECT_EQ(c.x, 28);
    EXPECT_EQ(c.y, ys[radio]);
    EXPECT_EQ(c.height, 10);
    EXPECT_EQ((c.style & kStyleGroupStart) != 0, radio == 0);
    ++radio;
  }
  EXPECT_EQ(radio, 7);
  const ControlTemplate& yes = *t.Find(kIdOk);
  EXPECT_EQ(yes.text, "Да ");
  EXPECT_EQ(QRect(yes.x, yes.y, yes.width, yes.height), QRect(25, 132, 42, 14));
  const ControlTemplate& no = *t.Find(kIdCancel);
  EXPECT_EQ(no.text, "Нет");
  EXPECT_EQ(no.x, 77);
  EXPECT_EQ(no.width, 40);
}

TEST(AboutTemplate, HasTheOkButtonAndTheAddressStatic) {
  const DialogTemplate& t = AboutDialogTemplate();
  EXPECT_EQ(t.id, 100);
  ASSERT_NE(t.Find(kIdOk), nullptr);
  EXPECT_EQ(t.Find(kIdOk)->text, "ОК");
  ASSERT_NE(t.Find(kIdAboutLink), nullptr);
  EXPECT_EQ(t.Find(kIdAboutLink)->text.rfind("https://", 0), 0u);
  int rules = 0;
  for (const ControlTemplate& c : t.controls) {
    if (c.kind == ControlKind::EtchedFrame && c.height == 1) ++rules;
  }
  EXPECT_EQ(rules, 3);
}

}  // namespace
}  // namespace lirosa
