#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/ControlIds.h"
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
  EXPECT_EQ(t.width, 526);
  EXPECT_EQ(t.height, 325);
  for (int id : kLogicIds) EXPECT_NE(t.Find(id), nullptr) << id;
  EXPECT_EQ(t.Find(kNoId), nullptr);
  EXPECT_EQ(t.Find(4242), nullptr);
}

// Where the template's own captions of requests 2 and 3 had been reduced to
// question marks, they are request 1's.
TEST(MainTemplate, RecoveredCaptionsAreRequestOnes) {
  const DialogTemplate& t = MainDialogTemplate();
  const std::pair<std::vector<int>, const char*> rows[] = {
      {{kIdHex1, kIdHex2, kIdHex3}, "16 bit"},
      {{kIdAuto1, kIdAuto2, kIdAuto3}, "Авто"},
      {{kIdRepeat1, kIdRepeat2, kIdRepeat3}, "повтор "},
      {{kIdLabelPeriod1, kIdLabelPeriod2, kIdLabelPeriod3, kIdLabelCyclePeriod}, "Период"},
  };
  for (const auto& [ids, caption] : rows) {
    for (int id : ids) EXPECT_EQ(t.Find(id)->text, caption) << id;
  }
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

// The dialog's answer is the checked radio's position, so the radios must
// come in choice order, the first one opening the group.
TEST(ChecksumTemplate, RadiosComeInChoiceOrder) {
  std::vector<int> radios;
  for (const ControlTemplate& c : ChecksumDialogTemplate().controls) {
    if (c.kind != ControlKind::RadioButton) continue;
    EXPECT_EQ((c.style & kStyleGroupStart) != 0, radios.empty()) << c.id;
    radios.push_back(c.id);
  }
  EXPECT_EQ(radios, std::vector<int>(std::begin(kChecksumRadioIds), std::end(kChecksumRadioIds)));
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
