// Windows has no kernel console on a COM port: nothing is refused as one.
#include <string>
#include <vector>

#include "serial/SystemConsole.h"

namespace lirosa {

std::vector<std::string> ActiveConsoles(const std::string& /*sysRoot*/) { return {}; }

bool IsSystemConsole(const std::string& /*devicePath*/, const std::string& /*sysRoot*/) {
  return false;
}

}  // namespace lirosa
