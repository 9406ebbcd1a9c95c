// What an open port with no traffic costs in CPU: the real window
// (offscreen) next to picocom on the same kind of pseudo-terminal, both
// measured over the same window of time in one run. A process that only
// wakes every 10 ms runs beside them: the least any program ticking at the
// window's 10 ms pace can cost on this machine.
//
//   idle_bench [--seconds S] [--settle S] [--keep]

#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "Spawned.h"

namespace {

namespace fs = std::filesystem;
using lirosa::bench::MonotonicSeconds;
using lirosa::bench::ProcessCpu;
using lirosa::bench::ReadProcessCpu;
using lirosa::bench::SleepSeconds;
using lirosa::bench::Spawned;

constexpr double kTargetPercent = 0.5;
constexpr int kSleeperPeriodMs = 10;

struct Options {
  double seconds = 60;
  double settle = 3;
  bool keep = false;
};

struct Row {
  std::string name;
  Spawned* process = nullptr;
  fs::path simLog;  // empty: it opens no port
  ProcessCpu before;
  ProcessCpu after;
  bool measured = false;
  std::string note;

  double StatPercent(double wall) const {
    return 100.0 * (after.statSeconds - before.statSeconds) / wall;
  }
  double RunPercent(double wall) const {
    return 100.0 * (after.runSeconds - before.runSeconds) / wall;
  }
};

bool Usage(const char* program) {
  std::fprintf(stderr, "usage: %s [--seconds S] [--settle S] [--keep]\n", program);
  return false;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--keep") {
      options.keep = true;
      continue;
    }
    if ((arg == "--seconds" || arg == "--settle") && i + 1 < argc) {
      char* end = nullptr;
      const double value = std::strtod(argv[++i], &end);
      if (*end != '\0' || !(value > 0)) return Usage(argv[0]);
      (arg == "--seconds" ? options.seconds : options.settle) = value;
      continue;
    }
    return Usage(argv[0]);
  }
  return true;
}

// Wakes every 10 ms and does nothing else, for ever.
[[noreturn]] void RunSleeper() {
  for (;;) SleepSeconds(kSleeperPeriodMs / 1000.0);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The simulator logs "OPEN <us>" when the far end opens its port.
bool PortOpened(const fs::path& simLog) {
  const std::string log = ReadFile(simLog);
  return log.rfind("OPEN ", 0) == 0 || log.find("\nOPEN ") != std::string::npos;
}

bool PortClosed(const fs::path& simLog) {
  const std::string log = ReadFile(simLog);
  return log.rfind("CLOSE ", 0) == 0 || log.find("\nCLOSE ") != std::string::npos;
}

// A silent device on a fresh pseudo-terminal; its port path, or "".
std::string StartSilentSim(Spawned& sim, const fs::path& log) {
  std::string error;
  Spawned::Spec spec;
  spec.argv = {LIROSA_SIM_BIN, "silent", "--log", log.string()};
  if (!sim.Start(spec, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return {};
  }
  return sim.FirstLine(10);
}

// "inf" when the reference used no CPU time at all (picocom waits in
// select() with no time-out).
std::string Times(double value, double reference) {
  if (reference <= 0) return value > 0 ? "inf" : "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f x", value / reference);
  return text;
}

int Run(const Options& options, const fs::path& work) {
  Spawned lirosaSim, picocomSim, lirosa, picocom, sleeper;
  std::string error;

  const fs::path lirosaLog = work / "sim-lirosa.log";
  const std::string lirosaPort = StartSilentSim(lirosaSim, lirosaLog);
  const fs::path picocomLog = work / "sim-picocom.log";
  const std::string picocomPort = StartSilentSim(picocomSim, picocomLog);
  if (lirosaPort.empty() || picocomPort.empty()) {
    std::fprintf(stderr, "the simulator gave no port\n");
    return 1;
  }

  // The window opens the port its settings name, at start-up.
  const fs::path config = work / "config";
  fs::create_directories(config / "lirosa");
  std::ofstream(config / "lirosa" / "set.log", std::ios::binary)
      << lirosaPort << "\r\n0\r\n0\r\n2\r\n6\r\n";
  Spawned::Spec window;
  window.argv = {LIROSA_BIN};
  window.environment = {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config.string()};
  window.stdoutPath = (work / "lirosa.out").string();
  window.stderrPath = (work / "lirosa.err").string();
  if (!lirosa.Start(window, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  // -r: leave the line as it is on exit. Its input is a pipe held open,
  // since picocom ends at the end of its input; when it ends it signals its
  // whole process group, so it gets one of its own.
  Spawned::Spec peer;
  peer.argv = {"picocom", "-q", "-r", "-b", "115200", picocomPort};
  peer.holdStdin = true;
  peer.stdoutPath = "/dev/null";
  peer.stderrPath = (work / "picocom.err").string();
  peer.ownProcessGroup = true;
  const bool havePicocom = picocom.Start(peer, error);
  if (!havePicocom) std::fprintf(stderr, "%s: its row stays empty\n", error.c_str());
  Spawned::Spec floor;
  floor.argv = {"/proc/self/exe", "--sleeper"};
  floor.stdoutPath = "/dev/null";
  if (!sleeper.Start(floor, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }

  std::vector<Row> rows(3);
  rows[0].name = "lirosa (window, offscreen)";
  rows[0].process = &lirosa;
  rows[0].simLog = lirosaLog;
  rows[1].name = "picocom";
  rows[1].process = havePicocom ? &picocom : nullptr;
  rows[1].simLog = picocomLog;
  rows[2].name = "10 ms sleeper (floor)";
  rows[2].process = &sleeper;

  const double openDeadline = MonotonicSeconds() + 20;
  for (Row& row : rows) {
    if (!row.process || row.simLog.empty()) continue;
    while (!PortOpened(row.simLog) && row.process->Alive() && MonotonicSeconds() < openDeadline) {
      SleepSeconds(0.05);
    }
    if (!PortOpened(row.simLog)) {
      std::fprintf(stderr, "%s did not open its port; see %s\n", row.name.c_str(),
                   work.c_str());
      return 1;
    }
  }
  // Start-up work (layout, the first paint) is over before the window opens.
  SleepSeconds(options.settle);

  std::fprintf(stderr, "measuring for %.0f s ...\n", options.seconds);
  for (Row& row : rows) {
    if (row.process) row.measured = ReadProcessCpu(row.process->Pid(), row.before);
  }
  const double start = MonotonicSeconds();
  SleepSeconds(options.seconds);
  const double wall = MonotonicSeconds() - start;
  for (Row& row : rows) {
    if (!row.measured) continue;
    row.measured = ReadProcessCpu(row.process->Pid(), row.after) && row.process->Alive();
    if (!row.measured) row.note = "ended during the measurement";
    if (!row.simLog.empty() && PortClosed(row.simLog)) {
      row.measured = false;
      row.note = "closed its port during the measurement";
    }
  }

  // SIGTERM is the window's close request: it closes the port and saves.
  const int lirosaStatus = lirosa.Stop(5);
  picocom.Stop(2);
  sleeper.Stop(1);
  lirosaSim.Stop(2);
  picocomSim.Stop(2);

  double loads[3] = {0, 0, 0};
  getloadavg(loads, 3);
  std::printf("\nIdle: port open, no traffic; %.1f s measured side by side\n", wall);
  std::printf("(%ld CPUs, load average %.2f; %% = CPU time / wall time, 100 %% = one core)\n\n",
              sysconf(_SC_NPROCESSORS_ONLN), loads[0]);
  std::printf("%-28s %12s %10s %12s %10s %9s %10s\n", "program", "stat ms", "% core", "sched ms",
              "% core", "x floor", "x picocom");
  const Row& picocomRow = rows[1];
  const Row& floorRow = rows[2];
  for (const Row& row : rows) {
    if (!row.measured) {
      std::printf("%-28s   %s\n", row.name.c_str(),
                  row.process ? row.note.c_str() : "not installed");
      continue;
    }
    const double run = row.RunPercent(wall);
    std::printf("%-28s %12.0f %10.3f %12.1f %10.4f %9s %10s\n", row.name.c_str(),
                1000 * (row.after.statSeconds - row.before.statSeconds), row.StatPercent(wall),
                1000 * (row.after.runSeconds - row.before.runSeconds), run,
                Times(run, floorRow.measured ? floorRow.RunPercent(wall) : 0).c_str(),
                Times(run, picocomRow.measured ? picocomRow.RunPercent(wall) : 0).c_str());
  }
  std::printf(
      "\nstat: utime + stime from /proc/<pid>/stat (%ld ticks a second); sched: time on a\n"
      "CPU from /proc/<pid>/task/*/schedstat (ns grain); ratios from sched.\n",
      sysconf(_SC_CLK_TCK));
  const Row& lirosaRow = rows[0];
  if (lirosaRow.measured) {
    const double percent = lirosaRow.StatPercent(wall);
    std::printf("target: lirosa <= %.1f %% of one core: %s (%.3f %%)\n", kTargetPercent,
                percent <= kTargetPercent ? "met" : "MISSED", percent);
  }
  if (lirosaStatus != 0) std::printf("note: lirosa ended with status %d\n", lirosaStatus);
  return lirosaRow.measured ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--sleeper") == 0) RunSleeper();
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  const std::string work = lirosa::bench::MakeTempFolder("lirosa-idle");
  if (work.empty()) {
    std::perror("mkdtemp");
    return 1;
  }
  const int result = Run(options, work);
  if (options.keep || result != 0) {
    std::fprintf(stderr, "work folder kept: %s\n", work.c_str());
  } else {
    std::error_code ignored;
    fs::remove_all(work, ignored);
  }
  return result;
}
