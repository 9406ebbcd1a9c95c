#include <algorithm>
#include <cassert>
#include <vector>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "transmit/HexText.h"

namespace lirosa {

void MonitorDialog::SendRequest(int slot) {
  assert(slot >= 1 && slot <= 3);
  // A bad numeric box stops the pull only after the request texts and hex
  // flags, so the send goes on with what the user sees.
  PullControls();
  RequestSlot& request = slots[static_cast<std::size_t>(slot - 1)];
  if (request.hexForm) request.text = UpperCase(std::move(request.text));
  // Sends fail silently: no message, echo, count or lamp.
  if (!portOpen || request.text.empty()) return;
  // The whole request goes out however long it is; the encoding is not cut
  // to a fixed send area.
  std::vector<std::uint8_t> bytes;
  if (EncodeRequest(request.text, request.hexForm != 0, bytes) != HexParseResult::Ok) return;
  // Blanks only encode to no bytes: nothing goes out, so, as for an empty
  // box, nothing is counted, echoed, captured or lit.
  if (bytes.empty()) return;

  txActivity = true;
  std::size_t accepted = WriteToPort(bytes.data(), bytes.size());
  // A stalled line that took none of it: no request went out.
  if (accepted == 0) return;
  // Even when the device went away during the write, what it took did go
  // out: echo and count exactly that.
  EchoSent(bytes.data(), accepted);
  counters.requestsSent += 1;
  counters.sentBytes += static_cast<std::int64_t>(accepted);
  ShowCounter(kIdRequestsSent, counters.requestsSent);
  ShowCounter(kIdSentBytes, counters.sentBytes);
}

void MonitorDialog::ClearRequest(int slot) {
  assert(slot >= 1 && slot <= 3);
  // Pull first: the push below rewrites every control, and an edit made in
  // another box while no tick pulled (port closed) must not be thrown away.
  // The tick's upper-casing is repeated so the push shows hex requests as
  // the tick would.
  PullControls();
  for (RequestSlot& request : slots) {
    if (request.hexForm) request.text = UpperCase(std::move(request.text));
  }
  slots[static_cast<std::size_t>(slot - 1)].text.clear();
  PushControls();
}

std::size_t MonitorDialog::WriteToPort(const std::uint8_t* data, std::size_t count) {
  std::size_t total = 0;
  while (total < count) {
    WriteResult result = port_.Write(data + total, count - total);
    total += std::min(result.accepted, count - total);
    if (result.error != 0) {
      // ETIMEDOUT (a second without progress) or a failure: the line is
      // stalled or broken, and waiting longer would freeze the window.
      if (IsDeviceGone(result.error)) HandleDeviceGone();
      break;
    }
    // A write that took nothing yet claims no error would spin for ever.
    if (result.accepted == 0) break;
  }
  return total;
}

}  // namespace lirosa
