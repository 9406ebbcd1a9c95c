#pragma once

#include <vector>

#include "app/WindowHost.h"
#include "display/TrafficView.h"

namespace lirosa {

// The state lamp (1004) and the two traffic lamps (1056): what they show on
// a lamp tick, and how each image is drawn. Coordinates are pixels from the
// image's top-left corner; boxes exclude their right and bottom edges.

inline constexpr Colour kLampBackground{74, 189, 189};
inline constexpr Colour kLampOutline{0, 0, 0};
inline constexpr Colour kLampHighlight{255, 255, 255};
inline constexpr Colour kPortOpenLamp{255, 0, 0};
inline constexpr Colour kPortClosedLamp{0, 0, 0};
inline constexpr Colour kTrafficIdleLamp{0, 70, 0};
inline constexpr Colour kTrafficLitLamp{0, 255, 0};

struct LampBox {
  int left = 0;
  int top = 0;
  int right = 0;   // excluded
  int bottom = 0;  // excluded
};

struct LampPoint {
  int x = 0;
  int y = 0;
};

// A filled ellipse with a one-pixel outline in kLampOutline.
struct LampDisc {
  LampBox box;
  Colour fill;
};

// A one-pixel arc of the ellipse in `box`, drawn counter-clockwise from
// where the ray from the centre through `from` meets it to where the ray
// through `to` meets it.
struct LampArc {
  LampBox box;
  LampPoint from;
  LampPoint to;
};

// One lamp image: the background, then the discs, then the highlights in
// kLampHighlight.
struct LampImage {
  int width = 0;
  int height = 0;
  std::vector<LampDisc> discs;
  std::vector<LampArc> highlights;
};

// Red while the port is open, black while it is closed.
Colour StateLampColour(bool portOpen);
// Bright green for the one tick after activity, dark green otherwise.
Colour TrafficLampColour(bool lit);

// What the lamps show on this tick. The activity flags are consumed: any
// number of sends or receptions since the last tick light a lamp once.
LampFrame TakeLampFrame(bool portOpen, bool& txActivity, bool& rxActivity);

// The 13 x 13 state lamp image.
LampImage StateLampRecipe(bool portOpen);
// The 60 x 20 traffic lamps image: sent lamp on the left, received on the
// right.
LampImage TrafficLampRecipe(bool txLit, bool rxLit);

}  // namespace lirosa
