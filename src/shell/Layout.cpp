#include "shell/Layout.h"

#include <algorithm>
#include <cassert>

#include "app/ControlIds.h"

namespace lirosa {

namespace {

constexpr int kRequestAreaTop = 540;  // D = H - 540
constexpr int kDisplayLeft = 296;
constexpr int kDisplayTop = 6;
constexpr int kDisplayRightMargin = 310;
constexpr int kDisplayBottomMargin = 270;

// A control that keeps its restored size and only moves down by D.
LayoutRow Shifted(int id, int x, int y, int width, int height) {
  const Rect r{x, y, width, height};
  return {id, r, r, false, false};
}

LayoutRow Own(int id, Rect restored, Rect maximized, bool xFollowsScreen, bool widthFollowsScreen) {
  return {id, restored, maximized, xFollowsScreen, widthFollowsScreen};
}

std::vector<LayoutRow> MakeRows() {
  std::vector<LayoutRow> rows;
  rows.push_back(Own(kIdRequestGroup, {10, 276, 770, 106}, {10, 276, -24, 106}, false, true));
  rows.push_back(Shifted(kIdCycleGroup, 10, 387, 300, 94));
  rows.push_back(Shifted(kIdPropsGroup1, 315, 387, 150, 94));
  rows.push_back(Shifted(kIdPropsGroup2, 470, 387, 150, 94));
  rows.push_back(Shifted(kIdPropsGroup3, 625, 387, 154, 94));
  const int requestLabels[3] = {kIdLabelRequest1, kIdLabelRequest2, kIdLabelRequest3};
  for (int i = 0; i < 3; ++i) rows.push_back(Shifted(requestLabels[i], 21, 297 + 30 * i, 45, 20));
  rows.push_back(Shifted(kIdLabelTimeout, 21, 457, 50, 20));
  rows.push_back(Shifted(kIdLabelTimeoutUnit, 107, 457, 15, 20));
  rows.push_back(Shifted(kIdLabelPeriod1, 320, 457, 50, 20));
  rows.push_back(Shifted(kIdLabelMs1, 430, 457, 15, 20));
  rows.push_back(Shifted(kIdLabelPeriod2, 480, 457, 50, 20));
  rows.push_back(Shifted(kIdLabelMs2, 585, 457, 15, 20));
  rows.push_back(Shifted(kIdLabelPeriod3, 634, 457, 50, 20));
  rows.push_back(Shifted(kIdLabelMs3, 740, 457, 15, 20));
  rows.push_back(Shifted(kIdLabelRetry, 127, 457, 50, 20));
  rows.push_back(Shifted(kIdLabelCyclePeriod, 108, 410, 30, 20));
  rows.push_back(Shifted(kIdLabelCycleMs, 192, 410, 15, 20));
  rows.push_back(Shifted(kIdResponseTimeout, 75, 453, 30, 20));
  rows.push_back(Shifted(kIdRetryLimit, 180, 453, 30, 20));
  rows.push_back(Shifted(kIdPeriod1, 380, 453, 40, 20));
  rows.push_back(Shifted(kIdPeriod2, 540, 453, 40, 20));
  rows.push_back(Shifted(kIdPeriod3, 690, 453, 40, 20));
  rows.push_back(Own(kIdRequest1, {168, 288, 468, 30}, {168, 288, -330, 30}, false, true));
  rows.push_back(Own(kIdRequest2, {168, 318, 468, 30}, {168, 318, -330, 30}, false, true));
  rows.push_back(Own(kIdRequest3, {168, 348, 468, 30}, {168, 348, -330, 30}, false, true));
  // The pictures sit one pixel higher when restored than the maximized
  // arrangement's shifted positions.
  rows.push_back(Own(kIdLink1100, {638, 287, 70, 45}, {-160, 288, 70, 45}, true, false));
  rows.push_back(Own(kIdLink1101, {708, 287, 70, 45}, {-90, 288, 70, 45}, true, false));
  rows.push_back(Own(kIdLink1102, {638, 333, 70, 45}, {-160, 334, 70, 45}, true, false));
  rows.push_back(Own(kIdLink1103, {708, 333, 70, 45}, {-90, 334, 70, 45}, true, false));
  rows.push_back(Own(kIdCyclePeriod, {140, 406, 46, 18}, {140, 404, 40, 20}, false, false));
  const int clearButtons[3] = {kIdClear1, kIdClear2, kIdClear3};
  for (int i = 0; i < 3; ++i) rows.push_back(Shifted(clearButtons[i], 70, 291 + 30 * i, 35, 20));
  const int sendButtons[3] = {kIdSend1, kIdSend2, kIdSend3};
  for (int i = 0; i < 3; ++i) rows.push_back(Shifted(sendButtons[i], 107, 291 + 30 * i, 55, 20));
  rows.push_back(Shifted(kIdChecksum1, 388, 408, 40, 20));
  rows.push_back(Shifted(kIdChecksum2, 540, 408, 40, 20));
  rows.push_back(Shifted(kIdChecksum3, 696, 408, 40, 20));
  rows.push_back(Shifted(kIdChooseSendFile, 218, 404, 86, 22));
  rows.push_back(Shifted(kIdFileCycling, 218, 428, 86, 22));
  rows.push_back(Shifted(kIdAllRequests, 218, 452, 86, 22));
  rows.push_back(Shifted(kIdSendOnce, 18, 405, 100, 22));
  rows.push_back(Shifted(kIdPacingResponse, 18, 430, 140, 22));
  rows.push_back(Shifted(kIdPacingPeriodic, 168, 430, 60, 22));
  rows.push_back(Shifted(kIdHex1, 324, 405, 80, 22));
  rows.push_back(Shifted(kIdHex2, 477, 405, 80, 22));
  rows.push_back(Shifted(kIdHex3, 632, 405, 80, 22));
  rows.push_back(Shifted(kIdAuto1, 324, 428, 60, 22));
  rows.push_back(Shifted(kIdAuto2, 477, 428, 60, 22));
  rows.push_back(Shifted(kIdAuto3, 632, 428, 60, 22));
  rows.push_back(Shifted(kIdRepeat1, 384, 428, 80, 22));
  rows.push_back(Shifted(kIdRepeat2, 537, 428, 80, 22));
  rows.push_back(Shifted(kIdRepeat3, 692, 428, 80, 22));
  return rows;
}

// A toolkit has no use for a negative size; a screen too small for the
// layout gets empty controls instead.
Rect Sized(int x, int y, int width, int height) {
  return {x, y, std::max(width, 0), std::max(height, 0)};
}

}  // namespace

const std::vector<LayoutRow>& LayoutRows() {
  static const std::vector<LayoutRow> rows = MakeRows();
  return rows;
}

DisplayGeometry MaximizedDisplayGeometry(ScreenSize screen) {
  const int k = (screen.width - 150) / 8;
  const int lineChars = k % 2 == 1 ? k + 1 : k;
  const int displayRows = (screen.height - kDisplayBottomMargin) / 16 - 2;
  return {std::max(lineChars, 1), std::max(displayRows, 1)};
}

std::vector<Placement> MaximizedPlacements(ScreenSize screen) {
  const int w = screen.width;
  const int shift = screen.height - kRequestAreaTop;
  std::vector<Placement> moves;
  moves.push_back({kIdTrafficView, Sized(kDisplayLeft, kDisplayTop, w - kDisplayRightMargin,
                                         screen.height - kDisplayBottomMargin)});
  for (const LayoutRow& row : LayoutRows()) {
    const Rect& m = row.maximized;
    moves.push_back({row.id, Sized(row.xFollowsScreen ? w + m.x : m.x, m.y + shift,
                                   row.widthFollowsScreen ? w + m.width : m.width, m.height)});
  }
  // The maximized arrangement moves the pacing radios and the once box
  // bottom-up: 1032, 1043, 1031.
  const auto once = std::find_if(moves.begin(), moves.end(),
                                 [](const Placement& p) { return p.id == kIdSendOnce; });
  assert(once + 3 <= moves.end() && once[2].id == kIdPacingPeriodic);
  std::reverse(once, once + 3);
  return moves;
}

std::vector<Placement> RestoredPlacements() {
  std::vector<Placement> moves;
  moves.push_back({kIdTrafficView, kRestoredTrafficView});
  for (const LayoutRow& row : LayoutRows()) moves.push_back({row.id, row.restored});
  return moves;
}

}  // namespace lirosa
