#include "app/MonitorDialog.h"

// Placeholder bodies until the window shell lands.
namespace lirosa {
void MonitorDialog::DrawLamps() {}
void MonitorDialog::ToggleStayOnTop() {}
void MonitorDialog::ApplyLayout(SizeKind, int, int) {}
void MonitorDialog::ShowAbout() { prompts_.ShowAbout(); }
}  // namespace lirosa
