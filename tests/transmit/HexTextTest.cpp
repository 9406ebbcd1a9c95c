#include "transmit/HexText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lirosa {
namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Strip { Either, Set, Clear };

struct ParseRow {
  const char* name;
  std::string text;
  Strip strip;
  HexParseResult result;
  Bytes bytes;
};

class HexTextToBytesTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(HexTextToBytesTest, ParsesRow) {
  const ParseRow& row = GetParam();
  std::vector<bool> flags;
  if (row.strip != Strip::Clear) {
    flags.push_back(true);
  }
  if (row.strip != Strip::Set) {
    flags.push_back(false);
  }
  for (const bool strip : flags) {
    SCOPED_TRACE(strip ? "strip set" : "strip clear");
    // Junk from an earlier call must not survive: the output is replaced.
    Bytes out{0xEE, 0xEE, 0xEE};
    EXPECT_EQ(HexTextToBytes(row.text, strip, out), row.result);
    EXPECT_EQ(out, row.bytes);
  }
}

const HexParseResult kOk = HexParseResult::Ok;
const HexParseResult kInvalid = HexParseResult::InvalidCharacter;

INSTANTIATE_TEST_SUITE_P(
    Grammar, HexTextToBytesTest,
    ::testing::Values(
        ParseRow{"Empty", "", Strip::Either, kOk, {}},
        ParseRow{"OnlySpaces", "   ", Strip::Either, kOk, {}},
        ParseRow{"ModbusRequest", "01 03 00 00 00 0A", Strip::Either, kOk, {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}},
        ParseRow{"OddGroupEndsInLoneDigit", "ABC", Strip::Either, kOk, {0xAB, 0x0C}},
        ParseRow{"SingleDigit", "F", Strip::Either, kOk, {0x0F}},
        ParseRow{"LoneDigitGroups", "A B D", Strip::Either, kOk, {0x0A, 0x0B, 0x0D}},
        ParseRow{"PairsFromTheLeft", "A1B2C", Strip::Either, kOk, {0xA1, 0xB2, 0x0C}},
        ParseRow{"SpaceSeparatesDigits", "1 2", Strip::Either, kOk, {0x01, 0x02}},
        ParseRow{"StrippedLineBreakJoinsDigits", "1\r\n2", Strip::Set, kOk, {0x12}},
        ParseRow{"StrippedLineBreakBetweenGroups", "01 03\r\n00 0A", Strip::Set, kOk, {0x01, 0x03, 0x00, 0x0A}},
        ParseRow{"StrippedTabJoinsDigits", "0\t1", Strip::Set, kOk, {0x01}},
        ParseRow{"TabWithoutStrip", "0\t1", Strip::Clear, kInvalid, {}},
        ParseRow{"LineBreakWithoutStrip", "01\r\n02", Strip::Clear, kInvalid, {}},
        ParseRow{"ExtraSpacesAround", "  0A   FF  ", Strip::Either, kOk, {0x0A, 0xFF}},
        ParseRow{"LowerCaseDigits", "0a ff", Strip::Either, kInvalid, {}},
        ParseRow{"HexPrefix", "0X0A", Strip::Either, kInvalid, {}},
        ParseRow{"Comma", "01,02", Strip::Either, kInvalid, {}},
        ParseRow{"Semicolon", "01;02", Strip::Either, kInvalid, {}},
        ParseRow{"Hyphen", "01-02", Strip::Either, kInvalid, {}},
        ParseRow{"NonAscii", "01 \xC3\xA9", Strip::Either, kInvalid, {}},
        ParseRow{"InvalidAfterValidBytes", "01 02 03 G", Strip::Either, kInvalid, {}},
        ParseRow{"EmbeddedZeroByte", std::string("01\0" "02", 5), Strip::Either, kInvalid, {}}),
    [](const ::testing::TestParamInfo<ParseRow>& info) { return std::string(info.param.name); });

TEST(HexTextToBytesLongLine, JoinsAcrossManyStrippedBreaksInOnePass) {
  // A 100 000-character file line with a break after every two digits: all
  // 50 000 digits form one group once the breaks are gone.
  std::string text;
  for (int i = 0; i < 25000; ++i) {
    text += "A5\r\n";
  }
  ASSERT_EQ(text.size(), 100000u);
  Bytes out;
  ASSERT_EQ(HexTextToBytes(text, true, out), kOk);
  EXPECT_EQ(out, Bytes(25000, 0xA5));
}

TEST(HexTextToBytesLongLine, OddDigitCountAcrossBreaksShiftsPairs) {
  // Breaks between single digits do not restart pairing: "1\n23\n4" is 12 34.
  Bytes out;
  ASSERT_EQ(HexTextToBytes("1\n23\n4", true, out), kOk);
  EXPECT_EQ(out, (Bytes{0x12, 0x34}));
}

TEST(HexDigitValue, IsIndexInDigitTableAndZeroOtherwise) {
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(HexDigitValue(kHexDigits[i]), i) << kHexDigits[i];
  }
  for (const char c : {'a', 'f', 'G', 'x', ' ', '\0', '/', ':', '@'}) {
    EXPECT_EQ(HexDigitValue(c), 0) << static_cast<int>(c);
  }
}

struct EncodeRow {
  const char* name;
  std::string text;
  bool hexForm;
  HexParseResult result;
  Bytes bytes;
};

class EncodeRequestTest : public ::testing::TestWithParam<EncodeRow> {};

TEST_P(EncodeRequestTest, EncodesRow) {
  const EncodeRow& row = GetParam();
  Bytes out{0xEE};
  EXPECT_EQ(EncodeRequest(row.text, row.hexForm, out), row.result);
  EXPECT_EQ(out, row.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, EncodeRequestTest,
    ::testing::Values(
        EncodeRow{"HexUpperCasesFirst", "0a ff", true, kOk, {0x0A, 0xFF}},
        EncodeRow{"HexRejectsPrefix", "0x0A", true, kInvalid, {}},
        EncodeRow{"HexStripsLineBreaks", "01 03\r\n00 0a", true, kOk, {0x01, 0x03, 0x00, 0x0A}},
        EncodeRow{"HexRejectsNonAscii", "\xD0\xB0\xD0\xB1", true, kInvalid, {}},
        EncodeRow{"HexEmpty", "", true, kOk, {}},
        EncodeRow{"TextCopiesLineBreak", "AB\r\n", false, kOk, {0x41, 0x42, 0x0D, 0x0A}},
        EncodeRow{"TextEmpty", "", false, kOk, {}},
        EncodeRow{"TextKeepsCaseAndPrefix", "0x0a", false, kOk, {0x30, 0x78, 0x30, 0x61}},
        EncodeRow{"TextKeepsUtf8", "\xC3\xA9", false, kOk, {0xC3, 0xA9}}),
    [](const ::testing::TestParamInfo<EncodeRow>& info) { return std::string(info.param.name); });

TEST(EncodeRequest, LeavesCallersTextUnchanged) {
  const std::string text = "0a\r\nff";
  Bytes out;
  ASSERT_EQ(EncodeRequest(text, true, out), kOk);
  EXPECT_EQ(text, "0a\r\nff");
}

TEST(AppendHexByte, AppendsSpaceAndTwoUpperCaseDigits) {
  std::string text = "01 03";
  AppendHexByte(text, 0x0E);
  EXPECT_EQ(text, "01 03 0E");
  AppendHexByte(text, 0xC5);
  EXPECT_EQ(text, "01 03 0E C5");

  std::string endsInSpace = "AB ";
  AppendHexByte(endsInSpace, 0x00);
  EXPECT_EQ(endsInSpace, "AB  00");
}

TEST(AppendHexByte, EveryByteParsesBackToItself) {
  for (int value = 0; value < 256; ++value) {
    std::string text;
    AppendHexByte(text, static_cast<std::uint8_t>(value));
    Bytes out;
    ASSERT_EQ(HexTextToBytes(text, false, out), kOk) << text;
    EXPECT_EQ(out, Bytes{static_cast<std::uint8_t>(value)}) << text;
  }
}

TEST(UpperCase, ChangesOnlyAsciiLetters) {
  EXPECT_EQ(UpperCase("0a ff az"), "0A FF AZ");
  // The neighbours of a-z in ASCII stay as they are.
  EXPECT_EQ(UpperCase("`{@["), "`{@[");
  // Cyrillic and Latin-1 letters in UTF-8 are left byte for byte.
  const std::string utf8 = "\xD0\xBF\xD1\x80\xD0\xB8 ab \xC3\xA9";
  EXPECT_EQ(UpperCase(utf8), "\xD0\xBF\xD1\x80\xD0\xB8 AB \xC3\xA9");
}

}  // namespace
}  // namespace lirosa
