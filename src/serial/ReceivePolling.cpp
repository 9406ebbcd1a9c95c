#include <algorithm>
#include <vector>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "transmit/HexText.h"

namespace lirosa {

std::size_t MonitorDialog::ReadPortChunk() {
  rxFrame.chunk.clear();
  if (!portOpen) return 0;
  const long queued = pollBy_ ? port_.QueuedCountBy(pollByNs_) : port_.QueuedCount();
  if (queued <= 0) {
    // Line errors are not the user's concern here; a lost device is.
    if (queued < 0 && IsDeviceGone(static_cast<int>(queued))) HandleDeviceGone();
    return 0;
  }
  rxFrame.chunk.resize(std::min(static_cast<std::size_t>(queued), kChunkSize));
  const long got = port_.Read(rxFrame.chunk.data(), rxFrame.chunk.size());
  if (got <= 0) {
    rxFrame.chunk.clear();
    if (got < 0 && IsDeviceGone(static_cast<int>(got))) HandleDeviceGone();
    return 0;
  }
  rxFrame.chunk.resize(static_cast<std::size_t>(got));
  return rxFrame.chunk.size();
}

void MonitorDialog::PollReceive() {
  std::size_t taken = 0;
  while (taken < kMaxReadPerTick) {
    const std::size_t n = ReadPortChunk();
    if (n == 0) break;
    taken += n;
    // A frame never reaches the buffer's size: rather than drop the chunk,
    // what was gathered ends as a frame of its own and the chunk begins the
    // next, so every byte is shown and captured.
    if (rxFrame.frame.size() + n >= kFrameSize && !rxFrame.frame.empty()) EndFrame();
    rxFrame.frame.insert(rxFrame.frame.end(), rxFrame.chunk.begin(), rxFrame.chunk.end());
    rxFrame.frameIdle = false;
  }
  takenThisRound_ += taken;
  ++polledThisRound_;
  if (taken > 0) {
    counters.receivedBytes += static_cast<std::int64_t>(taken);
    ShowCounter(kIdReceivedBytes, counters.receivedBytes);
    rxActivity = true;
    // idleTicks keeps its phase: the frame ends 1 to 4 empty polls from now.
    return;
  }
  if (!portOpen) return;
  ++rxFrame.idleTicks;
  if (rxFrame.idleTicks < kFrameEndIdleTicks) return;
  if (!rxFrame.frameIdle) EndFrame();
  rxFrame.idleTicks = 0;
}

void MonitorDialog::EndFrame() {
  ++counters.receivedFrames;
  ShowCounter(kIdReceivedFrames, counters.receivedFrames);
  if (displayActive) {
    bool shown = true;
    if (keywordFilter != 0 && !keyword.empty()) {
      std::vector<std::uint8_t> key;
      if (hexDisplay != 0) {
        keyword = UpperCase(std::move(keyword));
        // A key word that is not hex text matches nothing.
        shown = HexTextToBytes(keyword, true, key) == HexParseResult::Ok &&
                ContainsKeyword(rxFrame.frame.data(), rxFrame.frame.size(), key.data(), key.size());
      } else {
        key.assign(keyword.begin(), keyword.end());
        shown = ContainsKeyword(rxFrame.frame.data(), rxFrame.frame.size(), key.data(), key.size());
      }
    }
    if (shown) ShowReceived(rxFrame.frame.data(), rxFrame.frame.size());
  }
  // Any frame is an answer, shown or not: a waiting rotation may go on.
  rxFrame.frame.clear();
  responseWait.awaitingResponse = false;
  rxFrame.frameIdle = true;
}

bool MonitorDialog::ContainsKeyword(const std::uint8_t* data, std::size_t n,
                                    const std::uint8_t* key, std::size_t k) {
  if (k == 0) return true;
  // A frame that is exactly the key word contains it too.
  if (k > n) return false;
  return std::search(data, data + n, key, key + k) != data + n;
}

}  // namespace lirosa
