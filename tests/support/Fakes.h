#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Clock.h"
#include "app/Prompts.h"
#include "app/WindowHost.h"
#include "display/TrafficView.h"
#include "serial/SerialPort.h"

namespace lirosa::test {

// Answers prompts from queues and records every box shown. `whileOpen` runs
// while a message box is "open", standing in for the ticks a modal box lets
// through.
class FakePrompts final : public Prompts {
 public:
  enum class Kind { Plain, Stop, Warning };
  struct Shown {
    Kind kind;
    std::string text;
  };

  void Message(const std::string& text) override { Record(Kind::Plain, text); }
  void StopMessage(const std::string& text) override { Record(Kind::Stop, text); }
  void WarningMessage(const std::string& text) override { Record(Kind::Warning, text); }
  std::optional<std::string> ChooseFile(const FileChoice& choice) override;
  std::optional<ChecksumKind> ChooseChecksum() override;
  void ShowAbout() override { ++aboutShown; }
  void Beep() override { ++beeps; }

  // Texts of the boxes shown, in order.
  std::vector<std::string> Texts() const;

  std::vector<Shown> shown;
  std::deque<std::optional<std::string>> fileAnswers;
  std::vector<FileChoice> fileQuestions;
  std::deque<std::optional<ChecksumKind>> checksumAnswers;
  std::function<void()> whileOpen;
  int aboutShown = 0;
  int beeps = 0;

 private:
  void Record(Kind kind, const std::string& text);
};

// A traffic view that keeps its text and the colour of every character.
// Lines are split at CR; with `wrapWidth` > 0 long lines count as several.
class FakeTrafficView final : public TrafficView {
 public:
  struct Piece {
    std::string text;
    Colour colour;
  };

  std::size_t TextLength() const override;
  int LineCount() const override;
  void Clear() override;
  void Append(const std::string& text, Colour colour) override;
  void SetDefaultColour(Colour colour) override { defaultColour = colour; }

  std::string text;
  std::vector<Piece> pieces;  // every append since the last clear
  Colour defaultColour{};
  int wrapWidth = 0;
  int clears = 0;
};

// A serial port in memory. Records every call, serves queued input, keeps
// what was written, and can be told to fail any call.
class FakeSerialPort final : public SerialPort {
 public:
  bool Open(const std::string& devicePath) override;
  bool IsOpen() const override { return open; }
  bool GetLineState(LineState& state) override;
  bool SetLineState(const LineState& state) override;
  bool SetTimeouts(const Timeouts& timeouts) override;
  bool SetQueueSizes(std::size_t input, std::size_t output) override;
  bool Discard() override;
  bool SetDtr(bool on) override;
  int LastError() const override { return lastError; }
  void SetLastError(int error) override { lastError = error; }
  long QueuedCount() override;
  bool StampsArrivals() const override { return stampsArrivals; }
  long QueuedCountBy(std::int64_t ns) override;
  long Read(std::uint8_t* buffer, std::size_t count) override;
  WriteResult Write(const std::uint8_t* data, std::size_t count) override;
  void Close() override;

  // Adds bytes the device "sent"; gives an armed input notice.
  void Feed(const std::vector<std::uint8_t>& bytes);
  // The same, the bytes stamped as arrived at `ns` (QueuedCountBy).
  void FeedAt(const std::vector<std::uint8_t>& bytes, std::int64_t ns);
  void SetInputNotice(std::function<void()> notice) override { inputNotice = std::move(notice); }
  bool ArmInputNotice() override;

  std::vector<std::string> calls;  // "Open /dev/ttyS2", "SetDtr 1", ...
  std::string failCall;            // the call name that fails next ("Open", "SetLineState" ...)
  int failError = 5;               // errno recorded by that failure
  bool failAlways = false;         // keep failing, not just once
  int goneError = 0;               // non-zero: QueuedCount/Read/Write fail with it
  std::size_t writeChunk = 0;      // >0: accept at most this many bytes per Write
  std::deque<WriteResult> writeScript;  // forced results of the next writes
  std::function<void(const std::vector<std::uint8_t>&)> onWrite;

  bool open = false;
  bool dtr = false;
  int lastError = 0;
  std::string path;
  LineState line;
  LineState deviceLine;  // what GetLineState reports at open
  Timeouts timeouts;
  std::deque<std::uint8_t> input;
  std::deque<std::int64_t> arrivals;  // per byte of input, when fed with a time
  bool stampsArrivals = false;
  std::vector<std::uint8_t> written;
  std::function<void()> inputNotice;
  bool noticeArmed = false;
  int opens = 0;
  int closes = 0;

 private:
  bool Fails(const char* call);
};

class FakeClock final : public Clock {
 public:
  std::time_t Now() const override { return now; }
  std::tm LocalTime() const override;
  std::int64_t MonotonicNs() const override { return realMonotonic ? SteadyNowNs() : monotonicNs; }
  std::time_t now = 1704164645;  // 2024-01-02 03:04:05 UTC
  std::int64_t monotonicNs = 0;
  bool realMonotonic = false;  // for tests on real timers
  std::tm local = [] {  // [2024:01:02:03:04:05]
    std::tm t{};
    t.tm_sec = 5;
    t.tm_min = 4;
    t.tm_hour = 3;
    t.tm_mday = 2;
    t.tm_year = 124;
    t.tm_wday = 2;
    t.tm_yday = 1;
    return t;
  }();
};

class FakeWindow final : public WindowHost {
 public:
  void SetTitle(const std::string& t) override { title = t; }
  void SetStayOnTop(bool topmost) override {
    stayOnTop = topmost;
    ++stayOnTopCalls;
  }
  void RepaintStayOnTop() override { ++stayOnTopRepaints; }
  ScreenSize PrimaryScreen() const override { return screen; }
  void ShowLamps(const LampFrame& frame) override { lamps.push_back(frame); }
  void StartTimers() override { timersStarted = true; }
  bool PauseTimers() override {
    paused = canPause;
    return canPause;
  }
  std::int64_t ResumeTimers() override {
    paused = false;
    ++resumes;
    return skippedTicks;
  }
  bool BatchTicks(int ticks) override {
    if (!canBatch) return false;
    batchTicks = ticks;
    return true;
  }
  void PostWake() override { ++wakePosts; }
  bool PostShowMessages() override {
    if (postsMessages) ++messagePosts;
    return postsMessages;
  }
  void EndDialog() override { ended = true; }

  std::string title;
  bool stayOnTop = true;
  int stayOnTopCalls = 0;
  int stayOnTopRepaints = 0;
  ScreenSize screen{1024, 768};
  std::vector<LampFrame> lamps;
  bool timersStarted = false;
  bool canPause = true;
  bool paused = false;
  int resumes = 0;
  std::int64_t skippedTicks = 0;  // what the next ResumeTimers reports
  bool canBatch = false;
  int batchTicks = 1;
  int wakePosts = 0;
  // As the Qt host: boxes raised in a tick wait for ShowPendingMessages.
  bool postsMessages = false;
  int messagePosts = 0;
  bool ended = false;
};

}  // namespace lirosa::test
