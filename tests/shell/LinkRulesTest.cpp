#include <gtest/gtest.h>

#include <cerrno>

#include "app/ControlIds.h"
#include "shell/LinkRules.h"

namespace lirosa::test {
namespace {

const std::string kPrefix = "Unable to open hyperlink:\n\n";

struct ReasonRow {
  const char* name;
  int code;
  std::string reason;
};

class LinkReasonTest : public ::testing::TestWithParam<ReasonRow> {};

TEST_P(LinkReasonTest, MessageIsThePrefixAndTheReason) {
  EXPECT_EQ(LinkErrorMessage(GetParam().code), kPrefix + GetParam().reason);
  EXPECT_FALSE(LinkOpened(GetParam().code));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, LinkReasonTest,
    ::testing::Values(
        ReasonRow{"OutOfResources", 0, "The operating system is out\nof memory or resources."},
        ReasonRow{"FileNotFound", 2, "The specified file was not found."},
        ReasonRow{"AccessDenied", 5, "The operating system denied\naccess to the specified file."},
        ReasonRow{"SharingViolationKeepsItsTrailingSpace", 26, "A sharing violation occurred. "},
        ReasonRow{"DdeBusy", 30,
                  "The DDE transaction could not\nbe completed because other DDE transactions\n"
                  "were being processed."},
        ReasonRow{"NoHandler", 31,
                  "There is no application associated\nwith the given filename extension."},
        ReasonRow{"NoLibrary", 32, "The specified dynamic-link library was not found."},
        ReasonRow{"FourIsUnknown", 4, "Unknown Error (4) occurred."},
        ReasonRow{"OneIsUnknown", 1, "Unknown Error (1) occurred."},
        ReasonRow{"NegativeIsUnknown", -7, "Unknown Error (-7) occurred."}),
    [](const ::testing::TestParamInfo<ReasonRow>& info) { return std::string(info.param.name); });

TEST(LinkCodeTest, AboveThirtyTwoIsSuccess) {
  EXPECT_FALSE(LinkOpened(32));
  EXPECT_TRUE(LinkOpened(33));
  EXPECT_TRUE(LinkOpened(kLinkOpened));
}

TEST(LinkCodeTest, EveryFailureTheOpenerCanReportGetsAFailureCode) {
  for (int status = 1; status < 256; ++status) {
    EXPECT_FALSE(LinkOpened(LinkCodeForOpenerExit(status))) << status;
  }
  EXPECT_TRUE(LinkOpened(LinkCodeForOpenerExit(0)));
  for (int error = 1; error < 134; ++error) {
    EXPECT_FALSE(LinkOpened(LinkCodeForErrno(error))) << error;
  }
}

TEST(LinkCodeTest, WhatFailedPicksTheMatchingReason) {
  EXPECT_EQ(LinkCodeForOpenerExit(2), kLinkFileNotFound);
  EXPECT_EQ(LinkCodeForOpenerExit(3), kLinkNoHandler);
  EXPECT_EQ(LinkErrorMessage(LinkCodeForOpenerExit(4)), kPrefix + "Unknown Error (4) occurred.");
  EXPECT_EQ(LinkCodeForErrno(ENOENT), kLinkNoHandler);  // no opener installed
  EXPECT_EQ(LinkCodeForErrno(EACCES), kLinkAccessDenied);
  EXPECT_EQ(LinkCodeForErrno(ENOMEM), kLinkOutOfMemory);
  EXPECT_EQ(LinkCodeForErrno(EAGAIN), kLinkOutOfResources);
}

// ---- Shrinking a static to its text ----------------------------------------------

struct FitRow {
  const char* name;
  Rect control;
  int textWidth;
  int textHeight;
  StaticStyle style;
  Rect fitted;
};

class FitToTextTest : public ::testing::TestWithParam<FitRow> {};

TEST_P(FitToTextTest, ShrinksByTheStyle) {
  const FitRow& r = GetParam();
  EXPECT_EQ(FitToText(r.control, r.textWidth, r.textHeight, r.style), r.fitted);
}

constexpr StaticStyle kLeftMiddle{TextAlign::Left, true};
constexpr StaticStyle kLeftTop{TextAlign::Left, false};
constexpr StaticStyle kRightTop{TextAlign::Right, false};
constexpr StaticStyle kCentreMiddle{TextAlign::Centre, true};

INSTANTIATE_TEST_SUITE_P(
    Styles, FitToTextTest,
    ::testing::Values(
        // The about box's link: left-aligned, vertically centred.
        FitRow{"LeftCentreImage", {10, 20, 200, 30}, 120, 15, kLeftMiddle, {10, 27, 120, 16}},
        FitRow{"LeftTop", {10, 20, 200, 30}, 120, 15, kLeftTop, {10, 20, 120, 15}},
        FitRow{"Right", {10, 20, 200, 30}, 120, 15, kRightTop, {90, 20, 120, 15}},
        // 81 spare pixels: 40 off each side, the odd one stays.
        FitRow{"CentreOddSpare", {0, 0, 201, 20}, 120, 20, kCentreMiddle, {40, 0, 121, 20}},
        // A text wider than the control grows it; -3 / 2 truncates to -1.
        FitRow{"CentreTextWider", {0, 0, 100, 12}, 103, 15, kCentreMiddle, {-1, -1, 102, 14}}),
    [](const ::testing::TestParamInfo<FitRow>& info) { return std::string(info.param.name); });

// ---- Colours and addresses -----------------------------------------------------

TEST(LinkColourTest, HoverLinkColourByState) {
  EXPECT_EQ(HoverLinkColour(false, false), (Colour{0, 0, 255}));
  EXPECT_EQ(HoverLinkColour(true, false), (Colour{0, 255, 0}));
  EXPECT_EQ(HoverLinkColour(false, true), (Colour{255, 0, 0}));
  EXPECT_EQ(HoverLinkColour(true, true), (Colour{0, 255, 0}));  // hovering wins over visited
}

TEST(LinkColourTest, StaticLinkTurnsPurpleOnceVisited) {
  EXPECT_EQ(StaticLinkColour(false), (Colour{0, 0, 255}));
  EXPECT_EQ(StaticLinkColour(true), (Colour{128, 0, 128}));
}

TEST(LinkAddressTest, PicturesShareThreeAddresses) {
  EXPECT_EQ(PictureLinkAddress(kIdLink1101), kFirstLinkAddress);
  EXPECT_EQ(PictureLinkAddress(kIdLink1100), kSecondLinkAddress);
  EXPECT_EQ(PictureLinkAddress(kIdLink1102), kThirdLinkAddress);
  EXPECT_EQ(PictureLinkAddress(kIdLink1103), kSecondLinkAddress);
  EXPECT_EQ(PictureLinkAddress(kIdStayOnTop), "");
  EXPECT_NE(std::string(kFirstLinkAddress), kThirdLinkAddress);
}

}  // namespace
}  // namespace lirosa::test
