#pragma once

#include <string>

namespace lirosa {

// Why a device could not be opened, in the user's words (Chinese as the
// window's messages, the system's English term in brackets for a search),
// from the errno of the failed open. The one place that maps an open's
// errno to what the user reads.
//
// Permission names the device's group and the command that admits the user
// (dialout unless the node belongs to another group); a device held by
// another program names the holder and its PID when <procRoot> shows them.
std::string OpenFailureReason(int error, const std::string& devicePath,
                              const std::string& procRoot = "/proc");

// The reason given for a device that is an active kernel console.
std::string SystemConsoleReason();

// Another process holding `devicePath` open, as "name (PID n)", from the
// descriptors under <procRoot>/<pid>/fd; empty when none is seen (another
// user's processes are not readable). This process is left out.
std::string DeviceHolder(const std::string& devicePath, const std::string& procRoot = "/proc");

}  // namespace lirosa
