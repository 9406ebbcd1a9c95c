#include "shell/LampModel.h"

namespace lirosa {

Colour StateLampColour(bool portOpen) { return portOpen ? kPortOpenLamp : kPortClosedLamp; }

Colour TrafficLampColour(bool lit) { return lit ? kTrafficLitLamp : kTrafficIdleLamp; }

LampFrame TakeLampFrame(bool portOpen, bool& txActivity, bool& rxActivity) {
  const LampFrame frame{portOpen, txActivity, rxActivity};
  txActivity = false;
  rxActivity = false;
  return frame;
}

LampImage StateLampRecipe(bool portOpen) {
  LampImage image{13, 13, {}, {}};
  image.discs.push_back({{0, 0, 13, 13}, StateLampColour(portOpen)});
  image.highlights.push_back({{2, 2, 11, 11}, {5, 3}, {3, 5}});
  return image;
}

LampImage TrafficLampRecipe(bool txLit, bool rxLit) {
  LampImage image{60, 20, {}, {}};
  image.discs.push_back({{5, 5, 18, 18}, TrafficLampColour(txLit)});
  image.discs.push_back({{35, 5, 48, 18}, TrafficLampColour(rxLit)});
  image.highlights.push_back({{6, 6, 17, 17}, {10, 7}, {7, 10}});
  image.highlights.push_back({{36, 6, 47, 17}, {40, 7}, {37, 10}});
  return image;
}

}  // namespace lirosa
