#include "serial/SystemConsole.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <sstream>

namespace lirosa {
namespace {

constexpr unsigned kConsoleMajor = 5;  // /dev/console is 5:1
constexpr unsigned kConsoleMinor = 1;

// "major:minor" of a sysfs dev attribute; false when absent or malformed.
bool ReadDeviceNumber(const std::string& file, dev_t& number) {
  std::ifstream in(file);
  unsigned majorNumber = 0;
  unsigned minorNumber = 0;
  char colon = 0;
  if (!(in >> majorNumber >> colon >> minorNumber) || colon != ':') return false;
  number = makedev(majorNumber, minorNumber);
  return true;
}

}  // namespace

std::vector<std::string> ActiveConsoles(const std::string& sysRoot) {
  std::ifstream in(sysRoot + "/class/tty/console/active");
  std::vector<std::string> names;
  std::string name;
  while (in >> name) {
    // A name is a file name in sysfs; anything else is not a tty.
    if (name.find('/') == std::string::npos && name != "." && name != "..") names.push_back(name);
  }
  return names;
}

bool IsSystemConsole(const std::string& devicePath, const std::string& sysRoot) {
  struct stat info {};
  if (::stat(devicePath.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return false;
  if (major(info.st_rdev) == kConsoleMajor && minor(info.st_rdev) == kConsoleMinor) return true;
  for (const std::string& name : ActiveConsoles(sysRoot)) {
    dev_t console = 0;
    if (ReadDeviceNumber(sysRoot + "/class/tty/" + name + "/dev", console) &&
        console == info.st_rdev) {
      return true;
    }
  }
  return false;
}

}  // namespace lirosa
