#include "app/MonitorDialog.h"

// Placeholder bodies until cyclic sending lands.
namespace lirosa {
void MonitorDialog::OnAutoBox(int) {}
void MonitorDialog::OnRepeatBox(int) {}
void MonitorDialog::OnPacingPeriodic() {}
void MonitorDialog::OnPacingResponseDriven() {}
void MonitorDialog::OnSendOnce() {}
void MonitorDialog::ToggleAllRequests() {}
void MonitorDialog::StepAllRequests() {}
void MonitorDialog::StepAutoSends() {}
void MonitorDialog::StepRotation() {}
}  // namespace lirosa
