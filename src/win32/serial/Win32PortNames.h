#pragma once

#include <vector>

#include "app/DialogControls.h"

namespace lirosa {

// The COM ports this machine announces (HARDWARE\DEVICEMAP\SERIALCOMM),
// without opening them, in the registry's order; each entry's description
// is the driver's device name (\Device\Serial0). COM1 ... COM20 are left
// out, because the list offers them anyway. No key gives an empty list.
std::vector<ListEntry> ListWin32SerialPorts();

}  // namespace lirosa
