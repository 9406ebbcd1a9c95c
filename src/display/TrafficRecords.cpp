#include "app/MonitorDialog.h"

// Placeholder bodies until the traffic display lands.
namespace lirosa {
std::string MonitorDialog::RenderBytes(const std::uint8_t*, std::size_t) const { return {}; }
void MonitorDialog::ShowReceived(const std::uint8_t*, std::size_t) {}
void MonitorDialog::EchoSent(const std::uint8_t*, std::size_t) {}
void MonitorDialog::EmitRecord(RecordKind, const std::string&) {}
std::string MonitorDialog::AppendRecord(const std::string& text, const std::string&, Colour) { return text; }
void MonitorDialog::ClearDisplay() { view_.Clear(); }
}  // namespace lirosa
