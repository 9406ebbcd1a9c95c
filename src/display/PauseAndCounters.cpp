#include <string>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"

namespace lirosa {

void MonitorDialog::ToggleDisplay() {
  if (displayActive) {
    controls_.SetText(kIdPauseDisplay, "继续显示");
    displayActive = false;
    return;
  }
  displayActive = true;
  controls_.SetText(kIdPauseDisplay, "停止显示");
}

void MonitorDialog::ResetCounters() {
  counters = {};
  ShowCounter(kIdRequestsSent, counters.requestsSent);
  ShowCounter(kIdSentBytes, counters.sentBytes);
  ShowCounter(kIdReceivedFrames, counters.receivedFrames);
  ShowCounter(kIdReceivedBytes, counters.receivedBytes);
}

void MonitorDialog::ShowCounter(int id, std::int64_t value) {
  controls_.SetText(id, std::to_string(value));
}

}  // namespace lirosa
