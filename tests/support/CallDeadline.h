#pragma once

#include <signal.h>
#include <sys/time.h>

#include <chrono>

namespace lirosa::test {

// Interrupts a system call that blocks for longer than `limit`: a SIGALRM
// without SA_RESTART makes the blocked call fail with EINTR, so a test of
// "never waits" fails instead of hanging. One at a time, single-threaded
// tests only; the previous handler comes back on destruction.
class CallDeadline {
 public:
  explicit CallDeadline(std::chrono::milliseconds limit) {
    struct sigaction action {};
    action.sa_handler = [](int) { expired_ = 1; };
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    expired_ = 0;
    sigaction(SIGALRM, &action, &previous_);
    itimerval timer{};
    timer.it_value.tv_sec = static_cast<time_t>(limit.count() / 1000);
    timer.it_value.tv_usec = static_cast<suseconds_t>(limit.count() % 1000 * 1000);
    setitimer(ITIMER_REAL, &timer, nullptr);
  }
  ~CallDeadline() {
    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &previous_, nullptr);
  }
  CallDeadline(const CallDeadline&) = delete;
  CallDeadline& operator=(const CallDeadline&) = delete;

  // True once the limit has passed.
  static bool Expired() { return expired_ != 0; }

 private:
  static inline volatile sig_atomic_t expired_ = 0;
  struct sigaction previous_ {};
};

}  // namespace lirosa::test
