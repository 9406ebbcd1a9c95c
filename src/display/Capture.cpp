#include "app/MonitorDialog.h"

// Placeholder bodies until capture lands.
namespace lirosa {
void MonitorDialog::ToggleCapture() {}
void MonitorDialog::ChooseCaptureFile() {}
void MonitorDialog::CaptureRecord(const std::string&) {}
}  // namespace lirosa
