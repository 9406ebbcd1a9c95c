#include "ReceiverRun.h"

#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "FloodPattern.h"
#include "app/ControlIds.h"
#include "app/DialogControls.h"
#include "app/MonitorDialog.h"
#include "app/SettingsFiles.h"
#include "support/Fakes.h"

namespace lirosa::bench {

namespace {

constexpr int kBaud115200Index = 12;
constexpr int kDataBits8Index = 2;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool ParseOptions(int argc, char** argv, ReceiverOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--port" && hasValue) {
      options.port = argv[++i];
    } else if (arg == "--bytes" && hasValue) {
      options.bytes = std::strtoll(argv[++i], nullptr, 10);
    } else if (arg == "--timeout-s" && hasValue) {
      options.timeoutS = std::strtod(argv[++i], nullptr);
    } else if (arg == "--capture" && hasValue) {
      options.capture = argv[++i];
    } else if (arg == "--keep") {
      options.keep = true;
    } else {
      return false;
    }
  }
  return !options.port.empty() && options.bytes >= 0;
}

bool MakeFolder(const ReceiverOptions& options, ReceiverFolder& folder) {
  std::string pattern = (std::filesystem::temp_directory_path() / "lirosa-receive-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return false;
  }
  folder.dir = pattern;
  folder.capturePath =
      options.capture.empty() ? (folder.dir / "capture.txt").string() : options.capture;
  // The window finds its port where a user's last session left it.
  const PortSettings port{options.port, kBaud115200Index, kDataBits8Index, 0, 0};
  if (WriteSettingsFiles(folder.dir.string(), port, {"", "", ""}).error != 0) {
    std::fprintf(stderr, "cannot write the settings into %s\n", folder.dir.c_str());
    return false;
  }
  return true;
}

}  // namespace

int PrepareReceiver(int argc, char** argv, ReceiverOptions& options, ReceiverFolder& folder) {
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s --port PATH --bytes N [--capture FILE] [--timeout-s S] [--keep]\n",
                 argv[0]);
    return 2;
  }
  return MakeFolder(options, folder) ? 0 : 1;
}

bool PortOpened(const MonitorDialog& dialog, const test::FakePrompts& prompts,
                const ReceiverOptions& options) {
  if (dialog.portOpen) return true;
  for (const std::string& text : prompts.Texts()) std::fprintf(stderr, "box: %s\n", text.c_str());
  std::fprintf(stderr, "the window could not open %s\n", options.port.c_str());
  return false;
}

void StartCapture(MonitorDialog& dialog, DialogControls& controls, const ReceiverFolder& folder) {
  controls.SetText(kIdCaptureFileName, folder.capturePath);
  dialog.captureFileName = folder.capturePath;
  dialog.OnCommand(kIdCapture, Notification::Clicked);
}

double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void TickLog::Tick(const MonitorDialog& dialog, std::int64_t before, bool late) {
  now_ = Now();
  ++ticks;
  if (late) ++lateTicks;
  if (dialog.counters.receivedBytes > before) {
    if (firstByte == 0) firstByte = now_;
    lastByte = now_;
  }
}

bool TickLog::Done(const MonitorDialog& dialog) const {
  // Once every byte is in and the last frame has ended, the capture holds
  // it too.
  if (dialog.counters.receivedBytes >= options_.bytes && dialog.rxFrame.frame.empty()) return true;
  if (!dialog.portOpen) return true;
  if (now_ - start_ > options_.timeoutS) return true;
  return firstByte != 0 && now_ - lastByte > options_.stallS;
}

int FinishReceiver(MonitorDialog& dialog, const test::FakePrompts& prompts,
                   const ReceiverFolder& folder, const ReceiverOptions& options, const TickLog& log,
                   const std::string& extra) {
  dialog.OnClose();

  const std::int64_t counted = dialog.counters.receivedBytes;
  std::error_code error;
  std::uintmax_t captureSize = 0;
  FloodCheck check;
  // -1: left to the caller.
  int consistent = -1;
  if (options.capture.empty()) {
    captureSize = std::filesystem::file_size(folder.capturePath, error);
    check = CheckHexFlood(folder.capturePath);
    consistent = !error && check.intact && check.bytes == static_cast<std::uint64_t>(counted) &&
                 (check.lineBreaks == 0 || check.lineBreaks == check.records);
    if (!check.intact) std::fprintf(stderr, "capture: %s\n", check.problem.c_str());
  }
  for (const std::string& text : prompts.Texts()) std::fprintf(stderr, "box: %s\n", text.c_str());

  std::printf(
      "RESULT counted=%lld frames=%lld capture_bytes=%llu capture_decoded=%llu capture_intact=%d "
      "last_byte_at=%.6f elapsed_s=%.6f cpu_s=%.6f ticks=%lld late_ticks=%lld boxes=%zu %s\n",
      static_cast<long long>(counted), static_cast<long long>(dialog.counters.receivedFrames),
      static_cast<unsigned long long>(error ? 0 : captureSize),
      static_cast<unsigned long long>(check.bytes), consistent, log.lastByte,
      log.lastByte - log.firstByte, CpuSeconds(), static_cast<long long>(log.ticks),
      static_cast<long long>(log.lateTicks), prompts.shown.size(), extra.c_str());
  std::fflush(stdout);

  if (options.keep) {
    std::fprintf(stderr, "kept %s\n", folder.dir.c_str());
  } else {
    std::filesystem::remove_all(folder.dir, error);
  }
  return counted == options.bytes && consistent != 0 ? 0 : 1;
}

}  // namespace lirosa::bench
