#pragma once

#include <vector>

#include "app/DialogControls.h"
#include "app/WindowHost.h"

namespace lirosa {

// The two arrangements of the main window's lower part. The window has a
// fixed frame, so it only ever shows two sizes: normal and maximized. The
// maximized arrangement follows the screen (not the client area); the
// restored one is a fixed set of pixel positions.

// One control the layout moves. Its maximized geometry is
//   x = maximized.x (+ W when xFollowsScreen), y = maximized.y + D,
//   width = maximized.width (+ W when widthFollowsScreen), height as given,
// with W the screen width and D = H - 540 the shift of the request area.
// For most rows `maximized` equals `restored`: the control only moves down.
struct LayoutRow {
  int id = 0;
  Rect restored;
  Rect maximized;
  bool xFollowsScreen = false;
  bool widthFollowsScreen = false;
};

// One move: the control and where it goes, position and size together.
struct Placement {
  int id = 0;
  Rect geometry;
  friend bool operator==(const Placement&, const Placement&) = default;
};

// What the traffic display uses to decide that it is full.
struct DisplayGeometry {
  int lineChars = 0;
  int displayRows = 0;
  friend bool operator==(const DisplayGeometry&, const DisplayGeometry&) = default;
};

inline constexpr DisplayGeometry kRestoredDisplayGeometry{84, 15};
inline constexpr Rect kRestoredTrafficView{296, 6, 483, 270};

// The request-area controls in the order the restored layout moves them
// (the traffic display is not among them).
const std::vector<LayoutRow>& LayoutRows();

// Every move of the maximized layout for a screen of this size, in order:
// the traffic display first, then the rows, with 1032, 1043, 1031 moved in
// that order. Sizes never go below zero on a screen smaller than the layout
// assumes.
std::vector<Placement> MaximizedPlacements(ScreenSize screen);

// Every move of the restored layout, in order: the traffic display first.
std::vector<Placement> RestoredPlacements();

// Characters per line (rounded up to an even count) and rows of the traffic
// display when maximized on this screen; both at least 1.
DisplayGeometry MaximizedDisplayGeometry(ScreenSize screen);

}  // namespace lirosa
