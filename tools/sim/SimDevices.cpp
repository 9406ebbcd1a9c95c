#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <deque>
#include <utility>
#include <vector>

#include "ModbusSlave.h"
#include "SimDevice.h"

namespace lirosa::sim {

namespace {

using std::chrono::duration;
using std::chrono::duration_cast;
using std::chrono::milliseconds;

// An RTU slave drops a frame cut short by a silence on the line. A pty has
// no character time, and a sender's chunks may be split by scheduling, so
// this is far longer than 3.5 characters at any real speed.
constexpr milliseconds kFrameSilence{20};

// Flood keeps at most this much in the output queue, so pacing stays close
// to the port and nothing large is thrown away when the port closes.
constexpr std::uint64_t kFloodQueueLimit = 4096;
// A paced flood wakes at most about every 5 ms.
constexpr std::uint64_t kFloodStepsPerSecond = 200;
constexpr unsigned kFloodPatternModulus = 251;

std::string SentSummary(std::uint64_t bytes, SimTime first, SimTime last) {
  const double seconds = duration<double>(last - first).count();
  char line[96];
  std::snprintf(line, sizeof line, "SENT %" PRIu64 " bytes in %.6f seconds", bytes, seconds);
  return line;
}

class EchoDevice final : public SimDevice {
 public:
  void Received(const std::uint8_t* data, std::size_t count, SimTime, SimOutput& out) override {
    out.Send(data, count);
  }
};

class SilentDevice final : public SimDevice {};

class ModbusDevice final : public SimDevice {
 public:
  ModbusDevice(int address, int delayMs)
      : slave_(static_cast<std::uint8_t>(address)), delay_(delayMs) {}

  void Closed(SimTime) override {
    replies_.clear();
    slave_.DropPartialFrame();
  }

  void Received(const std::uint8_t* data, std::size_t count, SimTime now, SimOutput&) override {
    lastReceived_ = now;
    for (auto& reply : slave_.Feed(data, count)) {
      replies_.emplace_back(now + delay_, std::move(reply));
    }
  }

  void Tick(SimTime now, SimOutput& out) override {
    if (slave_.HasPartialFrame() && now - lastReceived_ >= kFrameSilence) {
      slave_.DropPartialFrame();
    }
    while (!replies_.empty() && replies_.front().first <= now) {
      const auto& reply = replies_.front().second;
      out.Send(reply.data(), reply.size());
      replies_.pop_front();
    }
  }

  std::optional<SimTime> NextWake() const override {
    std::optional<SimTime> wake;
    if (!replies_.empty()) {
      wake = replies_.front().first;
    }
    if (slave_.HasPartialFrame()) {
      const SimTime silence = lastReceived_ + kFrameSilence;
      wake = wake ? std::min(*wake, silence) : silence;
    }
    return wake;
  }

 private:
  ModbusSlave slave_;
  milliseconds delay_;
  SimTime lastReceived_{};
  // Replies in the order their requests came, each with the time it is due.
  std::deque<std::pair<SimTime, std::vector<std::uint8_t>>> replies_;
};

class ScriptDevice final : public SimDevice {
 public:
  explicit ScriptDevice(std::vector<ScriptFrame> frames) : frames_(std::move(frames)) {}

  void Opened(SimTime now) override {
    open_ = true;
    if (next_ < frames_.size()) {
      due_ = now + milliseconds(frames_[next_].delayMs);
    }
  }

  void Closed(SimTime) override {
    open_ = false;
    // What the port had not taken was dropped with the queue.
    queued_ = accepted_;
  }

  void Tick(SimTime now, SimOutput& out) override {
    while (open_ && next_ < frames_.size() && now >= due_) {
      if (next_ == 0) {
        first_ = now;
      }
      const auto& bytes = frames_[next_].bytes;
      out.Send(bytes.data(), bytes.size());
      queued_ += bytes.size();
      ++next_;
      // From the actual send, so a late wake never shortens the next gap.
      if (next_ < frames_.size()) {
        due_ = now + milliseconds(frames_[next_].delayMs);
      }
    }
  }

  void Sent(std::size_t count, SimTime now) override {
    accepted_ += count;
    last_ = now;
  }

  std::optional<SimTime> NextWake() const override {
    if (!open_ || next_ >= frames_.size()) {
      return std::nullopt;
    }
    return due_;
  }

  bool Finished() const override { return next_ == frames_.size() && accepted_ == queued_; }
  std::string Summary() const override { return SentSummary(accepted_, first_, std::max(first_, last_)); }

 private:
  std::vector<ScriptFrame> frames_;
  bool open_ = false;
  std::size_t next_ = 0;
  SimTime due_{};
  std::uint64_t queued_ = 0;
  std::uint64_t accepted_ = 0;
  SimTime first_{};
  SimTime last_{};
};

class FloodDevice final : public SimDevice {
 public:
  FloodDevice(std::uint64_t total, std::uint64_t rate, int startDelayMs)
      : total_(total), rate_(rate), startDelay_(startDelayMs) {}

  void Opened(SimTime now) override {
    open_ = true;
    if (!started_) {
      startAt_ = now + startDelay_;
      return;
    }
    // Pick the pace up where it stopped, instead of catching up in a burst.
    paceOrigin_ = now - PaceTime(accepted_);
  }

  void Closed(SimTime) override {
    open_ = false;
    offered_ = accepted_;
  }

  void Tick(SimTime now, SimOutput& out) override {
    if (!open_ || finished_ || now < startAt_) {
      return;
    }
    if (!started_) {
      started_ = true;
      first_ = now;
      last_ = now;
      paceOrigin_ = now;
    }
    if (accepted_ == total_) {
      finished_ = true;
      return;
    }
    std::uint64_t allowed = total_;
    if (rate_ != 0) {
      const double elapsed = duration<double>(now - paceOrigin_).count();
      allowed = std::min<std::uint64_t>(total_, static_cast<std::uint64_t>(elapsed * static_cast<double>(rate_)));
    }
    const std::uint64_t room = kFloodQueueLimit - std::min(kFloodQueueLimit, offered_ - accepted_);
    const std::uint64_t count = std::min(room, allowed > offered_ ? allowed - offered_ : 0);
    if (count == 0) {
      return;
    }
    chunk_.resize(count);
    for (std::uint64_t i = 0; i < count; ++i) {
      chunk_[i] = static_cast<std::uint8_t>((offered_ + i) % kFloodPatternModulus);
    }
    out.Send(chunk_.data(), chunk_.size());
    offered_ += count;
  }

  void Sent(std::size_t count, SimTime now) override {
    accepted_ += count;
    last_ = now;
    if (accepted_ == total_) {
      finished_ = true;
    }
  }

  std::optional<SimTime> NextWake() const override {
    if (!open_ || finished_) {
      return std::nullopt;
    }
    if (!started_) {
      return startAt_;
    }
    // A full queue is emptied by the port; the loop retries that itself.
    if (offered_ - accepted_ >= kFloodQueueLimit || offered_ == total_) {
      return std::nullopt;
    }
    if (rate_ == 0) {
      return paceOrigin_;
    }
    const std::uint64_t step = std::min(std::max<std::uint64_t>(1, rate_ / kFloodStepsPerSecond), total_ - offered_);
    return paceOrigin_ + PaceTime(offered_ + step);
  }

  bool Finished() const override { return finished_; }
  std::string Summary() const override { return SentSummary(accepted_, first_, last_); }

 private:
  // How long the pace takes for `bytes`.
  SimClock::duration PaceTime(std::uint64_t bytes) const {
    if (rate_ == 0) {
      return SimClock::duration::zero();
    }
    return duration_cast<SimClock::duration>(
        duration<double>(static_cast<double>(bytes) / static_cast<double>(rate_)));
  }

  std::uint64_t total_;
  std::uint64_t rate_;
  milliseconds startDelay_;
  bool open_ = false;
  bool started_ = false;
  bool finished_ = false;
  SimTime startAt_{};
  SimTime paceOrigin_{};
  SimTime first_{};
  SimTime last_{};
  std::uint64_t offered_ = 0;
  std::uint64_t accepted_ = 0;
  std::vector<std::uint8_t> chunk_;
};

}  // namespace

std::unique_ptr<SimDevice> MakeSimDevice(const SimOptions& options) {
  switch (options.mode) {
    case SimMode::Echo:
      return std::make_unique<EchoDevice>();
    case SimMode::Modbus:
      return std::make_unique<ModbusDevice>(options.modbusAddress, options.modbusDelayMs);
    case SimMode::Silent:
      return std::make_unique<SilentDevice>();
    case SimMode::Script:
      return std::make_unique<ScriptDevice>(options.frames);
    case SimMode::Flood:
      return std::make_unique<FloodDevice>(options.floodBytes, options.floodRate, options.startDelayMs);
  }
  return nullptr;
}

}  // namespace lirosa::sim
