// The window's receive path without a display: a MonitorDialog on the real
// POSIX port, driven by 10 ms ticks as the toolkit's timers would drive it,
// with capture on, until a flood of known size has arrived.
//
//   lirosa-bench-receiver --port PATH --bytes N [--timeout-s S] [--keep]
//
// Prints one line on stdout for the benchmark driver:
//   RESULT counted=... frames=... capture_bytes=... capture_intact=0|1 ...
// (last_byte_at is CLOCK_MONOTONIC seconds at the tick that took the last
// byte, comparable with the driver's clock.)
// Box texts the window raised go to stderr. Exit status 0 when every byte
// arrived and the capture holds exactly them, 1 otherwise, 2 on bad usage.

#include <sys/resource.h>
#include <time.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "CountingTrafficView.h"
#include "FloodPattern.h"
#include "app/ControlIds.h"
#include "app/LineLists.h"
#include "app/MonitorDialog.h"
#include "app/SettingsFiles.h"
#include "serial/BufferedSerialPort.h"
#include "serial/PosixSerialPort.h"
#include "support/FakeControls.h"
#include "support/Fakes.h"

namespace {

using namespace lirosa;

constexpr long kTickNs = 10'000'000;  // both window timers run at 10 ms
constexpr int kBaud115200Index = 12;
constexpr int kDataBits8Index = 2;

struct Options {
  std::string port;
  std::int64_t bytes = -1;
  double timeoutS = 60;  // for the whole flood
  double stallS = 3;     // no byte for this long after the first: give up
  bool keep = false;     // leave the temporary folder for a look
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--port" && hasValue) {
      options.port = argv[++i];
    } else if (arg == "--bytes" && hasValue) {
      options.bytes = std::strtoll(argv[++i], nullptr, 10);
    } else if (arg == "--timeout-s" && hasValue) {
      options.timeoutS = std::strtod(argv[++i], nullptr);
    } else if (arg == "--keep") {
      options.keep = true;
    } else {
      return false;
    }
  }
  return !options.port.empty() && options.bytes >= 0;
}

double Seconds(const timespec& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return Seconds(now);
}

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

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: %s --port PATH --bytes N [--timeout-s S] [--keep]\n", argv[0]);
    return 2;
  }

  std::string pattern = (std::filesystem::temp_directory_path() / "lirosa-receive-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::filesystem::path dir = pattern;
  const std::string capturePath = (dir / "capture.txt").string();

  // The window finds its port where a user's last session left it.
  const PortSettings port{options.port, kBaud115200Index, kDataBits8Index, 0, 0};
  if (WriteSettingsFiles(dir.string(), port, {"", "", ""}).error != 0) {
    std::fprintf(stderr, "cannot write the settings into %s\n", dir.c_str());
    return 1;
  }

  test::FakeControls controls;
  test::FakePrompts prompts;
  bench::CountingTrafficView view;
  PosixSerialPort device;
  BufferedSerialPort serial(device);
  SystemClock clock;
  test::FakeWindow window;
  Platform platform{controls, prompts, view, serial, clock, window, {}, dir.string()};
  MonitorDialog dialog(platform);
  dialog.InitDialog();
  if (!dialog.portOpen) {
    for (const std::string& text : prompts.Texts()) std::fprintf(stderr, "box: %s\n", text.c_str());
    std::fprintf(stderr, "the window could not open %s\n", options.port.c_str());
    return 1;
  }
  controls.SetText(kIdCaptureFileName, capturePath);
  dialog.captureFileName = capturePath;
  dialog.OnCommand(kIdCapture, Notification::Clicked);

  const double start = Now();
  double firstByte = 0;
  double lastByte = 0;
  std::int64_t ticks = 0;
  std::int64_t lateTicks = 0;
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  for (;;) {
    AddNs(next, kTickNs);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
    }
    const std::int64_t before = dialog.counters.receivedBytes;
    dialog.OnTimer(kLineTimerId);
    const double now = Now();
    dialog.OnTimer(kLampTimerId);
    ++ticks;
    if (dialog.counters.receivedBytes > before) {
      if (firstByte == 0) firstByte = now;
      lastByte = now;
    }
    // A tick that overran does not make the next ones come in a burst: like
    // the toolkit's timer, the schedule moves on from now.
    timespec current{};
    clock_gettime(CLOCK_MONOTONIC, &current);
    timespec due = next;
    AddNs(due, kTickNs);
    if (Before(due, current)) {
      ++lateTicks;
      next = current;
    }
    // Done once every byte is in and the last frame has ended, so that the
    // capture holds it too.
    if (dialog.counters.receivedBytes >= options.bytes && dialog.rxFrame.frame.empty()) break;
    if (!dialog.portOpen) break;
    if (now - start > options.timeoutS) break;
    if (firstByte != 0 && now - lastByte > options.stallS) break;
  }
  dialog.OnClose();

  const std::int64_t counted = dialog.counters.receivedBytes;
  std::error_code error;
  const auto captureSize = std::filesystem::file_size(capturePath, error);
  const bench::FloodCheck check = bench::CheckHexFlood(capturePath);
  const bool consistent = !error && captureSize == static_cast<std::uintmax_t>(counted) * 3 &&
                          check.intact && check.bytes == static_cast<std::uint64_t>(counted);
  const double elapsed = lastByte - firstByte;
  for (const std::string& text : prompts.Texts()) std::fprintf(stderr, "box: %s\n", text.c_str());
  if (!check.intact) std::fprintf(stderr, "capture: %s\n", check.problem.c_str());

  std::printf(
      "RESULT counted=%lld frames=%lld capture_bytes=%llu capture_decoded=%llu capture_intact=%d "
      "last_byte_at=%.6f elapsed_s=%.6f cpu_s=%.6f ticks=%lld late_ticks=%lld view_appends=%llu "
      "view_clears=%llu "
      "boxes=%zu\n",
      static_cast<long long>(counted), static_cast<long long>(dialog.counters.receivedFrames),
      static_cast<unsigned long long>(error ? 0 : captureSize),
      static_cast<unsigned long long>(check.bytes), consistent ? 1 : 0, lastByte, elapsed,
      CpuSeconds(), static_cast<long long>(ticks), static_cast<long long>(lateTicks),
      static_cast<unsigned long long>(view.appends), static_cast<unsigned long long>(view.clears),
      prompts.shown.size());
  std::fflush(stdout);

  if (options.keep) {
    std::fprintf(stderr, "kept %s\n", dir.c_str());
  } else {
    std::filesystem::remove_all(dir, error);
  }
  return counted == options.bytes && consistent ? 0 : 1;
}
