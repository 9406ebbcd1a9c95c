#pragma once

#include <string>
#include <vector>

#include "app/DialogControls.h"

namespace lirosa {

// The serial devices of this machine, found in sysfs without opening them
// (an open raises DTR, which resets many boards).
//
// A tty counts when it has a device behind it that is not virtual; a ttyS
// only when its UART type is known (not 0), and ttyS0..ttyS19 are left out
// because COM1..COM20 already stand for them. Each entry's text is the path
// to open: the stable name under <devRoot>/serial/by-id when one leads to
// the device, else <devRoot>/<name>. A USB device is described by its
// product, maker and serial number ("FT232R USB UART (FTDI), S/N A50285BI"),
// else by its ids; others have no description. Each entry's short name is
// the kernel's name (ttyUSB0). Devices with no node under devRoot, and the
// kernel's active consoles, are left out. Ordered
// by kernel name, numbers compared as numbers (ttyUSB2 before ttyUSB10).
// Missing or unreadable folders give an empty list.
std::vector<ListEntry> ListSerialDevices(const std::string& sysRoot = "/sys",
                                         const std::string& devRoot = "/dev");

// The stable name under <devRoot>/serial/by-id that leads to the same device
// as `devicePath` (the path itself when it is one), or empty. A re-plugged
// adapter may come back under another kernel name but keeps this one.
std::string StableNameOf(const std::string& devicePath, const std::string& devRoot = "/dev");

}  // namespace lirosa
