// The window's receive path without a display: a MonitorDialog on the real
// POSIX port (drained by its reader thread, as in the program), driven by
// 10 ms ticks as the toolkit's timers would drive it, with capture on,
// until a flood of known size has arrived.
//
//   lirosa-bench-receiver --port PATH --bytes N [--capture FILE] [--timeout-s S] [--keep]
//
// Prints one line on stdout for the benchmark driver:
//   RESULT counted=... frames=... capture_bytes=... capture_intact=0|1|-1 ...
// (-1: the capture went to --capture FILE, for the caller to check)
// (last_byte_at is CLOCK_MONOTONIC seconds at the tick that took the last
// byte, comparable with the driver's clock.)
// Box texts the window raised go to stderr. Exit status 0 when every byte
// arrived and the capture holds exactly them, 1 otherwise, 2 on bad usage.

#include <time.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>

#include "CountingTrafficView.h"
#include "ReceiverRun.h"
#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "serial/BufferedSerialPort.h"
#include "serial/PosixSerialPort.h"
#include "support/FakeControls.h"
#include "support/Fakes.h"

namespace {

using namespace lirosa;

constexpr long kTickNs = 10'000'000;  // both window timers run at 10 ms

void AddNs(timespec& t, long ns) {
  t.tv_nsec += ns;
  while (t.tv_nsec >= 1'000'000'000) {
    t.tv_nsec -= 1'000'000'000;
    ++t.tv_sec;
  }
}

bool Before(const timespec& a, const timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

}  // namespace

int main(int argc, char** argv) {
  bench::ReceiverOptions options;
  bench::ReceiverFolder folder;
  if (const int status = bench::PrepareReceiver(argc, argv, options, folder)) return status;

  test::FakeControls controls;
  test::FakePrompts prompts;
  bench::CountingTrafficView view;
  PosixSerialPort device;
  BufferedSerialPort serial(device);
  SystemClock clock;
  test::FakeWindow window;
  Platform platform{controls, prompts, view, serial, clock, window, {}, folder.dir.string()};
  MonitorDialog dialog(platform);
  dialog.InitDialog();
  if (!bench::PortOpened(dialog, prompts, options)) return 1;
  bench::StartCapture(dialog, controls, folder);

  bench::TickLog log(options);
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  for (;;) {
    AddNs(next, kTickNs);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
    }
    const std::int64_t before = dialog.counters.receivedBytes;
    dialog.OnTimer(kLineTimerId);
    dialog.OnTimer(kLampTimerId);
    // A tick that overran does not make the next ones come in a burst: like
    // the toolkit's timer, the schedule moves on from now.
    timespec current{};
    clock_gettime(CLOCK_MONOTONIC, &current);
    timespec due = next;
    AddNs(due, kTickNs);
    const bool late = Before(due, current);
    if (late) next = current;
    log.Tick(dialog, before, late);
    if (log.Done(dialog)) break;
  }
  const std::string extra = "view_appends=" + std::to_string(view.appends) +
                            " view_clears=" + std::to_string(view.clears);
  return bench::FinishReceiver(dialog, prompts, folder, options, log, extra);
}
