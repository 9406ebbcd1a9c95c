// What an open port with no traffic costs in CPU: the real window
// (offscreen) next to picocom on the same kind of pseudo-terminal, all
// measured over the same stretch of time in one run. Two floors run beside
// them: a Qt window with two empty 10 ms timers (what the window's toolkit
// and tick rate cost before it does any work) and a process that only wakes
// every 10 ms (what any program ticking at that pace costs on this
// machine). The window goes below both by stopping its timers while it has
// nothing to do. `--also PATH` adds another build of the window, to compare two
// builds under the same load.
//
//   idle_bench [--seconds S] [--settle S] [--also PATH] [--keep]

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
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
  std::string also;
  bool keep = false;
};

// One program measured, with the silent device it holds open (if any).
struct Row {
  std::string name;
  std::unique_ptr<Spawned> sim;
  std::unique_ptr<Spawned> process;
  fs::path simLog;
  bool started = false;
  bool measured = false;
  std::string note;
  ProcessCpu before;
  ProcessCpu after;

  double StatPercent(double wall) const {
    return 100.0 * (after.statSeconds - before.statSeconds) / wall;
  }
  double RunPercent(double wall) const {
    return 100.0 * (after.runSeconds - before.runSeconds) / wall;
  }
};

bool Usage(const char* program) {
  std::fprintf(stderr, "usage: %s [--seconds S] [--settle S] [--also LIROSA_BINARY] [--keep]\n",
               program);
  return false;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--keep") {
      options.keep = true;
      continue;
    }
    if (arg == "--also" && i + 1 < argc) {
      options.also = argv[++i];
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

// The simulator logs "OPEN <us>" and "CLOSE <us>" as the far end opens and
// closes its port.
bool Logged(const fs::path& simLog, const std::string& event) {
  const std::string log = ReadFile(simLog);
  return log.rfind(event + " ", 0) == 0 || log.find("\n" + event + " ") != std::string::npos;
}

// A silent device on a fresh pseudo-terminal for the row; its port, or "".
std::string StartSilentSim(Row& row, const fs::path& work, const std::string& tag) {
  row.sim = std::make_unique<Spawned>();
  row.simLog = work / ("sim-" + tag + ".log");
  Spawned::Spec spec;
  spec.argv = {LIROSA_SIM_BIN, "silent", "--log", row.simLog.string()};
  std::string error;
  if (!row.sim->Start(spec, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return {};
  }
  return row.sim->FirstLine(10);
}

void StartProcess(Row& row, const Spawned::Spec& spec) {
  row.process = std::make_unique<Spawned>();
  std::string error;
  row.started = row.process->Start(spec, error);
  if (!row.started) row.note = error;
}

// The window opens the port its settings name, at start-up.
void StartWindow(Row& row, const std::string& binary, const fs::path& work,
                 const std::string& tag) {
  const std::string port = StartSilentSim(row, work, tag);
  if (port.empty()) {
    row.note = "the simulator gave no port";
    return;
  }
  const fs::path config = work / ("config-" + tag);
  fs::create_directories(config / "lirosa");
  std::ofstream(config / "lirosa" / "set.log", std::ios::binary)
      << port << "\r\n0\r\n0\r\n2\r\n6\r\n";
  Spawned::Spec spec;
  spec.argv = {binary};
  spec.environment = {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config.string()};
  spec.stdoutPath = (work / (tag + ".out")).string();
  spec.stderrPath = (work / (tag + ".err")).string();
  StartProcess(row, spec);
}

// -r: leave the line as it is on exit. Its input is a pipe held open, since
// picocom ends at the end of its input; when it ends it signals its whole
// process group, so it gets one of its own.
void StartPicocom(Row& row, const fs::path& work) {
  const std::string port = StartSilentSim(row, work, "picocom");
  if (port.empty()) {
    row.note = "the simulator gave no port";
    return;
  }
  Spawned::Spec spec;
  spec.argv = {"picocom", "-q", "-r", "-b", "115200", port};
  spec.holdStdin = true;
  spec.stdoutPath = "/dev/null";
  spec.stderrPath = (work / "picocom.err").string();
  spec.ownProcessGroup = true;
  StartProcess(row, spec);
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
  std::vector<Row> rows(options.also.empty() ? 4 : 5);
  Row& lirosa = rows[0];
  Row& picocom = rows[rows.size() - 3];
  Row& ticker = rows[rows.size() - 2];
  Row& floor = rows.back();
  lirosa.name = "lirosa (window, offscreen)";
  StartWindow(lirosa, LIROSA_BIN, work, "lirosa");
  if (!options.also.empty()) {
    rows[1].name = "lirosa (" + fs::path(options.also).filename().string() + ")";
    StartWindow(rows[1], options.also, work, "also");
  }
  picocom.name = "picocom";
  StartPicocom(picocom, work);
  ticker.name = "Qt, 2 empty 10 ms timers";
  Spawned::Spec emptyTicks;
  emptyTicks.argv = {LIROSA_QT_TICKER_BIN};
  emptyTicks.environment = {"QT_QPA_PLATFORM=offscreen"};
  emptyTicks.stdoutPath = "/dev/null";
  StartProcess(ticker, emptyTicks);
  floor.name = "10 ms sleeper";
  Spawned::Spec sleeper;
  sleeper.argv = {"/proc/self/exe", "--sleeper"};
  sleeper.stdoutPath = "/dev/null";
  StartProcess(floor, sleeper);

  const double openDeadline = MonotonicSeconds() + 20;
  for (Row& row : rows) {
    if (!row.started || row.simLog.empty()) continue;
    while (!Logged(row.simLog, "OPEN") && row.process->Alive() &&
           MonotonicSeconds() < openDeadline) {
      SleepSeconds(0.05);
    }
    if (!Logged(row.simLog, "OPEN")) {
      row.started = false;
      row.note = "did not open its port";
    }
  }
  // Start-up work (layout, the first paint) is over before the window opens.
  SleepSeconds(options.settle);

  std::fprintf(stderr, "measuring for %.0f s ...\n", options.seconds);
  for (Row& row : rows) {
    if (row.started) row.measured = ReadProcessCpu(row.process->Pid(), row.before);
  }
  const double start = MonotonicSeconds();
  SleepSeconds(options.seconds);
  const double wall = MonotonicSeconds() - start;
  for (Row& row : rows) {
    if (!row.measured) continue;
    row.measured = ReadProcessCpu(row.process->Pid(), row.after) && row.process->Alive();
    if (!row.measured) row.note = "ended during the measurement";
    if (!row.simLog.empty() && Logged(row.simLog, "CLOSE")) {
      row.measured = false;
      row.note = "closed its port during the measurement";
    }
  }
  // SIGTERM is the window's close request: it closes the port and saves.
  for (Row& row : rows) {
    if (row.process) row.process->Stop(5);
    if (row.sim) row.sim->Stop(2);
  }

  double loads[3] = {0, 0, 0};
  getloadavg(loads, 3);
  std::printf("\nIdle: port open, no traffic; %.1f s measured side by side\n", wall);
  std::printf("(%ld CPUs, load average %.2f; %% = CPU time / wall time, 100 %% = one core)\n\n",
              sysconf(_SC_NPROCESSORS_ONLN), loads[0]);
  std::printf("%-28s %8s %7s %9s %7s %9s %9s %9s\n", "program", "stat ms", "% core", "sched ms",
              "% core", "x picocom", "x Qt", "x sleeper");
  const double picocomRun = picocom.measured ? picocom.RunPercent(wall) : 0;
  const double tickerRun = ticker.measured ? ticker.RunPercent(wall) : 0;
  const double floorRun = floor.measured ? floor.RunPercent(wall) : 0;
  for (const Row& row : rows) {
    if (!row.measured) {
      std::printf("%-28s   %s\n", row.name.c_str(), row.note.c_str());
      continue;
    }
    const double run = row.RunPercent(wall);
    std::printf("%-28s %8.0f %7.3f %9.1f %7.3f %9s %9s %9s\n", row.name.c_str(),
                1000 * (row.after.statSeconds - row.before.statSeconds), row.StatPercent(wall),
                1000 * (row.after.runSeconds - row.before.runSeconds), run,
                Times(run, picocomRun).c_str(), Times(run, tickerRun).c_str(),
                Times(run, floorRun).c_str());
  }
  std::printf(
      "\nstat: utime + stime from /proc/<pid>/stat (%ld ticks a second); sched: time on a\n"
      "CPU from /proc/<pid>/task/*/schedstat (ns grain); ratios from sched. Qt: a shown Qt\n"
      "window ticking like ours, doing nothing; sleeper: a process waking every 10 ms.\n",
      sysconf(_SC_CLK_TCK));
  if (lirosa.measured) {
    const double percent = lirosa.StatPercent(wall);
    std::printf("target: lirosa <= %.1f %% of one core: %s (%.3f %%)\n", kTargetPercent,
                percent <= kTargetPercent ? "met" : "MISSED", percent);
  }
  return lirosa.measured ? 0 : 1;
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
