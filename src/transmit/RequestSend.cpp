#include "app/MonitorDialog.h"

// Placeholder bodies until sending lands.
namespace lirosa {
void MonitorDialog::SendRequest(int) {}
void MonitorDialog::ClearRequest(int) {}
std::size_t MonitorDialog::WriteToPort(const std::uint8_t*, std::size_t) { return 0; }
}  // namespace lirosa
