#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lirosa::sim {

// The device the simulator plays on its pseudo-terminal.
enum class SimMode { Echo, Modbus, Silent, Script, Flood };

// One frame of a script and the wait before it is sent, counted from the
// previous frame (or, for the first, from the moment the port is opened).
struct ScriptFrame {
  std::vector<std::uint8_t> bytes;
  int delayMs = 0;
};

struct SimOptions {
  SimMode mode = SimMode::Echo;
  bool help = false;
  bool version = false;
  std::string linkPath;
  std::string logPath;

  int modbusAddress = 1;
  int modbusDelayMs = 5;

  std::vector<ScriptFrame> frames;

  std::uint64_t floodBytes = 0;
  // Bytes per second; 0 sends as fast as the port takes them.
  std::uint64_t floodRate = 0;
  int startDelayMs = 0;

  // Script and flood: exit once everything has been sent and taken.
  bool exitWhenDone = false;
};

// Reads the command line (without the program name). Returns an empty string
// on success, else a one-line reason; `options` is then unspecified. With
// "--help" or "--version" anywhere the rest is not checked.
std::string ParseSimOptions(const std::vector<std::string>& args, SimOptions& options);

// Parses a frame of hex text: groups of hex digits (either case) separated by
// spaces, bytes taken from pairs of digits from the left, an odd last digit
// making a byte alone ("1 0203" is 01 02 03). False for any other character
// or for no digits at all.
bool ParseHexFrame(const std::string& text, std::vector<std::uint8_t>& bytes);

// The text "--help" prints.
const char* SimUsage();

}  // namespace lirosa::sim
