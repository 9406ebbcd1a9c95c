// The receive path on arbitrary line traffic: a window on the fake port is
// fed chunks of bytes between line ticks while the user flips the display
// options.
//
// The input is a list of steps, each:
//   flags   bit 0 hex display, bit 1 key-word filter, bit 2 auto-clear,
//           bit 3 pause/resume display (each one flips the option),
//           bit 4 a new key word follows: a length byte (low 4 bits) and
//           its bytes; bits 5-7 n: the chunk is fed 2^n times in a row
//   length  bytes in the chunk
//   ticks   line ticks after the feed (low 4 bits; 0 lets feeds pile up)
//   chunk   `length` bytes
// Feeds stop once 256 KiB have been fed.
// After the last step the window gets ticks until every byte is read and
// the last frame has ended.
//
// After every step the bytes that ended in frames during it are checked
// against what reached the display: all of them with the filter off (hex
// exactly; in text mode the ASCII bytes, which no UTF-8 repair can touch),
// in order and containing the key with it on, none while the display is
// paused. No frame may exceed 4095 bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Require.h"
#include "ScratchFolder.h"
#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "support/FakeControls.h"
#include "support/Fakes.h"
#include "transmit/HexText.h"

using lirosa::fuzz::Require;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::size_t kLargestFrame = lirosa::kFrameSize - 1;
constexpr int kDrainTickLimit = 10000;
// Enough to outrun a tick's read limit twice over; more only slows the run.
constexpr std::size_t kMostBytesFed = 256 * 1024;

// Keeps every record appended since the last look, across clears, and the
// line and character counts the auto-clear rule asks for.
class RecordingView final : public lirosa::TrafficView {
 public:
  std::size_t TextLength() const override { return characters_; }
  int LineCount() const override { return lines_; }
  void Clear() override {
    characters_ = 0;
    lines_ = 1;
  }
  void Append(const std::string& text, lirosa::Colour colour) override {
    Require(colour == lirosa::kReceivedColour, "only received records are shown");
    characters_ += static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
    lines_ += static_cast<int>(std::count(text.begin(), text.end(), '\r'));
    records.push_back(text);
  }
  void SetDefaultColour(lirosa::Colour) override {}

  std::vector<std::string> records;

 private:
  std::size_t characters_ = 0;
  int lines_ = 1;
};

bool IsValidUtf8(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t more = 0;
    std::uint32_t value = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      more = 1;
      value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      more = 2;
      value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      more = 3;
      value = lead & 0x07;
    } else {
      return false;
    }
    if (i + more >= text.size()) return false;
    for (std::size_t k = 1; k <= more; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    const std::uint32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (value < smallest[more] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      return false;
    }
    i += more + 1;
  }
  return true;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A hex record is "XX " per byte.
Bytes DecodeHexRecord(const std::string& text) {
  Require(text.size() % 3 == 0, "a hex record has three characters per byte");
  Bytes bytes;
  for (std::size_t i = 0; i < text.size(); i += 3) {
    const int high = DigitValue(text[i]);
    const int low = DigitValue(text[i + 1]);
    Require(high >= 0 && low >= 0 && text[i + 2] == ' ', "a hex record is digit pairs and spaces");
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

std::string AsciiOf(const std::uint8_t* data, std::size_t n) {
  std::string ascii;
  for (std::size_t i = 0; i < n; ++i) {
    if (data[i] != 0 && data[i] < 0x80) ascii += static_cast<char>(data[i]);
  }
  return ascii;
}

bool IsSubsequence(const std::string& part, const std::string& whole) {
  std::size_t at = 0;
  for (char c : part) {
    at = whole.find(c, at);
    if (at == std::string::npos) return false;
    ++at;
  }
  return true;
}

class Session {
 public:
  Session() : dialog_(Wiring()) {
    dialog_.InitDialog();
    Require(dialog_.portOpen, "the fake port opens");
  }

  void Run(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    while (at + 3 <= size) {
      const std::uint8_t flags = data[at];
      std::size_t length = data[at + 1];
      const int ticks = data[at + 2] & 0x0F;
      at += 3;
      if ((flags & 0x10) != 0 && at < size) {
        const std::size_t keyLength = std::min<std::size_t>(data[at] & 0x0F, size - at - 1);
        controls_.SetText(lirosa::kIdKeyword,
                          std::string(reinterpret_cast<const char*>(data + at + 1), keyLength));
        at += 1 + keyLength;
      }
      length = std::min(length, size - at);
      Flip(flags);
      const Bytes chunk(data + at, data + at + length);
      at += length;
      Bytes fed;
      for (int copies = 1 << (flags >> 5);
           copies > 0 && fed_.size() + fed.size() + length <= kMostBytesFed; --copies) {
        fed.insert(fed.end(), chunk.begin(), chunk.end());
      }
      port_.Feed(fed);
      fed_.insert(fed_.end(), fed.begin(), fed.end());
      for (int i = 0; i < ticks; ++i) Tick();
      Check();
    }
    for (int i = 0; !port_.input.empty(); ++i) {
      Require(i < kDrainTickLimit, "queued bytes are read within bounded ticks");
      Tick();
    }
    for (int i = 0; i <= lirosa::kFrameEndIdleTicks; ++i) Tick();
    Check();
    Require(port_.input.empty(), "every fed byte was read");
    Require(dialog_.rxFrame.frame.empty(), "silence ends the last frame");
    Require(ended_ == fed_.size(), "every fed byte ended in a frame");
    Require(prompts_.shown.empty(), "receiving raises no message");
  }

 private:
  // The fakes are made before the window that holds them.
  lirosa::Platform Wiring() {
    const std::string settings = lirosa::fuzz::ScratchFolder::Get().Path();
    // The device tree is the scratch folder too: no real console or ttyS
    // is ever looked up.
    return {controls_, prompts_, view_, port_, clock_, window_, {}, settings, nullptr, settings,
            settings};
  }

  void Tick() { dialog_.OnTimer(lirosa::kLineTimerId); }

  void Flip(std::uint8_t flags) {
    for (auto [bit, id] :
         {std::pair{0x01, lirosa::kIdHexDisplay}, std::pair{0x02, lirosa::kIdKeywordFilter},
          std::pair{0x04, lirosa::kIdAutoClear}}) {
      if ((flags & bit) != 0) controls_.SetCheck(id, controls_.Check(id) == 0 ? 1 : 0);
    }
    if ((flags & 0x08) != 0) {
      dialog_.OnCommand(lirosa::kIdPauseDisplay, lirosa::Notification::Clicked);
    }
  }

  // Options only change between steps and every tick reads them in first,
  // so the window's values now are the ones every frame of the step met.
  void Check() {
    const lirosa::MonitorDialog& d = dialog_;
    const auto read = static_cast<std::size_t>(d.counters.receivedBytes);
    Require(read == fed_.size() - port_.input.size(), "the byte counter counts every byte read");
    if (read > 0) {
      Require(controls_.Text(lirosa::kIdReceivedBytes) == std::to_string(d.counters.receivedBytes),
              "the byte counter is shown");
    }
    Require(d.rxFrame.frame.size() <= kLargestFrame, "a frame never reaches the buffer's size");
    Require(read >= d.rxFrame.frame.size(), "the open frame holds bytes read");
    const std::size_t ended = read - d.rxFrame.frame.size();
    Require(ended >= ended_, "ended bytes never go back");
    const std::uint8_t* segment = fed_.data() + ended_;
    const std::size_t segmentSize = ended - ended_;
    const auto frames = static_cast<std::size_t>(d.counters.receivedFrames - frames_);
    Require(frames <= segmentSize, "no empty frame");
    Require(frames * kLargestFrame >= segmentSize, "no frame longer than 4095 bytes");
    ended_ = ended;
    frames_ = d.counters.receivedFrames;

    std::vector<std::string> records;
    records.swap(view_.records);
    if (!d.displayActive) {
      Require(records.empty(), "a paused display shows nothing");
      return;
    }
    const bool filtering = d.keywordFilter != 0 && !d.keyword.empty();
    // A step that ended one frame ended the whole segment, so whether the
    // frame had to be shown is known.
    if (frames == 1) {
      const bool visible = d.hexDisplay != 0 || std::any_of(segment, segment + segmentSize,
                                                            [](std::uint8_t b) { return b != 0; });
      Require(records.size() == (visible && PassesFilter(segment, segmentSize) ? 1u : 0u),
              "a frame is shown exactly when it passes the key-word filter");
    }
    if (d.hexDisplay != 0) {
      CheckHexRecords(records, segment, segmentSize, frames, filtering);
      return;
    }
    CheckTextRecords(records, segment, segmentSize, frames, filtering);
  }

  // The key-word rule: a hex key word that is not hex text matches nothing,
  // one that holds no bytes matches everything.
  bool PassesFilter(const std::uint8_t* frame, std::size_t n) const {
    const lirosa::MonitorDialog& d = dialog_;
    if (d.keywordFilter == 0 || d.keyword.empty()) return true;
    Bytes key(d.keyword.begin(), d.keyword.end());
    if (d.hexDisplay != 0 && lirosa::HexTextToBytes(lirosa::UpperCase(d.keyword), true, key) !=
                                 lirosa::HexParseResult::Ok) {
      return false;
    }
    return std::search(frame, frame + n, key.begin(), key.end()) != frame + n;
  }

  void CheckHexRecords(const std::vector<std::string>& records, const std::uint8_t* segment,
                       std::size_t segmentSize, std::size_t frames, bool filtering) {
    Bytes shown;
    const std::uint8_t* const end = segment + segmentSize;
    const std::uint8_t* at = segment;
    for (const std::string& record : records) {
      const Bytes frame = DecodeHexRecord(record);
      Require(!frame.empty() && frame.size() <= kLargestFrame,
              "a shown frame holds 1 to 4095 bytes");
      if (filtering) {
        Require(PassesFilter(frame.data(), frame.size()), "a shown frame contains the key word");
        at = std::search(at, end, frame.begin(), frame.end());
        Require(at != end, "shown frames are the received bytes, in order");
        at += frame.size();
      }
      shown.insert(shown.end(), frame.begin(), frame.end());
    }
    if (filtering) return;
    Require(records.size() == frames, "without a filter every frame is shown");
    Require(shown == Bytes(segment, end), "without a filter every byte is shown, in order");
  }

  void CheckTextRecords(const std::vector<std::string>& records, const std::uint8_t* segment,
                        std::size_t segmentSize, std::size_t frames, bool filtering) {
    std::string ascii;
    const std::string& key = dialog_.keyword;
    const bool plainKey =
        AsciiOf(reinterpret_cast<const std::uint8_t*>(key.data()), key.size()) == key;
    for (const std::string& record : records) {
      Require(!record.empty() && IsValidUtf8(record), "a text record is valid UTF-8");
      Require(record.find('\0') == std::string::npos, "zero bytes are left out");
      if (filtering && plainKey) {
        Require(record.find(key) != std::string::npos, "a shown frame contains the key word");
      }
      ascii += AsciiOf(reinterpret_cast<const std::uint8_t*>(record.data()), record.size());
    }
    Require(records.size() <= frames, "at most one record per frame");
    const std::string received = AsciiOf(segment, segmentSize);
    if (filtering) {
      Require(IsSubsequence(ascii, received), "shown text comes from the received bytes");
      return;
    }
    Require(ascii == received, "without a filter every ASCII byte is shown, in order");
  }

  lirosa::test::FakeControls controls_;
  lirosa::test::FakePrompts prompts_;
  RecordingView view_;
  lirosa::test::FakeSerialPort port_;
  lirosa::test::FakeClock clock_;
  lirosa::test::FakeWindow window_;
  lirosa::MonitorDialog dialog_;
  Bytes fed_;
  std::size_t ended_ = 0;
  std::int64_t frames_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Session session;
  session.Run(data, size);
  return 0;
}
