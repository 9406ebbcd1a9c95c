#include "app/MonitorDialog.h"

// Placeholder bodies until pause and counters land.
namespace lirosa {
void MonitorDialog::ToggleDisplay() {}
void MonitorDialog::ResetCounters() {}
void MonitorDialog::ShowCounter(int, std::int64_t) {}
}  // namespace lirosa
