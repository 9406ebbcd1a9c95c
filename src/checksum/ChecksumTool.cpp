#include "app/MonitorDialog.h"

// Placeholder body until the checksum tool lands.
namespace lirosa {
void MonitorDialog::AppendChecksum(int) {}
}  // namespace lirosa
