#include "FloodPattern.h"

#include <fstream>
#include <vector>

namespace lirosa::bench {

namespace {

constexpr std::size_t kBlock = 1 << 16;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Feeds every decoded byte to `check`, block by block, so a copy of many
// megabytes never has to sit in memory whole.
class PatternCursor {
 public:
  explicit PatternCursor(FloodCheck& result) : result_(result) {}
  void Take(std::uint8_t byte) {
    if (result_.problem.empty() && byte != result_.bytes % kFloodModulus) {
      result_.firstBad = result_.bytes;
      result_.problem = "byte " + std::to_string(result_.bytes) + " out of pattern";
    }
    ++result_.bytes;
  }
  void Fail(const std::string& problem) {
    if (result_.problem.empty()) {
      result_.firstBad = result_.bytes;
      result_.problem = problem;
    }
  }

 private:
  FloodCheck& result_;
};

FloodCheck Finish(FloodCheck result) {
  result.intact = result.problem.empty();
  if (result.intact) result.firstBad = result.bytes;
  return result;
}

}  // namespace

FloodCheck CheckRawFlood(const std::string& path) {
  FloodCheck result;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    result.problem = "cannot open " + path;
    return result;
  }
  PatternCursor cursor(result);
  std::vector<char> block(kBlock);
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    const auto got = static_cast<std::size_t>(in.gcount());
    for (std::size_t i = 0; i < got; ++i) cursor.Take(static_cast<std::uint8_t>(block[i]));
  }
  return Finish(result);
}

FloodCheck CheckHexFlood(const std::string& path) {
  FloodCheck result;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    result.problem = "cannot open " + path;
    return result;
  }
  PatternCursor cursor(result);
  std::vector<char> block(kBlock);
  // Read a character at a time, as a small state machine: a byte's three
  // characters, a stamp or a line break may straddle two blocks.
  enum class At { RecordStart, Stamp, Hex, LineFeed } at = At::RecordStart;
  constexpr std::size_t kStampChars = 21;  // "[YYYY:MM:DD:hh:mm:ss]"
  char pending[3];
  std::size_t held = 0;
  std::size_t stamp = 0;
  auto fail = [&](const char* what) {
    cursor.Fail(std::string(what) + " at byte " + std::to_string(result.bytes));
  };
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    const auto got = static_cast<std::size_t>(in.gcount());
    for (std::size_t i = 0; i < got && result.problem.empty(); ++i) {
      const char c = block[i];
      switch (at) {
        case At::RecordStart:
          ++result.records;
          at = At::Hex;
          if (c == '[') {
            at = At::Stamp;
            stamp = 1;
            continue;
          }
          break;
        case At::Stamp:
          ++stamp;
          if (stamp == kStampChars) {
            if (c != ']') fail("malformed time stamp");
            at = At::Hex;
          } else if (!(c >= '0' && c <= '9') && !(c == ':' && stamp % 3 == 0 && stamp > 5)) {
            fail("malformed time stamp");
          }
          continue;
        case At::LineFeed:
          if (c != '\n') fail("CR without LF");
          at = At::RecordStart;
          continue;
        case At::Hex:
          break;
      }
      if (held == 0 && c == '\r') {
        at = At::LineFeed;
        ++result.lineBreaks;
        continue;
      }
      pending[held++] = c;
      if (held < 3) continue;
      held = 0;
      const int high = HexValue(pending[0]);
      const int low = HexValue(pending[1]);
      if (high < 0 || low < 0 || pending[2] != ' ') {
        fail("malformed hex text");
        continue;
      }
      cursor.Take(static_cast<std::uint8_t>(high * 16 + low));
    }
  }
  if (held != 0) fail("capture ends inside a byte");
  if (at == At::Stamp || at == At::LineFeed) fail("capture ends inside a record's frame");
  return Finish(result);
}

}  // namespace lirosa::bench
