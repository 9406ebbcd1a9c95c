#pragma once

#include <string>
#include <vector>

namespace lirosa {

// The kernel's active consoles, as <sysRoot>/class/tty/console/active names
// them ("tty0 ttyS0"); empty when that file cannot be read.
std::vector<std::string> ActiveConsoles(const std::string& sysRoot = "/sys");

// True when `devicePath` (followed through links) is the device of an active
// kernel console, or /dev/console itself. Decided from device numbers
// (st_rdev against <sysRoot>/class/tty/<name>/dev), without opening it:
// changing a console's line settings breaks the machine's console.
bool IsSystemConsole(const std::string& devicePath, const std::string& sysRoot = "/sys");

}  // namespace lirosa
