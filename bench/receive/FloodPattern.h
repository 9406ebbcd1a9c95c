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
  std::uint64_t records = 0;     // hex captures: records begun
  std::uint64_t lineBreaks = 0;  // hex captures: CR LF after records
  bool intact = false;         // every byte in pattern, and the text well formed
  std::string problem;         // empty when intact
};

// Checks a raw copy (a terminal program's log file).
FloodCheck CheckRawFlood(const std::string& path);

// Checks a hex capture as the window writes it in hex display: "XX " per
// byte, each record optionally led by a "[YYYY:MM:DD:hh:mm:ss]" stamp and
// ended by CR LF (with time stamps or new line on), nothing else.
FloodCheck CheckHexFlood(const std::string& path);

}  // namespace lirosa::bench
