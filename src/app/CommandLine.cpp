#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

#ifndef LIROSA_VERSION
#define LIROSA_VERSION "unknown"
#endif

namespace lirosa {

namespace {

const char kUsage[] =
    "Usage: lirosa [PORT]\n"
    "\n"
    "A serial-port terminal: opens its window and the port stored in\n"
    "$XDG_CONFIG_HOME/lirosa/set.log (usually ~/.config/lirosa), or PORT\n"
    "instead, e.g. /dev/ttyUSB0, /dev/serial/by-id/... or COM1 (= /dev/ttyS0).\n"
    "The port and line values shown when the window is closed with its close\n"
    "button are saved, a PORT given here included.\n"
    "\n"
    "Options:\n"
    "  -h, --help       print this text and exit\n"
    "  -v, --version    print the version and exit\n"
    "  --               end of options: the next argument is PORT\n"
    "\n"
    "Qt's own options (-platform NAME, -style NAME, -reverse, ...) are passed on.\n"
    "A display is needed: on a server, run it under xvfb-run or with\n"
    "QT_QPA_PLATFORM=offscreen. lirosa-sim plays a device on a pseudo-terminal\n"
    "to try it on (lirosa-sim --help).\n"
    "\n"
    "Exit status: 0 when the window ends, 2 for a usage error.\n";

// Options QApplication reads itself; those in the first list take a value.
constexpr std::array<std::string_view, 13> kToolkitValueOptions = {
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-qwindowgeometry",
    "-qwindowtitle", "-qwindowicon", "-display", "-geometry", "-style", "-stylesheet",
    "-session", "-qmljsdebugger"};
constexpr std::array<std::string_view, 5> kToolkitFlags = {"-reverse", "-widgetcount", "-nograb",
                                                            "-dograb", "-sync"};

bool Contains(const auto& list, std::string_view name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

CommandLine Only(CommandAction action) {
  CommandLine line;
  line.action = action;
  return line;
}

CommandLine Refuse(std::string error) {
  CommandLine refused;
  refused.action = CommandAction::UsageError;
  refused.error = std::move(error);
  return refused;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  bool optionsEnded = false;
  // Help and version win wherever they stand, as in most programs; a usage
  // error found before them is still reported.
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
    if (!isOption) {
      if (!line.port.empty()) return Refuse("more than one port given ('" + line.port + "', '" + arg + "')");
      if (arg.empty()) return Refuse("the port name is empty");
      line.port = arg;
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") return Only(CommandAction::Help);
    if (arg == "-v" || arg == "--version") return Only(CommandAction::Version);
    // Qt accepts its options with one dash or two, and "-name=value".
    std::string_view name = arg;
    if (name.starts_with("--")) name.remove_prefix(1);
    const auto equals = name.find('=');
    const bool inlineValue = equals != std::string_view::npos;
    if (inlineValue) name = name.substr(0, equals);
    if (Contains(kToolkitValueOptions, name)) {
      if (!inlineValue) {
        if (i + 1 >= args.size()) return Refuse("option '" + arg + "' needs a value");
        ++i;
      }
      if (name == "-platform") line.platformGiven = true;
      continue;
    }
    if (!inlineValue && Contains(kToolkitFlags, name)) continue;
    return Refuse("unknown option '" + arg + "'");
  }
  return line;
}

const char* CommandUsage() {
  return kUsage;
}

std::string VersionLine() {
  return std::string("lirosa ") + LIROSA_VERSION;
}

}  // namespace lirosa
