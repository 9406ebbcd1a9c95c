#include "app/MonitorDialog.h"

// Placeholder bodies until the receive path lands.
namespace lirosa {
std::size_t MonitorDialog::ReadPortChunk() { return 0; }
void MonitorDialog::PollReceive() {}
void MonitorDialog::EndFrame() {}
bool MonitorDialog::ContainsKeyword(const std::uint8_t*, std::size_t, const std::uint8_t*, std::size_t) {
  return false;
}
}  // namespace lirosa
