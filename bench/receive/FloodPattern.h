#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lirosa::bench {

// What the simulator's flood sends: byte i is i mod 251, so a lost, doubled
// or reordered stretch shows up at the first byte out of place.
inline constexpr unsigned kFloodModulus = 251;

// How a received copy of the flood compares with what was sent.
struct FloodCheck {
  std::uint64_t bytes = 0;     // bytes decoded from the copy
  std::uint64_t firstBad = 0;  // index of the first byte out of pattern
  bool intact = false;         // every byte in pattern, and the text well formed
  std::string problem;         // empty when intact
};

// Checks a raw copy (a terminal program's log file).
FloodCheck CheckRawFlood(const std::string& path);

// Checks a hex capture: "XX " per byte, nothing else (no time stamps, no
// line breaks), as the window captures in hex display.
FloodCheck CheckHexFlood(const std::string& path);

}  // namespace lirosa::bench
