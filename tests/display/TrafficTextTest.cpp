#include "display/TrafficText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "display/LineWrap.h"

namespace lirosa::test {
namespace {

std::string All(const TrafficText& text) { return text.Text(text.Begin(), text.End()); }

// The rows of everything held, counted from scratch line by line.
int BruteForceRows(const TrafficText& text) {
  const std::string all = All(text);
  int rows = 0;
  std::size_t from = 0;
  for (;;) {
    const std::size_t cr = all.find('\r', from);
    rows += WrappedRows(all.substr(from, cr - from), text.LineChars());
    if (cr == std::string::npos) return rows;
    from = cr + 1;
  }
}

std::size_t CodePoints(const std::string& utf8) {
  std::size_t count = 0;
  for (unsigned char byte : utf8) count += (byte & 0xC0) != 0x80;
  return count;
}

// Every row, put back together with its line breaks, is the text held.
std::string FromRows(const TrafficText& text) {
  std::string joined;
  for (std::uint64_t row = text.FirstRow(); row < text.EndRow(); ++row) {
    if (row > text.FirstRow() && text.RowStart(row) > text.RowEnd(row - 1)) joined += '\r';
    joined += text.Text(text.RowStart(row), text.RowEnd(row));
  }
  return joined;
}

void ExpectConsistent(const TrafficText& text) {
  ASSERT_EQ(text.LineCount(), BruteForceRows(text));
  const std::string all = All(text);
  ASSERT_EQ(text.TextLength(), CodePoints(all));
  ASSERT_EQ(FromRows(text), all);
}

TEST(TrafficTextTest, EachKindOfLineBreakIsOneCr) {
  TrafficText text(84);
  text.Append("a\r\nb\nc\rd", kReceivedColour);
  EXPECT_EQ(All(text), "a\rb\rc\rd");
  EXPECT_EQ(text.LineCount(), 4);
  EXPECT_EQ(text.TextLength(), 7u);
  // A CR LF split between two records is still one break.
  text.Append("x\r", kSentColour);
  text.Append("\ny", kSentColour);
  EXPECT_EQ(All(text), "a\rb\rc\rdx\ry");
  EXPECT_EQ(text.LineCount(), 5);
}

TEST(TrafficTextTest, InvalidUtf8IsShownAsReplacementCharacters) {
  TrafficText text(84);
  text.Append("A\xFF" "B\xC3", kReceivedColour);
  text.Append("\xED\xA0\x80" "\xC3\xA9" "\xE6\x8E\xA5", kReceivedColour);
  EXPECT_EQ(All(text), "A\xEF\xBF\xBD" "B\xEF\xBF\xBD" "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
                       "\xC3\xA9\xE6\x8E\xA5");
  EXPECT_EQ(text.TextLength(), 9u);
  EXPECT_EQ(text.Records(), 2u);
}

TEST(TrafficTextTest, ColoursFollowTheRecords) {
  TrafficText text(84);
  text.Append("01 03 ", kReceivedColour);
  text.Append("\r[发送]41 ", kSentColour);
  EXPECT_EQ(text.ColourAt(0), kReceivedColour);
  EXPECT_EQ(text.ColourAt(5), kReceivedColour);
  EXPECT_EQ(text.NextRecordStart(0), 6u);
  EXPECT_EQ(text.ColourAt(6), kSentColour);
  EXPECT_EQ(text.NextRecordStart(6), text.End());
}

TEST(TrafficTextTest, RowCountsStayEqualToACountFromScratch) {
  std::mt19937 random(15);
  const std::vector<std::string> pieces = {"01 ", "AB", "\r", "[接收]", "\n", "\xC3\xA9",
                                           std::string(97, 'F'), "\r\n", "全角"};
  for (int lineChars : {1, 3, 7, 84}) {
    TrafficText text(lineChars);
    for (int record = 0; record < 300; ++record) {
      std::string piece;
      const int parts = static_cast<int>(random() % 6);
      for (int i = 0; i < parts; ++i) piece += pieces[random() % pieces.size()];
      text.Append(piece, record % 2 ? kSentColour : kReceivedColour);
      ASSERT_NO_FATAL_FAILURE(ExpectConsistent(text)) << lineChars << " record " << record;
    }
    // A new width breaks everything again, the same as from scratch.
    for (int width : {5, 2, 84, lineChars}) {
      text.SetLineChars(width);
      ASSERT_NO_FATAL_FAILURE(ExpectConsistent(text)) << "width " << width;
    }
  }
}

TEST(TrafficTextTest, ARowIsFoundFromAnyPositionInIt) {
  TrafficText text(4);
  text.Append("abcdefghij\rxy", kReceivedColour);
  // abcd | efgh | ij CR | xy
  ASSERT_EQ(text.LineCount(), 4);
  EXPECT_EQ(text.RowOf(0), 0u);
  EXPECT_EQ(text.RowOf(3), 0u);
  EXPECT_EQ(text.RowOf(4), 1u);
  EXPECT_EQ(text.RowOf(10), 2u);  // the CR belongs to its line's last row
  EXPECT_EQ(text.RowOf(11), 3u);
  EXPECT_EQ(text.RowEnd(2), 10u);
  EXPECT_EQ(text.RowStart(3), 11u);
}

TEST(TrafficTextTest, ClearEmptiesAndNumbersGoOn) {
  TrafficText text(84);
  text.Append("abc\rdef", kSentColour);
  const std::uint64_t end = text.End();
  const std::uint64_t rows = text.EndRow();
  text.Clear();
  EXPECT_EQ(text.TextLength(), 0u);
  EXPECT_EQ(text.LineCount(), 1);
  EXPECT_EQ(text.Records(), 0u);
  EXPECT_EQ(text.Begin(), end);
  EXPECT_GE(text.FirstRow(), rows);
  // An LF right after a clear is a break of its own, not the pair of a CR.
  text.Append("\nx", kSentColour);
  EXPECT_EQ(All(text), "\rx");
}

struct CapacityCase {
  const char* name;
  TrafficText::Limits limits;
  std::string record;
  std::size_t keptAtLeast;  // records
  std::size_t keptAtMost;
};

class TrafficTextCapacityTest : public ::testing::TestWithParam<CapacityCase> {};

TEST_P(TrafficTextCapacityTest, DropsTheOldestInSmallStepsAndKeepsTheNewest) {
  const CapacityCase& c = GetParam();
  TrafficText text(20, c.limits);
  std::size_t trims = 0;
  for (int i = 0; i < 5000; ++i) {
    text.Append("\r" + std::to_string(100000 + i) + c.record, kReceivedColour);
    if (text.Trims() != trims) {
      trims = text.Trims();
      // Each trim goes back to the limits, not below what they promise.
      ASSERT_GE(text.Records() + 1, c.keptAtLeast) << "record " << i;
    }
    ASSERT_LE(text.Records(), c.keptAtMost) << "record " << i;
  }
  EXPECT_GT(text.Trims(), 1u);
  const std::string all = All(text);
  EXPECT_NE(all.find("104999" + c.record), std::string::npos);
  EXPECT_EQ(all.find("100000"), std::string::npos);
  EXPECT_LE(text.Bytes(), c.limits.bytes + c.limits.bytes / 16);
  EXPECT_LE(static_cast<std::size_t>(text.LineCount()), c.limits.rows + c.limits.rows / 16);
  ASSERT_NO_FATAL_FAILURE(ExpectConsistent(text));
}

INSTANTIATE_TEST_SUITE_P(
    Limits, TrafficTextCapacityTest,
    ::testing::Values(
        // 13 bytes a record: the record limit is reached first.
        CapacityCase{"Records", {320, 1 << 20, 1 << 20}, " 01 02", 319, 340},
        // 1 + 6 + 100 bytes a record: the byte limit comes first, 16 KiB.
        CapacityCase{"Bytes", {1 << 20, 16 << 10, 1 << 20}, " " + std::string(100, 'A'), 150,
                     175},
        // 6 rows of 20 cells a record: the row limit comes first.
        CapacityCase{"Rows", {1 << 20, 1 << 20, 600}, " " + std::string(110, 'B'), 99, 107}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TrafficTextTest, TextIsKeptAcrossChunkBoundaries) {
  TrafficText text(84);
  const std::string record = "\r[接收]" + std::string(200, '7');
  std::string expected;
  while (expected.size() < 3 * TrafficText::kChunkBytes) {
    text.Append(record, kReceivedColour);
    expected += record;
  }
  EXPECT_EQ(All(text), expected);
  EXPECT_EQ(text.TextLength(), CodePoints(expected));
  text.SetLineChars(50);
  EXPECT_EQ(text.LineCount(), BruteForceRows(text));
}

TEST(TrafficTextTest, ANewWidthBreaksCharactersThatStraddleChunksAsFromScratch) {
  // Three-byte characters only: 2^20 is not a multiple of 3, so a
  // character goes on past every chunk's end.
  TrafficText text(84);
  std::string record;
  for (int i = 0; i < 100; ++i) record += "接";
  while (text.Bytes() < 2 * TrafficText::kChunkBytes + 7) text.Append(record, kReceivedColour);
  for (int width : {7, 2, 1}) {
    text.SetLineChars(width);
    ASSERT_NO_FATAL_FAILURE(ExpectConsistent(text)) << "width " << width;
  }
}

}  // namespace
}  // namespace lirosa::test
