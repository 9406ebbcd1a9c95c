#include "app/SettingsFiles.h"
#include "display/FileErrors.h"

namespace lirosa {

void MonitorDialog::LoadSettings() {
  if (settingsDirectory.empty()) settingsDirectory = DefaultSettingsDirectory();
  StoredSettings stored = ReadSettingsFiles(settingsDirectory);
  if (stored.havePort) portSettings = stored.port;
  if (!startPort.empty()) portSettings.portName = startPort;
  if (stored.haveRequests) {
    for (std::size_t i = 0; i < slots.size(); ++i) slots[i].text = stored.requests[i];
  }
}

bool MonitorDialog::SaveSettings() {
  PullControls();
  if (settingsDirectory.empty()) settingsDirectory = DefaultSettingsDirectory();
  SaveFailure failure =
      WriteSettingsFiles(settingsDirectory, portSettings, {slots[0].text, slots[1].text, slots[2].text});
  if (failure.error == 0) return true;
  ReportFileError(FileErrorMessage(failure.error, failure.stage, failure.file));
  return false;
}

}  // namespace lirosa
