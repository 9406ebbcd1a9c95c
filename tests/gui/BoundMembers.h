#pragma once

#include <array>
#include <string>

#include "app/MonitorDialog.h"

namespace lirosa::test {

// The members that data exchange binds, as one comparable record.
struct BoundMembers {
  PortSettings port;
  std::array<std::string, 3> texts;
  std::array<int, 3> hex{}, autoSend{}, period{}, inAll{};
  int cyclePeriod = 0, timeout = 0, retries = 0, once = 0;
  int filter = 0, newLine = 0, stamp = 0, hexDisplay = 0, autoClear = 0, showSent = 0;
  std::string keyword, captureFile;
  friend bool operator==(const BoundMembers&, const BoundMembers&) = default;
};

BoundMembers ReadBound(const MonitorDialog& dialog);
void WriteBound(MonitorDialog& dialog, const BoundMembers& members);

}  // namespace lirosa::test
