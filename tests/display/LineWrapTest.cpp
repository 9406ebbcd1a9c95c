#include "display/LineWrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lirosa::test {
namespace {

struct WrapCase {
  const char* name;
  std::string line;
  int lineChars;
  int rows;
};

class LineWrapTest : public ::testing::TestWithParam<WrapCase> {};

TEST_P(LineWrapTest, CountsTheRowsALineTakes) {
  EXPECT_EQ(WrappedRows(GetParam().line, GetParam().lineChars), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LineWrapTest,
    ::testing::Values(
        WrapCase{"EmptyLine", "", 84, 1},
        WrapCase{"ExactlyFull", std::string(84, 'A'), 84, 1},
        WrapCase{"OneCellOver", std::string(85, 'A'), 84, 2},
        WrapCase{"ThreeHundredHexChars", std::string(300, '0'), 84, 4},
        // [ 接 收 ] is 1 + 2 + 2 + 1 cells.
        WrapCase{"WideCharactersTakeTwoCells", "[接收]", 6, 1},
        WrapCase{"TheLastCellIsLeftEmptyBeforeAWideCharacter", "ab接", 3, 2},
        WrapCase{"AWideCharacterWiderThanTheRowStandsAlone", "接收", 1, 2},
        WrapCase{"NoWidthCountsAsOneCell", "abc", 0, 3},
        WrapCase{"ReplacementCharacterIsNarrow", "\xEF\xBF\xBD\xEF\xBF\xBD", 2, 1},
        WrapCase{"FullWidthForms", "\xEF\xBC\xA1\xEF\xBC\xA1", 3, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RowBreakerTest, BreaksAsTheWholeLineCountDoesCharacterByCharacter) {
  RowBreaker breaker(4);
  EXPECT_FALSE(breaker.Place(1));
  EXPECT_FALSE(breaker.Place(2));
  EXPECT_TRUE(breaker.Place(2));  // 1 + 2 + 2 > 4
  EXPECT_EQ(breaker.Column(), 2);
  breaker.NewLine();
  EXPECT_FALSE(breaker.Place(2));
  EXPECT_EQ(breaker.Column(), 2);
}

TEST(RowBreakerTest, ARunOfNarrowCharactersBreaksAsOneAtATime) {
  // From every column a row can be left at (past the end too, after a wide
  // character on a one-cell row), for runs shorter and longer than a row.
  for (int lineChars : {1, 2, 3, 5}) {
    for (int lead = 0; lead <= 3; ++lead) {
      for (std::size_t count = 0; count <= 12; ++count) {
        RowBreaker bulk(lineChars);
        RowBreaker single(lineChars);
        for (int i = 0; i < lead; ++i) {
          bulk.Place(i == 0 ? 2 : 1);
          single.Place(i == 0 ? 2 : 1);
        }
        std::vector<std::size_t> expected, got;
        for (std::size_t i = 0; i < count; ++i) {
          if (single.Place(1)) expected.push_back(i);
        }
        bulk.PlaceSingles(count, [&](std::size_t at) { got.push_back(at); });
        EXPECT_EQ(got, expected) << lineChars << " " << lead << " " << count;
        EXPECT_EQ(bulk.Column(), single.Column()) << lineChars << " " << lead << " " << count;
      }
    }
  }
}

}  // namespace
}  // namespace lirosa::test
