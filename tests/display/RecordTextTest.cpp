#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "display/RecordText.h"

namespace lirosa {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct RenderRow {
  const char* name;
  Bytes bytes;
  std::string text;
};

void PrintTo(const RenderRow& row, std::ostream* os) { *os << row.name; }

std::string RowName(const ::testing::TestParamInfo<RenderRow>& info) { return info.param.name; }

class HexRecordTextTest : public ::testing::TestWithParam<RenderRow> {};

TEST_P(HexRecordTextTest, RendersRow) {
  const RenderRow& row = GetParam();
  EXPECT_EQ(HexRecordText(row.bytes.data(), row.bytes.size()), row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Hex, HexRecordTextTest,
    ::testing::Values(
        RenderRow{"Nothing", {}, ""},
        RenderRow{"ModbusRequest", {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}, "01 03 00 00 00 0A "},
        RenderRow{"UpperCaseBothNibbles", {0xFF, 0xA5, 0x5A, 0xC0}, "FF A5 5A C0 "}),
    RowName);

const std::string kBad = "\xEF\xBF\xBD";  // U+FFFD

class Utf8RecordTextTest : public ::testing::TestWithParam<RenderRow> {};

TEST_P(Utf8RecordTextTest, RendersRow) {
  const RenderRow& row = GetParam();
  EXPECT_EQ(Utf8RecordText(row.bytes.data(), row.bytes.size()), row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Text, Utf8RecordTextTest,
    ::testing::Values(
        RenderRow{"Ascii", {0x41, 0x42}, "AB"},
        RenderRow{"ControlBytesKept", {0x41, 0x0D, 0x0A, 0x09}, "A\r\n\t"},
        RenderRow{"ZeroByteLeftOutRestKept", {0x41, 0x42, 0x00, 0x43}, "ABC"},
        RenderRow{"LeadingAndTrailingZeros", {0x00, 0x41, 0x00, 0x00}, "A"},
        RenderRow{"OnlyZeros", {0x00, 0x00}, ""},
        RenderRow{"TwoByteSequence", {0xC3, 0xA9}, "\xC3\xA9"},
        RenderRow{"ChineseText", {0xE6, 0x8E, 0xA5, 0xE6, 0x94, 0xB6}, "接收"},
        RenderRow{"FourByteSequence", {0xF0, 0x9F, 0x98, 0x80}, "\xF0\x9F\x98\x80"},
        RenderRow{"LoneContinuationByte", {0x41, 0x80, 0x42}, "A" + kBad + "B"},
        RenderRow{"NeverValidLead", {0xC0, 0xAF}, kBad + kBad},
        RenderRow{"OverlongThreeByte", {0xE0, 0x80, 0xAF}, kBad + kBad + kBad},
        RenderRow{"Surrogate", {0xED, 0xA0, 0x80}, kBad + kBad + kBad},
        RenderRow{"PastLastCodePoint", {0xF4, 0x90, 0x80, 0x80}, kBad + kBad + kBad + kBad},
        RenderRow{"LeadF5", {0xF5, 0x41}, kBad + "A"},
        RenderRow{"TruncatedAtTheEndIsOneReplacement", {0x41, 0xE6, 0x8E}, "A" + kBad},
        RenderRow{"TruncatedBeforeAscii", {0xE6, 0x8E, 0x41}, kBad + "A"},
        RenderRow{"ZeroInsideASequenceBreaksIt", {0xE6, 0x00, 0x8E, 0xA5}, kBad + kBad + kBad},
        // 你好 in GBK: not UTF-8, so it cannot reach the display as it is.
        RenderRow{"GbkBytes", {0xC4, 0xE3, 0xBA, 0xC3}, kBad + kBad + kBad}),
    RowName);

TEST(TimeStampTextTest, EveryFieldIsZeroPadded) {
  std::tm early{};
  early.tm_year = 124;
  early.tm_mon = 0;
  early.tm_mday = 2;
  early.tm_hour = 3;
  early.tm_min = 4;
  early.tm_sec = 5;
  EXPECT_EQ(TimeStampText(early), "[2024:01:02:03:04:05]");

  std::tm late{};
  late.tm_year = 99;
  late.tm_mon = 11;
  late.tm_mday = 31;
  late.tm_hour = 23;
  late.tm_min = 59;
  late.tm_sec = 59;
  EXPECT_EQ(TimeStampText(late), "[1999:12:31:23:59:59]");
}

TEST(CharacterCountTest, CountsCodePointsNotBytes) {
  EXPECT_EQ(CharacterCount(""), 0u);
  EXPECT_EQ(CharacterCount("01 03 "), 6u);
  EXPECT_EQ(CharacterCount("[接收]A\xF0\x9F\x98\x80"), 6u);
  // Counted eight bytes at a time: every character kind at every offset
  // of a word, and tails of every length.
  for (const std::string wide : {"\xC3\xA9", "接", "\xF0\x9F\x98\x80"}) {
    for (std::size_t before = 0; before < 17; ++before) {
      const std::string text = std::string(before, 'A') + wide + std::string(before % 5, 'B');
      EXPECT_EQ(CharacterCount(text), before + 1 + before % 5) << before;
    }
  }
}

}  // namespace
}  // namespace lirosa
