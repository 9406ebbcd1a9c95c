#include "SimLoop.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>

namespace lirosa::sim {

namespace {

using std::chrono::milliseconds;

// How often to look again while the port is closed (the master reports a
// hang-up at once, so it cannot be waited on), while output waits for room
// (POLLOUT does not wake when a pty frees room), and while draining.
constexpr milliseconds kRecheck{10};
// Past this much output waiting, stop reading: the far end is then held
// back by its own full buffer, as with a real device that cannot keep up.
constexpr std::size_t kMaxQueued = 64 * 1024;
// A far end that has not read for this long is not waited for at exit.
constexpr milliseconds kDrainStall{2000};
constexpr std::size_t kReadChunk = 4096;

timespec ToTimespec(SimClock::duration wait) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
  return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

SimLoop::SimLoop(PtyEndpoint& pty, SimDevice& device, SimLog& log, std::FILE* report)
    : pty_(pty), device_(device), log_(log), report_(report) {}

int SimLoop::Run(const volatile std::sig_atomic_t& stopSignal, const sigset_t& waitMask, bool exitWhenDone) {
  while (stopSignal == 0) {
    const SimTime now = SimClock::now();
    if (!farEndOpen_ && pty_.FarEndOpen()) {
      MarkOpened(now);
    }
    if (farEndOpen_ && !ReadAvailable(now)) {
      return 1;
    }
    device_.Tick(now, *this);
    if (farEndOpen_ && !Flush(now)) {
      return 1;
    }
    if (!reported_ && device_.Finished()) {
      reported_ = true;
      lastDrainProgress_ = now;
      std::fprintf(report_, "%s\n", device_.Summary().c_str());
      std::fflush(report_);
    }
    const bool draining = reported_ && exitWhenDone;
    if (draining && FarEndHasRead(now)) {
      return 0;
    }

    std::optional<SimClock::duration> wait;
    if (!farEndOpen_ || Queued() > 0 || draining) {
      wait = kRecheck;
    }
    if (const auto wake = device_.NextWake()) {
      const auto untilWake = std::max(SimClock::duration::zero(), *wake - now);
      wait = wait ? std::min(*wait, untilWake) : untilWake;
    }
    pollfd entry{pty_.MasterFd(), 0, 0};
    nfds_t count = 0;
    if (farEndOpen_) {
      entry.events = static_cast<short>((Queued() < kMaxQueued ? POLLIN : 0) | (Queued() > 0 ? POLLOUT : 0));
      count = 1;
    }
    const timespec timeout = ToTimespec(wait.value_or(SimClock::duration::zero()));
    if (::ppoll(&entry, count, wait ? &timeout : nullptr, &waitMask) < 0 && errno != EINTR) {
      std::fprintf(stderr, "lirosa-sim: poll failed: %s\n", std::strerror(errno));
      return 1;
    }
  }
  return 0;
}

void SimLoop::Send(const std::uint8_t* data, std::size_t count) {
  if (queueHead_ == queue_.size()) {
    queue_.clear();
    queueHead_ = 0;
  }
  queue_.insert(queue_.end(), data, data + count);
}

bool SimLoop::ReadAvailable(SimTime now) {
  std::uint8_t buffer[kReadChunk];
  while (Queued() < kMaxQueued) {
    std::size_t got = 0;
    const auto result = pty_.Read(buffer, sizeof buffer, got);
    if (result != PtyEndpoint::Io::Ok) {
      return Settle(result, "read", now);
    }
    log_.Data("RX", now, buffer, got);
    device_.Received(buffer, got, now, *this);
  }
  // Not reading now, but a close must still be noticed.
  if (!pty_.FarEndOpen()) {
    MarkClosed(now);
  }
  return true;
}

bool SimLoop::Flush(SimTime now) {
  while (Queued() > 0) {
    std::size_t accepted = 0;
    const auto result = pty_.Write(queue_.data() + queueHead_, Queued(), accepted);
    if (accepted > 0) {
      log_.Data("TX", now, queue_.data() + queueHead_, accepted);
      queueHead_ += accepted;
      device_.Sent(accepted, now);
    }
    if (result != PtyEndpoint::Io::Ok) {
      return Settle(result, "write", now);
    }
  }
  return true;
}

bool SimLoop::Settle(PtyEndpoint::Io result, const char* what, SimTime now) {
  switch (result) {
    case PtyEndpoint::Io::Ok:
    case PtyEndpoint::Io::WouldBlock:
      return true;
    case PtyEndpoint::Io::FarEndClosed:
      MarkClosed(now);
      return true;
    case PtyEndpoint::Io::Failed:
      std::fprintf(stderr, "lirosa-sim: %s failed: %s\n", what, std::strerror(errno));
      return false;
  }
  return false;
}

void SimLoop::MarkOpened(SimTime now) {
  farEndOpen_ = true;
  log_.Event("OPEN", now);
  device_.Opened(now);
}

void SimLoop::MarkClosed(SimTime now) {
  farEndOpen_ = false;
  queue_.clear();
  queueHead_ = 0;
  log_.Event("CLOSE", now);
  device_.Closed(now);
}

bool SimLoop::FarEndHasRead(SimTime now) {
  // Closing the master hangs the port up and throws away what the far end
  // has not read yet, so a finished run waits for it to be taken.
  if (!farEndOpen_) {
    return true;
  }
  if (Queued() > 0) {
    return false;
  }
  const long unread = pty_.FarEndUnread();
  if (unread == 0 && lastUnread_ == 0) {
    return true;
  }
  if (unread >= 0 && unread != lastUnread_) {
    lastUnread_ = unread;
    lastDrainProgress_ = now;
    return false;
  }
  if (now - lastDrainProgress_ < kDrainStall) {
    return false;
  }
  if (unread > 0) {
    std::fprintf(stderr, "lirosa-sim: the far end stopped reading; exiting with %ld bytes unread\n", unread);
  }
  return true;
}

}  // namespace lirosa::sim
