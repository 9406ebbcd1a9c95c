#include "SimOptions.h"

#include <charconv>
#include <limits>
#include <optional>
#include <set>

namespace lirosa::sim {

namespace {

constexpr int kDefaultIntervalMs = 100;
constexpr int kMaxModbusAddress = 247;
constexpr std::uint64_t kMaxMs = 24ULL * 3600 * 1000;

const char kUsage[] =
    "Usage: lirosa-sim MODE [options]\n"
    "\n"
    "Creates a pseudo-terminal, prints the path of its port (the end a\n"
    "terminal program opens) as the first line on stdout, and plays a device\n"
    "on it until SIGINT, SIGTERM or SIGHUP (exit status 0).\n"
    "\n"
    "Modes:\n"
    "  echo                     send back every byte received\n"
    "  modbus [--address N] [--delay-ms D]\n"
    "                           MODBUS RTU slave N (1-247, default 1) replying\n"
    "                           D ms (default 5) after a request: 03 reads\n"
    "                           holding registers (register i holds i until\n"
    "                           written), 06 writes one (reply: the request);\n"
    "                           other functions get exception 01. Frames with a\n"
    "                           bad CRC or for another address get no reply.\n"
    "  silent                   read and discard everything\n"
    "  script [--interval-ms N] FRAME[@DELAY_MS]...\n"
    "                           once the port is opened, send each FRAME (hex,\n"
    "                           e.g. \"01 03 0A\") after DELAY_MS, or N ms\n"
    "                           (default 100), counted from the previous frame\n"
    "                           or from the open; then stay silent\n"
    "  flood --bytes N [--rate BYTES_PER_S] [--start-delay-ms D]\n"
    "                           once the port is opened (and D ms later), send\n"
    "                           N bytes where byte i is i mod 251, paced at the\n"
    "                           rate or as fast as the port takes them; then\n"
    "                           stay silent\n"
    "\n"
    "Options:\n"
    "  --link PATH      also make PATH a symbolic link to the port (a stale\n"
    "                   link there is replaced; removed at exit)\n"
    "  --log FILE       append one line per chunk: \"RX|TX <us> <hex bytes>\",\n"
    "                   and \"OPEN <us>\" / \"CLOSE <us>\" when the port is opened\n"
    "                   or closed; <us> is CLOCK_MONOTONIC in microseconds\n"
    "  --exit           script and flood: exit once everything was sent and the\n"
    "                   far end has read it\n"
    "  --help           print this text\n"
    "  --version        print the version\n"
    "\n"
    "stdout: line 1 is the port path (e.g. /dev/pts/3). Script and flood then\n"
    "print \"SENT <n> bytes in <seconds> seconds\" when their last byte has been\n"
    "written. While the port is closed, script and flood pause and replies are\n"
    "dropped. Exit status: 0 done or signalled, 1 system error, 2 usage error.\n";

std::optional<std::uint64_t> ParseUnsigned(const std::string& text, std::uint64_t max) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty() || value > max) {
    return std::nullopt;
  }
  return value;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

std::string ParseFrameArgument(const std::string& arg, int intervalMs, ScriptFrame& frame) {
  std::string hex = arg;
  frame.delayMs = intervalMs;
  const auto at = arg.rfind('@');
  if (at != std::string::npos) {
    hex = arg.substr(0, at);
    auto delay = ParseUnsigned(arg.substr(at + 1), kMaxMs);
    if (!delay) {
      return "bad delay in frame '" + arg + "'";
    }
    frame.delayMs = static_cast<int>(*delay);
  }
  if (!ParseHexFrame(hex, frame.bytes)) {
    return "bad hex frame '" + arg + "'";
  }
  return {};
}

// Which modes each option belongs to; an option given to another mode is a
// mistake worth reporting rather than ignoring.
bool OptionFitsMode(const std::string& name, SimMode mode) {
  if (name == "--address" || name == "--delay-ms") {
    return mode == SimMode::Modbus;
  }
  if (name == "--interval-ms") {
    return mode == SimMode::Script;
  }
  if (name == "--bytes" || name == "--rate" || name == "--start-delay-ms") {
    return mode == SimMode::Flood;
  }
  if (name == "--exit") {
    return mode == SimMode::Script || mode == SimMode::Flood;
  }
  return true;
}

std::optional<SimMode> ModeByName(const std::string& name) {
  if (name == "echo") {
    return SimMode::Echo;
  }
  if (name == "modbus") {
    return SimMode::Modbus;
  }
  if (name == "silent") {
    return SimMode::Silent;
  }
  if (name == "script") {
    return SimMode::Script;
  }
  if (name == "flood") {
    return SimMode::Flood;
  }
  return std::nullopt;
}

}  // namespace

bool ParseHexFrame(const std::string& text, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const int high = HexValue(text[i]);
    if (high < 0) {
      return false;
    }
    const int low = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
    if (low < 0) {
      // A lone digit before a space or the end is a byte of its own.
      if (i + 1 < text.size() && text[i + 1] != ' ') {
        return false;
      }
      bytes.push_back(static_cast<std::uint8_t>(high));
      ++i;
      continue;
    }
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    i += 2;
  }
  return !bytes.empty();
}

std::string ParseSimOptions(const std::vector<std::string>& args, SimOptions& options) {
  options = SimOptions{};
  for (const auto& arg : args) {
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      return {};
    }
    if (arg == "--version") {
      options.version = true;
      return {};
    }
  }

  std::optional<SimMode> mode;
  std::optional<int> intervalMs;
  bool bytesGiven = false;
  std::vector<std::string> frameArgs;
  std::set<std::string> seen;

  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      if (!mode) {
        mode = ModeByName(arg);
        if (!mode) {
          return "unknown mode '" + arg + "'";
        }
        continue;
      }
      if (*mode != SimMode::Script) {
        return "unexpected argument '" + arg + "'";
      }
      frameArgs.push_back(arg);
      continue;
    }

    std::string name = arg;
    std::optional<std::string> value;
    if (const auto eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (!seen.insert(name).second) {
      return "option " + name + " given twice";
    }
    if (name == "--exit") {
      if (value) {
        return "option --exit takes no value";
      }
      options.exitWhenDone = true;
      continue;
    }
    const bool known = name == "--link" || name == "--log" || name == "--address" ||
                       name == "--delay-ms" || name == "--interval-ms" || name == "--bytes" ||
                       name == "--rate" || name == "--start-delay-ms";
    if (!known) {
      return "unknown option '" + name + "'";
    }
    if (!value) {
      if (i + 1 >= args.size()) {
        return "option " + name + " needs a value";
      }
      value = args[++i];
    }

    if (name == "--link") {
      if (value->empty()) {
        return "option --link needs a path";
      }
      options.linkPath = *value;
      continue;
    }
    if (name == "--log") {
      if (value->empty()) {
        return "option --log needs a path";
      }
      options.logPath = *value;
      continue;
    }
    if (name == "--bytes") {
      auto number = ParseUnsigned(*value, std::numeric_limits<std::int64_t>::max());
      if (!number) {
        return "bad byte count '" + *value + "'";
      }
      options.floodBytes = *number;
      bytesGiven = true;
      continue;
    }
    if (name == "--rate") {
      auto number = ParseUnsigned(*value, 1ULL << 40);
      if (!number || *number == 0) {
        return "bad rate '" + *value + "' (bytes per second, at least 1)";
      }
      options.floodRate = *number;
      continue;
    }
    if (name == "--address") {
      auto number = ParseUnsigned(*value, kMaxModbusAddress);
      if (!number || *number == 0) {
        return "bad address '" + *value + "' (1-247)";
      }
      options.modbusAddress = static_cast<int>(*number);
      continue;
    }
    auto ms = ParseUnsigned(*value, kMaxMs);
    if (!ms) {
      return "bad time '" + *value + "' for " + name + " (milliseconds)";
    }
    if (name == "--delay-ms") {
      options.modbusDelayMs = static_cast<int>(*ms);
    } else if (name == "--interval-ms") {
      intervalMs = static_cast<int>(*ms);
    } else {
      options.startDelayMs = static_cast<int>(*ms);
    }
  }

  if (!mode) {
    return "no mode given (echo, modbus, silent, script or flood)";
  }
  options.mode = *mode;
  for (const auto& name : seen) {
    if (!OptionFitsMode(name, *mode)) {
      return "option " + name + " does not apply to this mode";
    }
  }
  if (*mode == SimMode::Flood && !bytesGiven) {
    return "flood needs --bytes N";
  }
  if (*mode == SimMode::Script) {
    if (frameArgs.empty()) {
      return "script needs at least one frame";
    }
    for (const auto& frameArg : frameArgs) {
      ScriptFrame frame;
      if (auto error = ParseFrameArgument(frameArg, intervalMs.value_or(kDefaultIntervalMs), frame);
          !error.empty()) {
        return error;
      }
      options.frames.push_back(std::move(frame));
    }
  }
  return {};
}

const char* SimUsage() {
  return kUsage;
}

}  // namespace lirosa::sim
