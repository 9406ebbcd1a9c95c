#pragma once

#include <string>
#include <vector>

namespace lirosa {

// What the command line of `lirosa` asks for.
enum class CommandAction { Run, Help, Version, UsageError };

struct CommandLine {
  CommandAction action = CommandAction::Run;
  // A device to open instead of the stored port; empty keeps the stored one.
  std::string port;
  // The toolkit's own options (-platform NAME, -style NAME, ...), left in
  // place for it; true when one of them picks the platform.
  bool platformGiven = false;
  // For UsageError: one line saying what is wrong.
  std::string error;
};

// Reads the arguments after the program name. Options of the toolkit are
// let through so it can read them itself.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text --help prints.
const char* CommandUsage();

// The version --version prints, as "lirosa X.Y.Z".
std::string VersionLine();

}  // namespace lirosa
