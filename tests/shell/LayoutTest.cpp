#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "app/ControlIds.h"
#include "shell/Layout.h"
#include "support/DialogFixture.h"

namespace lirosa::test {
namespace {

// ---- The arithmetic, one row per screen -----------------------------------------

struct ScreenCase {
  const char* name;
  ScreenSize screen;
  Rect display;
  int requestWidth;
  int requestTops[3];
  int lineChars;
  int displayRows;
};

class MaximizedScreenTest : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(MaximizedScreenTest, DisplayRequestEditsAndDisplayGeometry) {
  const ScreenCase& c = GetParam();
  std::map<int, Rect> at;
  for (const Placement& p : MaximizedPlacements(c.screen)) at[p.id] = p.geometry;
  EXPECT_EQ(at[kIdTrafficView], c.display);
  const int requests[3] = {kIdRequest1, kIdRequest2, kIdRequest3};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(at[requests[i]], (Rect{168, c.requestTops[i], c.requestWidth, 30}))
        << "request " << i + 1;
  }
  EXPECT_EQ(MaximizedDisplayGeometry(c.screen), (DisplayGeometry{c.lineChars, c.displayRows}));
}

INSTANTIATE_TEST_SUITE_P(
    Screens, MaximizedScreenTest,
    ::testing::Values(
        // k = 109 is odd and rounds up.
        ScreenCase{"s1024x768", {1024, 768}, {296, 6, 714, 498}, 694, {516, 546, 576}, 110, 29},
        ScreenCase{"s800x600", {800, 600}, {296, 6, 490, 330}, 470, {348, 378, 408}, 82, 18},
        // k = 141; 754 / 16 - 2 = 45.
        ScreenCase{"s1280x1024", {1280, 1024}, {296, 6, 970, 754}, 950, {772, 802, 832}, 142, 45},
        // k = 130 is even and stays.
        ScreenCase{"s1190x700", {1190, 700}, {296, 6, 880, 430}, 860, {448, 478, 508}, 130, 24}),
    [](const ::testing::TestParamInfo<ScreenCase>& info) { return std::string(info.param.name); });

TEST(LayoutRowsTest, EveryRowMovesDownByTheShiftUnlessItFollowsTheScreen) {
  const ScreenSize screen{1024, 768};
  const int shift = 228;
  std::map<int, Rect> at;
  for (const Placement& p : MaximizedPlacements(screen)) at[p.id] = p.geometry;
  const std::set<int> own = {kIdRequestGroup, kIdRequest1, kIdRequest2, kIdRequest3, kIdLink1100,
                             kIdLink1101, kIdLink1102, kIdLink1103, kIdCyclePeriod};
  for (const LayoutRow& row : LayoutRows()) {
    if (own.contains(row.id)) continue;
    const Rect& r = row.restored;
    EXPECT_EQ(at[row.id], (Rect{r.x, r.y + shift, r.width, r.height})) << row.id;
  }
  EXPECT_EQ(at[kIdRequestGroup], (Rect{10, 504, 1000, 106}));
  EXPECT_EQ(at[kIdLink1100], (Rect{864, 516, 70, 45}));
  EXPECT_EQ(at[kIdLink1101], (Rect{934, 516, 70, 45}));
  EXPECT_EQ(at[kIdLink1102], (Rect{864, 562, 70, 45}));
  EXPECT_EQ(at[kIdLink1103], (Rect{934, 562, 70, 45}));
  EXPECT_EQ(at[kIdCyclePeriod], (Rect{140, 632, 40, 20}));
}

TEST(LayoutRowsTest, TheTableHoldsFiftySixDistinctControls) {
  std::set<int> ids;
  for (const LayoutRow& row : LayoutRows()) ids.insert(row.id);
  EXPECT_EQ(ids.size(), LayoutRows().size());
  EXPECT_EQ(ids.size(), 56u);
  EXPECT_FALSE(ids.contains(kIdTrafficView));
  EXPECT_FALSE(ids.contains(kIdStayOnTop));
}

TEST(LayoutRowsTest, TheMaximizedOrderMovesThePacingRadiosBeforeTheOnceBox) {
  std::vector<int> restored;
  for (const Placement& p : RestoredPlacements()) restored.push_back(p.id);
  std::vector<int> maximized;
  for (const Placement& p : MaximizedPlacements({1024, 768})) maximized.push_back(p.id);

  ASSERT_EQ(restored.front(), kIdTrafficView);
  ASSERT_EQ(maximized.front(), kIdTrafficView);
  const auto once = std::find(restored.begin(), restored.end(), kIdSendOnce);
  ASSERT_LE(once + 3, restored.end());
  EXPECT_EQ(std::vector<int>(once, once + 3),
            (std::vector<int>{kIdSendOnce, kIdPacingResponse, kIdPacingPeriodic}));

  std::vector<int> expected = restored;
  const auto at = expected.begin() + (once - restored.begin());
  std::reverse(at, at + 3);
  EXPECT_EQ(maximized, expected);
}

TEST(LayoutRowsTest, ASmallScreenGivesEmptyControlsNotNegativeSizes) {
  for (const Placement& p : MaximizedPlacements({320, 240})) {
    EXPECT_GE(p.geometry.width, 0) << p.id;
    EXPECT_GE(p.geometry.height, 0) << p.id;
  }
  const DisplayGeometry g = MaximizedDisplayGeometry({320, 240});
  EXPECT_GE(g.lineChars, 1);
  EXPECT_GE(g.displayRows, 1);
}

// ---- The window handling its size events -------------------------------------

class LayoutTest : public DialogFixture {
 protected:
  void SetUp() override { Start(); }
  void Size(SizeKind kind) { dialog->OnSize(kind, 0, 0); }
};

TEST_F(LayoutTest, RestoreBeforeAnyMaximizeMovesNothing) {
  controls.moves.clear();
  Size(SizeKind::Restored);
  Size(SizeKind::Minimized);
  Size(SizeKind::Restored);
  EXPECT_TRUE(controls.moves.empty());
  EXPECT_EQ(dialog->lineChars, 84);
  EXPECT_EQ(dialog->displayRows, 15);
  EXPECT_FALSE(dialog->maximizedOnce);
}

TEST_F(LayoutTest, MaximizeUsesTheScreenNotTheEventSize) {
  window.screen = {800, 600};
  dialog->OnSize(SizeKind::Maximized, 1920, 1080);
  EXPECT_EQ(controls.Geometry(kIdTrafficView), (Rect{296, 6, 490, 330}));
  EXPECT_EQ(dialog->lineChars, 82);
  EXPECT_EQ(dialog->displayRows, 18);
  EXPECT_TRUE(dialog->maximizedOnce);
}

TEST_F(LayoutTest, MaximizeMovesEveryControlOnceInOrderAndHidesTheStayOnTopButton) {
  controls.moves.clear();
  Size(SizeKind::Maximized);
  std::vector<int> expected;
  for (const Placement& p : MaximizedPlacements(window.screen)) expected.push_back(p.id);
  EXPECT_EQ(controls.moves, expected);
  EXPECT_FALSE(controls.IsVisible(kIdStayOnTop));
}

TEST_F(LayoutTest, RestoreAfterMaximizeAppliesThePixelLayout) {
  Size(SizeKind::Maximized);
  EXPECT_EQ(controls.Geometry(kIdCyclePeriod), (Rect{140, 632, 40, 20}));
  controls.moves.clear();
  Size(SizeKind::Restored);

  EXPECT_EQ(controls.Geometry(kIdCyclePeriod), (Rect{140, 406, 46, 18}));
  EXPECT_EQ(controls.Geometry(kIdTrafficView), (Rect{296, 6, 483, 270}));
  EXPECT_EQ(controls.Geometry(kIdLink1100), (Rect{638, 287, 70, 45}));
  EXPECT_EQ(controls.Geometry(kIdLink1103), (Rect{708, 333, 70, 45}));
  EXPECT_EQ(controls.Geometry(kIdRequest2), (Rect{168, 318, 468, 30}));
  EXPECT_EQ(dialog->lineChars, 84);
  EXPECT_EQ(dialog->displayRows, 15);
  EXPECT_TRUE(controls.IsVisible(kIdStayOnTop));
  EXPECT_FALSE(controls.IsVisible(kIdHiddenStatic));
  std::vector<int> expected;
  for (const Placement& p : RestoredPlacements()) expected.push_back(p.id);
  EXPECT_EQ(controls.moves, expected);
}

TEST_F(LayoutTest, RestoringTwiceGivesTheSameGeometry) {
  Size(SizeKind::Maximized);
  Size(SizeKind::Restored);
  std::map<int, Rect> first;
  for (const Placement& p : RestoredPlacements()) first[p.id] = controls.Geometry(p.id);
  Size(SizeKind::Minimized);
  Size(SizeKind::Restored);
  for (const Placement& p : RestoredPlacements()) {
    EXPECT_EQ(controls.Geometry(p.id), first[p.id]) << p.id;
  }
  EXPECT_TRUE(controls.IsVisible(kIdStayOnTop));
}

TEST_F(LayoutTest, MinimizingChangesNothing) {
  Size(SizeKind::Maximized);
  controls.moves.clear();
  Size(SizeKind::Minimized);
  Size(SizeKind::Other);
  EXPECT_TRUE(controls.moves.empty());
  EXPECT_FALSE(controls.IsVisible(kIdStayOnTop));
  EXPECT_EQ(dialog->lineChars, 110);
}

TEST_F(LayoutTest, StayOnTopKeepsItsStateThroughMaximizeAndRestore) {
  dialog->OnCommand(kIdStayOnTop, Notification::Clicked);
  Size(SizeKind::Maximized);
  Size(SizeKind::Restored);
  EXPECT_TRUE(dialog->stayOnTop);
  EXPECT_TRUE(window.stayOnTop);
}

}  // namespace
}  // namespace lirosa::test
