#include "app/MonitorDialog.h"

// Placeholder bodies until file sending lands.
namespace lirosa {
void MonitorDialog::ChooseSendFile() {}
void MonitorDialog::ToggleFileCycling() {}
void MonitorDialog::StepFileCycling() {}
void MonitorDialog::SendNextFileLine() {}
}  // namespace lirosa
