// How fast the window drains a flooding device, and at what CPU cost, next
// to a peer terminal program doing the same in the same run.
//
// For each case the simulator floods a fresh pseudo-terminal and one target
// reads it; every target gets the same cases one after the other. A target
// is an entry of Targets() (a command line and a way to count what it got),
// a case an entry of Cases(), so a new peer or a new rate is one more entry.
//
//   receive_bench [--fast-bytes N] [--paced-seconds S] [--repeat N] [--keep]
//                 [--cases WORD,...] [--targets NAME,...]
//
// --cases keeps the cases whose name holds one of the words ("115200",
// "1.0 MB/s"); --targets the targets named (picocom, the reference, is
// always kept so that ratios can be formed).

#include <poll.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ChildProcess.h"
#include "FloodPattern.h"

namespace {

namespace fs = std::filesystem;
using lirosa::bench::ChildProcess;
using lirosa::bench::MonotonicSeconds;

// Both pseudo-terminal ends flush input when a program opens the port; the
// flood waits this long after the open so that neither loses its start.
constexpr int kStartDelayMs = 200;
constexpr std::uint64_t kBaud115200BytesPerSecond = 11520;  // 10 bits a byte

struct Case {
  std::string name;
  std::uint64_t bytes;
  std::uint64_t rate;  // bytes per second; 0: as fast as the reader takes them
};

// One case as one target is run on it.
struct RunContext {
  const Case& testCase;
  std::string port;
  fs::path workDir;
};

// What a target got, as read back after it ended.
struct Received {
  std::uint64_t counted = 0;
  bool intact = false;    // the bytes are the flood, in order, nothing else
  double lastByteAt = 0;  // CLOCK_MONOTONIC seconds when it had the last byte
  std::string note;       // why not, or the target's own details
};

// A reader of the flood. It must end once the flood is over (the simulator
// is left running until then: its hang-up would end the reader in a way of
// its own), and tell afterwards what it got and when.
struct Target {
  std::string name;
  std::string program;  // looked up in PATH before the runs
  std::function<std::vector<std::string>(const RunContext&)> command;
  std::function<Received(const RunContext&, const ChildProcess&)> collect;
  std::string stdoutName = "stdout.txt";  // in the work folder; "/dev/null" to drop
  // For a program that does not end by itself when the line goes quiet:
  // once the flood is sent and this file has not grown for kQuietSeconds,
  // its standard input (a pipe) ends, which ends the program. Its log is
  // buffered until then, so the file cannot tell when the last byte came:
  // the drain is timed to when the simulator's port took the last byte,
  // which a reader that falls behind holds back (a pseudo-terminal queues
  // a few kilobytes at most).
  std::function<fs::path(const RunContext&)> quietFile = {};
};

// What picocom's -x waits for, given to every reader that needs telling.
constexpr double kQuietSeconds = 1.0;

struct Measurement {
  bool skipped = false;  // the program is not installed: no figures, no failure
  bool ran = false;
  std::string failure;
  std::uint64_t sent = 0;
  Received received;
  double drainSeconds = 0;  // first byte sent .. the reader had the last byte
  double cpuSeconds = 0;
  double floodCpuSeconds = -1;  // CPU within the drain only; -1: not known
};

std::map<std::string, std::string> ParseKeyValues(const std::string& line) {
  std::map<std::string, std::string> values;
  std::istringstream in(line);
  std::string word;
  while (in >> word) {
    const auto at = word.find('=');
    if (at != std::string::npos) values[word.substr(0, at)] = word.substr(at + 1);
  }
  return values;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// ---- The targets -------------------------------------------------------------

Received CollectLirosa(const RunContext& run, const ChildProcess& child) {
  Received received;
  const std::string out = ReadFile(run.workDir / "stdout.txt");
  const auto at = out.find("RESULT ");
  if (at == std::string::npos) {
    received.note = "no result; stderr: " + FirstLine(ReadFile(run.workDir / "stderr.txt"));
    return received;
  }
  auto values = ParseKeyValues(out.substr(at));
  received.counted = std::strtoull(values["counted"].c_str(), nullptr, 10);
  received.lastByteAt = std::strtod(values["last_byte_at"].c_str(), nullptr);
  // The capture is checked here, after the receiver has ended, so that
  // its CPU time holds only what the window did.
  const fs::path capture = run.workDir / "capture.txt";
  std::error_code error;
  const std::uintmax_t size = fs::file_size(capture, error);
  const lirosa::bench::FloodCheck check = lirosa::bench::CheckHexFlood(capture.string());
  // Every record ends with a line break once any does (stamps, new line).
  const bool consistent = !error && check.intact && check.bytes == received.counted &&
                          (check.lineBreaks == 0 || check.lineBreaks == check.records);
  received.intact = consistent && child.ExitedCleanly();
  received.note = "frames " + values["frames"] + ", capture " + std::to_string(error ? 0 : size) +
                  " B in " + std::to_string(check.records) + " records (" +
                  (consistent ? "in pattern" : "INCONSISTENT: " + check.problem) +
                  "), ticks late " + values["late_ticks"] + "/" + values["ticks"] + ", boxes " +
                  values["boxes"];
  if (values.count("tick_max_ms")) {
    received.note += ", line tick max " + values["tick_max_ms"] + " ms (p99 " +
                     values["tick_p99_ms"] + "), longest wait from one to the next " +
                     values["gap_max_ms"] + " ms";
  }
  return received;
}

// A receiver of ours: the headless window or the real one.
Target LirosaTarget(const std::string& name, const std::string& receiver) {
  return {name, receiver,
          [receiver](const RunContext& run) {
            const double expected =
                run.testCase.rate ? double(run.testCase.bytes) / double(run.testCase.rate) : 0;
            return std::vector<std::string>{receiver,
                                            "--port",
                                            run.port,
                                            "--bytes",
                                            std::to_string(run.testCase.bytes),
                                            "--capture",
                                            (run.workDir / "capture.txt").string(),
                                            "--timeout-s",
                                            std::to_string(static_cast<int>(60 + 3 * expected))};
          },
          CollectLirosa};
}

// When the file was last written, on the monotonic clock (the kernel's
// file times are wall-clock times of a few milliseconds' grain).
double LastWriteMonotonic(const fs::path& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return 0;
  timespec wall{}, mono{};
  clock_gettime(CLOCK_REALTIME, &wall);
  clock_gettime(CLOCK_MONOTONIC, &mono);
  auto seconds = [](const timespec& t) { return double(t.tv_sec) + double(t.tv_nsec) * 1e-9; };
  return seconds(info.st_mtim) - seconds(wall) + seconds(mono);
}

// A terminal program that logs the raw bytes to a file as they come: the
// file's last write is when it had the last byte.
Received CollectRawLog(const fs::path& log) {
  Received received;
  const lirosa::bench::FloodCheck check = lirosa::bench::CheckRawFlood(log.string());
  received.counted = check.bytes;
  received.intact = check.intact;
  received.lastByteAt = LastWriteMonotonic(log);
  if (!check.intact) received.note = check.problem;
  return received;
}

std::vector<Target> Targets(const std::string& receiver, const std::string& windowReceiver) {
  std::vector<Target> targets{LirosaTarget("headless", receiver)};
  if (!windowReceiver.empty()) targets.push_back(LirosaTarget("window", windowReceiver));
  targets.push_back(
      // -x: end after a second without input; -r: leave the port as it is;
      // the data also goes to stdout, dropped here as the window's display is.
      {"picocom", "picocom",
       [](const RunContext& run) {
         return std::vector<std::string>{
             "picocom", "-b",        "115200",
             "-q",      "-r",        "-x",
             "1000",    "--logfile", (run.workDir / "capture.bin").string(),
             run.port};
       },
       [](const RunContext& run, const ChildProcess&) {
         return CollectRawLog(run.workDir / "capture.bin");
       },
       "/dev/null"});
  // tio has no idle exit; it ends at the end of its input, writing out the
  // rest of its log, and is ended so when picocom would have ended.
  targets.push_back(
      {"tio", "tio",
       [](const RunContext& run) {
         return std::vector<std::string>{"tio",     "-b",         "115200",
                                         "--log",   "--log-file", (run.workDir / "capture.bin").string(),
                                         run.port};
       },
       [](const RunContext& run, const ChildProcess&) {
         return CollectRawLog(run.workDir / "capture.bin");
       },
       "/dev/null", [](const RunContext& run) { return run.workDir / "capture.bin"; }});
  return targets;
}

// As fast as the reader takes the bytes, at the pace of a 115200-baud line
// (the fastest the window offers), and at the paces of USB serial devices
// that run their line faster than any rate in the window's list.
std::vector<Case> Cases(std::uint64_t fastBytes, double pacedSeconds) {
  char name[48];
  std::snprintf(name, sizeof name, "fast %.1f MB", double(fastBytes) / 1e6);
  std::vector<Case> cases{{name, fastBytes, 0}};
  std::snprintf(name, sizeof name, "115200 Bd %.0f s", pacedSeconds);
  cases.push_back({name, static_cast<std::uint64_t>(pacedSeconds * kBaud115200BytesPerSecond),
                   kBaud115200BytesPerSecond});
  for (const std::uint64_t rate : {1'000'000, 1'200'000, 2'000'000}) {
    std::snprintf(name, sizeof name, "%.1f MB/s %.0f s", double(rate) / 1e6, pacedSeconds);
    cases.push_back({name, static_cast<std::uint64_t>(pacedSeconds * double(rate)), rate});
  }
  return cases;
}

// The row every other target is compared with.
constexpr const char* kReference = "picocom";

bool InPath(const std::string& program) {
  if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0;
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// ---- One run -------------------------------------------------------------------

// Reads one line from the simulator's stdout, waiting until `deadline` (a
// deadline already past still takes what the pipe holds). Nothing when the
// deadline passed or the pipe ended first.
std::optional<std::string> ReadLine(int fd, std::string& buffer, double deadline, bool& ended) {
  for (;;) {
    const auto newline = buffer.find('\n');
    if (newline != std::string::npos) {
      std::string line = buffer.substr(0, newline);
      buffer.erase(0, newline + 1);
      return line;
    }
    if (ended) return std::nullopt;
    const double left = std::max(0.0, deadline - MonotonicSeconds());
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(std::ceil(std::min(left, 0.1) * 1000))) <= 0) {
      if (left <= 0) return std::nullopt;
      continue;
    }
    char chunk[512];
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got <= 0) {
      ended = true;
      continue;
    }
    buffer.append(chunk, static_cast<std::size_t>(got));
  }
}

// The CPU time used between two moments, read off samples (time, CPU so
// far) by straight lines between them; -1 when they do not cover both.
double CpuBetween(const std::vector<std::pair<double, double>>& samples, double from, double to) {
  auto at = [&](double t) -> double {
    for (std::size_t i = 1; i < samples.size(); ++i) {
      const auto& [t0, c0] = samples[i - 1];
      const auto& [t1, c1] = samples[i];
      if (t < t0 || t > t1) continue;
      return t1 > t0 ? c0 + (c1 - c0) * (t - t0) / (t1 - t0) : c1;
    }
    return -1;
  };
  const double start = at(from);
  const double end = at(to);
  return start >= 0 && end >= 0 && to > from ? end - start : -1;
}

Measurement RunOne(const std::string& sim, const Target& target, const Case& testCase,
                   const fs::path& workDir) {
  Measurement m;
  fs::create_directories(workDir / "config");
  // No --exit: the simulator's exit would hang the port up under a reader
  // that is still finishing (the window ends its last frame up to 40 ms
  // after the last byte). It is stopped once the reader has ended.
  std::vector<std::string> simArgs{sim,
                                   "flood",
                                   "--bytes",
                                   std::to_string(testCase.bytes),
                                   "--start-delay-ms",
                                   std::to_string(kStartDelayMs)};
  if (testCase.rate != 0) {
    simArgs.push_back("--rate");
    simArgs.push_back(std::to_string(testCase.rate));
  }
  ChildProcess simulator;
  std::string error;
  if (!simulator.Start({simArgs, {}, "/dev/null", "", (workDir / "sim.err").string()}, error)) {
    m.failure = error;
    return m;
  }
  std::string buffer;
  bool simEnded = false;
  const auto port = ReadLine(simulator.StdoutFd(), buffer, MonotonicSeconds() + 5, simEnded);
  if (!port) {
    m.failure = "the simulator gave no port: " + FirstLine(ReadFile(workDir / "sim.err"));
    return m;
  }

  const RunContext run{testCase, *port, workDir};
  ChildProcess reader;
  const std::string stdoutPath =
      target.stdoutName.front() == '/' ? target.stdoutName : (workDir / target.stdoutName).string();
  const bool toldToQuit = static_cast<bool>(target.quietFile);
  // A temporary configuration folder, so nobody's own settings are touched.
  if (!reader.Start({target.command(run),
                     {"XDG_CONFIG_HOME=" + (workDir / "config").string()},
                     toldToQuit ? "" : "/dev/null",
                     stdoutPath,
                     (workDir / "stderr.txt").string()},
                    error)) {
    m.failure = error;
    return m;
  }

  // Paced floods last as long as their rate says; a fast one is given a
  // floor of 50 KB/s before it counts as stuck.
  const double expected = testCase.rate ? double(testCase.bytes) / double(testCase.rate)
                                        : double(testCase.bytes) / 50e3;
  const double deadline = MonotonicSeconds() + 30 + 2 * expected;
  double sentSeconds = -1;
  double sentLineAt = 0;
  std::uintmax_t quietSize = 0;
  double quietSince = 0;
  bool quitSent = false;  // its input ended
  // The reader's CPU time as the run goes, so that the part spent while
  // the flood was drained can be told from start-up and shut-down.
  std::vector<std::pair<double, double>> cpuSamples;
  for (;;) {
    if (const double cpu = reader.CpuSecondsSoFar(); cpu >= 0) {
      cpuSamples.emplace_back(MonotonicSeconds(), cpu);
    }
    if (toldToQuit && sentSeconds >= 0 && !quitSent) {
      std::error_code ignored;
      const std::uintmax_t size = fs::file_size(target.quietFile(run), ignored);
      if (quietSince == 0 || size != quietSize) {
        quietSize = size;
        quietSince = MonotonicSeconds();
      } else if (MonotonicSeconds() - quietSince >= kQuietSeconds) {
        reader.CloseStdin();
        quitSent = true;
      }
    }
    // Whatever the simulator said before the reader ended is still read.
    const bool readerDone = reader.WaitFor(0);
    const double wait = readerDone ? 0 : 0.05;
    const auto line = ReadLine(simulator.StdoutFd(), buffer,
                               std::min(deadline, MonotonicSeconds() + wait), simEnded);
    if (!line) {
      if (readerDone || MonotonicSeconds() >= deadline) break;
      continue;
    }
    unsigned long long n = 0;
    double seconds = 0;
    if (std::sscanf(line->c_str(), "SENT %llu bytes in %lf seconds", &n, &seconds) == 2) {
      m.sent = n;
      sentSeconds = seconds;
      sentLineAt = MonotonicSeconds();
    }
  }
  if (!reader.Ended()) {
    m.failure = "did not end by itself; stopped";
    reader.Stop(2.0);
  }
  simulator.Stop(2.0);
  if (sentSeconds < 0) {
    m.failure += std::string(m.failure.empty() ? "" : "; ") +
                 "the flood never finished; sim: " + FirstLine(ReadFile(workDir / "sim.err"));
    return m;
  }
  m.ran = true;
  m.cpuSeconds = reader.CpuSeconds();
  m.received = target.collect(run, reader);
  if (toldToQuit) {
    m.received.lastByteAt = sentLineAt;
    m.received.note += std::string(m.received.note.empty() ? "" : "; ") +
                       "drain timed by the sender (the log is written out at the end)";
  }
  // The simulator prints its line as the port takes the last byte, and
  // says how long since it handed over the first.
  const double firstSentAt = sentLineAt - sentSeconds;
  m.drainSeconds = m.received.lastByteAt - firstSentAt;
  if (reader.EndTime() > 0) cpuSamples.emplace_back(reader.EndTime(), m.cpuSeconds);
  m.floodCpuSeconds = CpuBetween(cpuSamples, firstSentAt, m.received.lastByteAt);
  if (m.received.lastByteAt <= 0) m.failure = "no time of the last byte";
  return m;
}

// ---- The table -------------------------------------------------------------------

double DrainKBps(const Measurement& m) {
  return m.drainSeconds > 0 ? double(m.received.counted) / m.drainSeconds / 1e3 : 0;
}

double CpuPerMB(const Measurement& m) {
  return m.received.counted > 0 ? m.cpuSeconds / (double(m.received.counted) / 1e6) : 0;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// One target's repeats of one case, as one row.
struct Row {
  bool skipped = false;
  bool measured = false;  // at least one repeat ran
  std::uint64_t sent = 0;
  std::uint64_t counted = 0;
  bool intact = true;
  double drainKBps = 0;  // medians over the repeats that ran
  double cpuPerMB = 0;
  double floodCpuPerMB = -1;   // -1: not known
  double floodCpuShare = -1;   // of one core, while draining
  double outsideCpuMs = -1;    // CPU outside the drain (start-up, shut-down); -1: not known
  // Per repeat, for the spread of the ratios: -1 where it did not run.
  std::vector<double> cpuPerMBRuns, floodCpuPerMBRuns;
  std::vector<std::string> notes;
};

Row Summarize(const std::vector<Measurement>& runs) {
  Row row;
  std::vector<double> drains, cpus, floodCpus, floodShares, outsides;
  for (std::size_t r = 0; r < runs.size(); ++r) {
    const Measurement& m = runs[r];
    std::string note = m.received.note;
    if (!m.failure.empty()) note += (note.empty() ? "" : "; ") + m.failure;
    if (m.skipped) {
      row.skipped = true;
      continue;
    }
    if (!note.empty()) {
      // Built up in steps: GCC 12 warns falsely on `"#" + std::string`.
      std::string numbered = "#";
      numbered += std::to_string(r + 1);
      numbered += ' ';
      numbered += note;
      row.notes.push_back(std::move(numbered));
    }
    row.cpuPerMBRuns.push_back(-1);
    row.floodCpuPerMBRuns.push_back(-1);
    if (!m.ran) {
      row.intact = false;
      continue;
    }
    row.measured = true;
    row.sent += m.sent;
    row.counted += m.received.counted;
    row.intact =
        row.intact && m.received.intact && m.failure.empty() && m.received.counted == m.sent;
    drains.push_back(DrainKBps(m));
    cpus.push_back(CpuPerMB(m));
    row.cpuPerMBRuns.back() = cpus.back();
    if (m.floodCpuSeconds >= 0 && m.received.counted > 0 && m.drainSeconds > 0) {
      floodCpus.push_back(m.floodCpuSeconds / (double(m.received.counted) / 1e6));
      row.floodCpuPerMBRuns.back() = floodCpus.back();
      floodShares.push_back(m.floodCpuSeconds / m.drainSeconds);
      outsides.push_back((m.cpuSeconds - m.floodCpuSeconds) * 1e3);
    }
  }
  row.drainKBps = Median(drains);
  row.cpuPerMB = Median(cpus);
  if (!floodCpus.empty()) {
    row.floodCpuPerMB = Median(floodCpus);
    row.floodCpuShare = Median(floodShares);
    row.outsideCpuMs = Median(outsides);
  }
  return row;
}

std::string Ratio(double value, std::optional<double> reference) {
  if (!reference || *reference <= 0) return "n/a";
  char text[32];
  std::snprintf(text, sizeof text, "%.2fx", value / *reference);
  return text;
}

// The lowest and highest of the ratios of repeat r to the reference's
// repeat r (run next to each other), as "lo-hi"; "n/a" without pairs.
std::string RatioSpread(const std::vector<double>& runs, const std::vector<double>& reference) {
  double low = 0, high = 0;
  bool any = false;
  for (std::size_t r = 0; r < runs.size() && r < reference.size(); ++r) {
    if (runs[r] < 0 || reference[r] <= 0) continue;
    const double ratio = runs[r] / reference[r];
    low = any ? std::min(low, ratio) : ratio;
    high = any ? std::max(high, ratio) : ratio;
    any = true;
  }
  if (!any) return "n/a";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f-%.2f", low, high);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t fastBytes = 4'000'000;
  double pacedSeconds = 5;
  int repeats = 3;
  bool keep = false;
  std::vector<std::string> caseWords, targetNames;
  auto split = [](const std::string& list) {
    std::vector<std::string> words;
    std::istringstream in(list);
    for (std::string word; std::getline(in, word, ',');) {
      if (!word.empty()) words.push_back(word);
    }
    return words;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--fast-bytes" && i + 1 < argc) {
      fastBytes = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--paced-seconds" && i + 1 < argc) {
      pacedSeconds = std::strtod(argv[++i], nullptr);
    } else if (arg == "--repeat" && i + 1 < argc) {
      repeats = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--keep") {
      keep = true;
    } else if (arg == "--cases" && i + 1 < argc) {
      caseWords = split(argv[++i]);
    } else if (arg == "--targets" && i + 1 < argc) {
      targetNames = split(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "usage: %s [--fast-bytes N] [--paced-seconds S] [--repeat N] [--keep] "
                   "[--cases WORD,...] [--targets NAME,...]\n",
                   argv[0]);
      return 2;
    }
  }
  const std::string sim = LIROSA_SIM_BIN;
  const std::string receiver = LIROSA_RECEIVER_BIN;
#ifdef LIROSA_WINDOW_RECEIVER_BIN
  const std::string windowReceiver = LIROSA_WINDOW_RECEIVER_BIN;
#else
  const std::string windowReceiver;  // built without the Qt layer
#endif

  std::vector<Case> cases = Cases(fastBytes, pacedSeconds);
  if (!caseWords.empty()) {
    std::erase_if(cases, [&](const Case& testCase) {
      return std::none_of(caseWords.begin(), caseWords.end(), [&](const std::string& word) {
        return testCase.name.find(word) != std::string::npos;
      });
    });
  }
  std::vector<Target> targets = Targets(receiver, windowReceiver);
  if (!targetNames.empty()) {
    std::erase_if(targets, [&](const Target& target) {
      return target.name != kReference &&
             std::find(targetNames.begin(), targetNames.end(), target.name) == targetNames.end();
    });
  }
  if (cases.empty() || targets.empty()) {
    std::fprintf(stderr, "no case or no target left to run\n");
    return 2;
  }

  std::string pattern = (fs::temp_directory_path() / "lirosa-receive-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path root = pattern;

  // Everything is measured first, so that progress on stderr does not cut
  // through the table.
  std::vector<std::vector<Row>> table;
  for (std::size_t c = 0; c < cases.size(); ++c) {
    const Case& testCase = cases[c];
    std::vector<std::vector<Measurement>> runs(targets.size());
    for (int r = 0; r < repeats; ++r) {
      // Taken in turns, each repeat in the other order, so that neither
      // target always runs right after the other.
      for (std::size_t k = 0; k < targets.size(); ++k) {
        const std::size_t t = r % 2 == 0 ? k : targets.size() - 1 - k;
        Measurement m;
        if (!InPath(targets[t].program)) {
          m.skipped = true;
        } else {
          std::fprintf(stderr, "%s, %s, repeat %d of %d\n", testCase.name.c_str(),
                       targets[t].name.c_str(), r + 1, repeats);
          const std::string folder =
              targets[t].name + "-" + std::to_string(c) + "-" + std::to_string(r);
          m = RunOne(sim, targets[t], testCase, root / folder);
        }
        runs[t].push_back(std::move(m));
      }
    }
    std::vector<Row> rows;
    for (const std::vector<Measurement>& targetRuns : runs) rows.push_back(Summarize(targetRuns));
    table.push_back(std::move(rows));
  }

  std::printf(
      "receive benchmark: lirosa-sim floods a fresh pseudo-terminal, one reader at a time, "
      "all rows from this one run\n");
  std::printf("  sent/counted/lost: totals of %d repeats; drain and CPU: their medians\n", repeats);
  std::printf(
      "  drain = bytes counted / (first byte sent .. the reader had the last one); "
      "CPU = user+system of the reader's whole run;\n"
      "  flood CPU = the same within the drain only (its threads' run time in ns, sampled every "
      "50 ms), "
      "and as %% of one core;\n"
      "  outside = CPU before the first byte and after the last (start-up, shut-down), in ms\n");
  std::printf(
      "  content = every byte in order, in the capture too; KB = 1000 B, MB = 10^6 B;\n"
      "  ratios = each row's figure over %s's in the same case; spread = lowest-highest of the\n"
      "  ratios of one repeat to %s's repeat run next to it\n\n",
      kReference, kReference);
  std::printf("%-16s %-9s %9s %9s %7s %-7s %11s %8s %9s %8s %11s %10s %8s %11s %7s %8s %8s\n", "case",
              "target", "sent", "counted", "lost", "content", "drain KB/s", "ratio", "CPU s/MB",
              "ratio", "spread", "flood s/MB", "ratio", "spread", "core %", "outside", "ratio");
  bool allIntact = true;
  std::vector<std::string> notes;
  for (std::size_t c = 0; c < cases.size(); ++c) {
    const std::vector<Row>& rows = table[c];
    std::optional<double> refDrain, refCpu, refFlood, refOutside;
    const Row* reference = nullptr;
    for (std::size_t t = 0; t < targets.size(); ++t) {
      if (targets[t].name == kReference && rows[t].measured) {
        reference = &rows[t];
        refDrain = rows[t].drainKBps;
        refCpu = rows[t].cpuPerMB;
        if (rows[t].floodCpuPerMB >= 0) refFlood = rows[t].floodCpuPerMB;
        if (rows[t].outsideCpuMs >= 0) refOutside = rows[t].outsideCpuMs;
      }
    }
    for (std::size_t t = 0; t < targets.size(); ++t) {
      const Row& row = rows[t];
      const char* label = t == 0 ? cases[c].name.c_str() : "";
      if (row.skipped) {
        std::printf("%-16s %-9s not measured: %s is not installed\n", label,
                    targets[t].name.c_str(), targets[t].program.c_str());
        continue;
      }
      allIntact = allIntact && row.intact;
      for (const std::string& note : row.notes)
        notes.push_back(cases[c].name + ", " + targets[t].name + " " + note);
      if (!row.measured) {
        std::printf("%-16s %-9s not measured (see below)\n", label, targets[t].name.c_str());
        continue;
      }
      const long long lost = static_cast<long long>(row.sent) - static_cast<long long>(row.counted);
      char flood[5][24] = {"n/a", "n/a", "n/a", "n/a", "n/a"};
      if (row.floodCpuPerMB >= 0) {
        std::snprintf(flood[0], sizeof flood[0], "%.4f", row.floodCpuPerMB);
        std::snprintf(flood[1], sizeof flood[1], "%s", Ratio(row.floodCpuPerMB, refFlood).c_str());
        std::snprintf(flood[2], sizeof flood[2], "%.1f", row.floodCpuShare * 100);
        std::snprintf(flood[3], sizeof flood[3], "%.1f", row.outsideCpuMs);
        std::snprintf(flood[4], sizeof flood[4], "%s", Ratio(row.outsideCpuMs, refOutside).c_str());
      }
      const std::string cpuSpread =
          reference ? RatioSpread(row.cpuPerMBRuns, reference->cpuPerMBRuns) : "n/a";
      const std::string floodSpread =
          reference ? RatioSpread(row.floodCpuPerMBRuns, reference->floodCpuPerMBRuns) : "n/a";
      std::printf("%-16s %-9s %9llu %9llu %7lld %-7s %11.1f %8s %9.4f %8s %11s %10s %8s %11s %7s %8s %8s\n",
                  label, targets[t].name.c_str(), static_cast<unsigned long long>(row.sent),
                  static_cast<unsigned long long>(row.counted), lost, row.intact ? "intact" : "BAD",
                  row.drainKBps, Ratio(row.drainKBps, refDrain).c_str(), row.cpuPerMB,
                  Ratio(row.cpuPerMB, refCpu).c_str(), cpuSpread.c_str(), flood[0], flood[1],
                  floodSpread.c_str(), flood[2], flood[3], flood[4]);
    }
  }
  if (!notes.empty()) {
    std::printf("\n");
    for (const std::string& note : notes) std::printf("  %s\n", note.c_str());
  }
  if (keep) {
    std::printf("\nwork folders kept in %s\n", root.c_str());
  } else {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
  return allIntact ? 0 : 1;
}
