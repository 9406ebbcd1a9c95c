#include "support/Fakes.h"

#include <algorithm>
#include <utility>

namespace lirosa::test {

// ---- FakePrompts --------------------------------------------------------------

void FakePrompts::Record(Kind kind, const std::string& text) {
  shown.push_back({kind, text});
  if (whileOpen) whileOpen();
}

std::vector<std::string> FakePrompts::Texts() const {
  std::vector<std::string> texts;
  for (const Shown& s : shown) texts.push_back(s.text);
  return texts;
}

std::optional<std::string> FakePrompts::ChooseFile(const FileChoice& choice) {
  fileQuestions.push_back(choice);
  if (fileAnswers.empty()) return std::nullopt;
  auto answer = fileAnswers.front();
  fileAnswers.pop_front();
  return answer;
}

std::optional<ChecksumKind> FakePrompts::ChooseChecksum() {
  if (whileOpen) whileOpen();
  if (checksumAnswers.empty()) return std::nullopt;
  auto answer = checksumAnswers.front();
  checksumAnswers.pop_front();
  return answer;
}

// ---- FakeTrafficView --------------------------------------------------------

std::size_t FakeTrafficView::TextLength() const {
  // Characters, not bytes: count the bytes that start a UTF-8 sequence.
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

int FakeTrafficView::LineCount() const {
  int lines = 0;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find('\r', start);
    std::size_t length = (end == std::string::npos ? text.size() : end) - start;
    lines += (wrapWidth > 0 && length > 0) ? static_cast<int>((length + wrapWidth - 1) / wrapWidth) : 1;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

void FakeTrafficView::Clear() {
  text.clear();
  pieces.clear();
  ++clears;
}

void FakeTrafficView::Append(const std::string& t, Colour colour) {
  text += t;
  pieces.push_back({t, colour});
}

// ---- FakeSerialPort ---------------------------------------------------------

bool FakeSerialPort::Fails(const char* call) {
  if (failCall != call) return false;
  lastError = failError;
  if (!failAlways) failCall.clear();
  return true;
}

bool FakeSerialPort::Open(const std::string& devicePath) {
  calls.push_back("Open " + devicePath);
  if (Fails("Open")) return false;
  if (open) {
    lastError = 16;  // EBUSY: we hold it already
    return false;
  }
  open = true;
  path = devicePath;
  lastError = 0;
  ++opens;
  return true;
}

bool FakeSerialPort::GetLineState(LineState& state) {
  calls.push_back("GetLineState");
  if (Fails("GetLineState")) return false;
  state = deviceLine;
  return true;
}

bool FakeSerialPort::SetLineState(const LineState& state) {
  calls.push_back("SetLineState");
  if (Fails("SetLineState")) return false;
  if (state.stopBits == 1 && state.dataBits >= 6) {
    lastError = 22;  // 1.5 stop bits cannot be set with 6-8 data bits
    return false;
  }
  line = state;
  return true;
}

bool FakeSerialPort::SetTimeouts(const Timeouts& t) {
  calls.push_back("SetTimeouts");
  if (Fails("SetTimeouts")) return false;
  timeouts = t;
  return true;
}

bool FakeSerialPort::SetQueueSizes(std::size_t in, std::size_t out) {
  calls.push_back("SetQueueSizes " + std::to_string(in) + " " + std::to_string(out));
  return !Fails("SetQueueSizes");
}

bool FakeSerialPort::Discard() {
  calls.push_back("Discard");
  if (Fails("Discard")) return false;
  input.clear();
  arrivals.clear();
  return true;
}

bool FakeSerialPort::SetDtr(bool on) {
  calls.push_back(on ? "SetDtr 1" : "SetDtr 0");
  if (Fails("SetDtr")) return false;
  dtr = on;
  return true;
}

long FakeSerialPort::QueuedCount() {
  if (goneError != 0) {
    lastError = goneError;
    return -goneError;
  }
  if (Fails("QueuedCount")) return -failError;
  return static_cast<long>(input.size());
}

long FakeSerialPort::Read(std::uint8_t* buffer, std::size_t count) {
  if (goneError != 0) {
    lastError = goneError;
    return -goneError;
  }
  if (Fails("Read")) return -failError;
  std::size_t n = std::min(count, input.size());
  std::copy_n(input.begin(), n, buffer);
  input.erase(input.begin(), input.begin() + static_cast<long>(n));
  arrivals.erase(arrivals.begin(), arrivals.begin() + static_cast<long>(std::min(n, arrivals.size())));
  return static_cast<long>(n);
}

WriteResult FakeSerialPort::Write(const std::uint8_t* data, std::size_t count) {
  calls.push_back("Write " + std::to_string(count));
  if (goneError != 0) {
    lastError = goneError;
    return {0, goneError};
  }
  WriteResult result{count, 0};
  if (!writeScript.empty()) {
    result = writeScript.front();
    writeScript.pop_front();
    result.accepted = std::min(result.accepted, count);
  } else if (writeChunk > 0) {
    result.accepted = std::min(count, writeChunk);
  }
  std::vector<std::uint8_t> accepted(data, data + result.accepted);
  written.insert(written.end(), accepted.begin(), accepted.end());
  if (result.error != 0) lastError = result.error;
  if (onWrite) onWrite(accepted);
  return result;
}

void FakeSerialPort::Close() {
  calls.push_back("Close");
  if (open) ++closes;
  open = false;
  dtr = false;
}

long FakeSerialPort::QueuedCountBy(std::int64_t ns) {
  const long queued = QueuedCount();
  // Bytes put into `input` directly have no time: they count as there.
  if (queued <= 0 || arrivals.size() != input.size()) return queued;
  long by = 0;
  while (by < queued && arrivals[static_cast<std::size_t>(by)] <= ns) ++by;
  return by;
}

void FakeSerialPort::FeedAt(const std::vector<std::uint8_t>& bytes, std::int64_t ns) {
  arrivals.resize(input.size(), ns);
  arrivals.insert(arrivals.end(), bytes.size(), ns);
  Feed(bytes);
}

void FakeSerialPort::Feed(const std::vector<std::uint8_t>& bytes) {
  if (arrivals.size() == input.size()) arrivals.insert(arrivals.end(), bytes.size(), 0);
  input.insert(input.end(), bytes.begin(), bytes.end());
  if (!bytes.empty() && std::exchange(noticeArmed, false) && inputNotice) inputNotice();
}

bool FakeSerialPort::ArmInputNotice() {
  if (!open || !input.empty() || goneError != 0) return false;
  noticeArmed = true;
  return true;
}

// ---- FakeClock ------------------------------------------------------------------

std::tm FakeClock::LocalTime() const { return local; }

}  // namespace lirosa::test
