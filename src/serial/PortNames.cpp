#include "serial/PortNames.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>
#include <utility>

#include "serial/SystemConsole.h"

namespace lirosa {
namespace {

namespace fs = std::filesystem;

constexpr int kComPortCount = 20;

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

// ttyS0..ttyS19: already in the list as COM1..COM20.
bool IsComPort(const std::string& name) {
  if (!StartsWith(name, "ttyS")) return false;
  const std::string number = name.substr(4);
  return IsDigits(number) && number.size() <= 2 && std::stoi(number) < kComPortCount;
}

// Digit runs compare by value, everything else byte by byte.
bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t endA = i;
      std::size_t endB = j;
      while (endA < a.size() && isDigit(a[endA])) ++endA;
      while (endB < b.size() && isDigit(b[endB])) ++endB;
      std::string runA = a.substr(i, endA - i);
      std::string runB = b.substr(j, endB - j);
      runA.erase(0, std::min(runA.find_first_not_of('0'), runA.size()));
      runB.erase(0, std::min(runB.find_first_not_of('0'), runB.size()));
      if (runA.size() != runB.size()) return runA.size() < runB.size();
      if (runA != runB) return runA < runB;
      i = endA;
      j = endB;
      continue;
    }
    if (a[i] != b[j]) return a[i] < b[j];
    ++i;
    ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;
}

// The first line of a sysfs attribute, without surrounding blanks; empty
// when it cannot be read.
std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  const auto first = line.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = line.find_last_not_of(" \t\r\n");
  return line.substr(first, last - first + 1);
}

std::string UsbName(const fs::path& usbDevice) {
  const std::string product = ReadAttribute(usbDevice / "product");
  const std::string maker = ReadAttribute(usbDevice / "manufacturer");
  if (!product.empty() && !maker.empty()) return product + " (" + maker + ")";
  if (!product.empty()) return product;
  if (!maker.empty()) return maker;
  const std::string vendorId = ReadAttribute(usbDevice / "idVendor");
  const std::string productId = ReadAttribute(usbDevice / "idProduct");
  if (vendorId.empty() || productId.empty()) return {};
  return "USB " + vendorId + ":" + productId;
}

// The serial number tells two adapters of one kind apart.
std::string UsbDescription(const fs::path& usbDevice) {
  const std::string name = UsbName(usbDevice);
  const std::string serial = ReadAttribute(usbDevice / "serial");
  if (name.empty() || serial.empty()) return name;
  return name + ", S/N " + serial;
}

// For a ttyUSB the tty's device is the usb-serial port under the interface;
// for a ttyACM it is the interface itself.
std::string DescriptionOf(const std::string& name, const fs::path& device) {
  if (StartsWith(name, "ttyUSB")) return UsbDescription(device.parent_path().parent_path());
  if (StartsWith(name, "ttyACM")) return UsbDescription(device.parent_path());
  return {};
}

bool UnderVirtual(const fs::path& device, const fs::path& sysRoot) {
  // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on `"/" + s`.
  std::string inside = "/";
  inside += device.lexically_relative(sysRoot).generic_string();
  inside += '/';
  return inside.find("/virtual/") != std::string::npos;
}

// Resolved device node -> the smallest by-id name leading to it.
std::map<fs::path, fs::path> StableNames(const fs::path& devRoot) {
  std::map<fs::path, fs::path> names;
  std::error_code error;
  for (fs::directory_iterator links(devRoot / "serial" / "by-id", error);
       !error && links != fs::directory_iterator(); links.increment(error)) {
    const fs::directory_entry& link = *links;
    std::error_code resolveError;
    const fs::path target = fs::canonical(link.path(), resolveError);
    if (resolveError) continue;
    auto [place, inserted] = names.emplace(target, link.path());
    if (!inserted && link.path() < place->second) place->second = link.path();
  }
  return names;
}

}  // namespace

std::vector<ListEntry> ListSerialDevices(const std::string& sysRoot, const std::string& devRoot) {
  std::error_code error;
  const fs::path sys = fs::canonical(sysRoot, error);
  if (error) return {};
  const std::map<fs::path, fs::path> stableNames = StableNames(devRoot);
  const std::vector<std::string> consoles = ActiveConsoles(sysRoot);

  // Iterated with error codes: a folder vanishing under us (a device being
  // unplugged) must not throw.
  std::vector<std::pair<std::string, ListEntry>> found;
  for (fs::directory_iterator ttys(sys / "class" / "tty", error);
       !error && ttys != fs::directory_iterator(); ttys.increment(error)) {
    const fs::directory_entry& tty = *ttys;
    const std::string name = tty.path().filename().string();
    if (IsComPort(name)) continue;
    if (std::find(consoles.begin(), consoles.end(), name) != consoles.end()) continue;
    std::error_code resolveError;
    const fs::path device = fs::canonical(tty.path() / "device", resolveError);
    if (resolveError || UnderVirtual(device, sys)) continue;
    // serial8250 registers every possible ttyS; type 0 has no UART behind it.
    if (StartsWith(name, "ttyS") && ReadAttribute(tty.path() / "type") == "0") continue;
    const fs::path node = fs::path(devRoot) / name;
    const fs::path resolvedNode = fs::canonical(node, resolveError);
    if (resolveError) continue;

    ListEntry entry;
    const auto stable = stableNames.find(resolvedNode);
    entry.text = stable != stableNames.end() ? stable->second.string() : node.string();
    entry.description = DescriptionOf(name, device);
    entry.shortName = name;
    found.emplace_back(name, std::move(entry));
  }

  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return NaturalLess(a.first, b.first); });
  std::vector<ListEntry> entries;
  entries.reserve(found.size());
  for (auto& item : found) entries.push_back(std::move(item.second));
  return entries;
}

std::string StableNameOf(const std::string& devicePath, const std::string& devRoot) {
  const fs::path byId = fs::path(devRoot) / "serial" / "by-id";
  if (fs::path(devicePath).parent_path() == byId) return devicePath;
  std::error_code error;
  const fs::path device = fs::canonical(devicePath, error);
  if (error) return {};
  const std::map<fs::path, fs::path> names = StableNames(devRoot);
  const auto found = names.find(device);
  return found == names.end() ? std::string() : found->second.string();
}

}  // namespace lirosa
