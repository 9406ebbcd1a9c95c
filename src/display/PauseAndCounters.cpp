#include <string>
#include <utility>

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
  // Ticks replayed in one firing show what they count once, at its end.
  if (replaying_ && id == kIdReceivedBytes) {
    bytesShownDue_ = true;
    return;
  }
  if (replaying_ && id == kIdReceivedFrames) {
    framesShownDue_ = true;
    return;
  }
  controls_.SetText(id, std::to_string(value));
}

void MonitorDialog::ShowDueCounters() {
  if (std::exchange(framesShownDue_, false)) {
    ShowCounter(kIdReceivedFrames, counters.receivedFrames);
  }
  if (std::exchange(bytesShownDue_, false)) ShowCounter(kIdReceivedBytes, counters.receivedBytes);
}

}  // namespace lirosa
