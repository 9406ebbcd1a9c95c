#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace lirosa::bench {

// A program a benchmark runs beside itself and watches from outside: its
// pid for /proc, the first line of its output, and an end by SIGTERM.
class Spawned {
 public:
  struct Spec {
    std::vector<std::string> argv;
    std::vector<std::string> environment;  // "NAME=value", replacing ours
    // Standard input: a pipe the benchmark holds open (a program that
    // ends on end of input keeps running), else /dev/null.
    bool holdStdin = false;
    // Standard output: a pipe read by FirstLine() when empty, else this file.
    std::string stdoutPath;
    std::string stderrPath = "/dev/null";
    // A process group of its own, for a program that signals its whole
    // group when it ends (picocom does).
    bool ownProcessGroup = false;
  };

  Spawned() = default;
  ~Spawned();
  Spawned(const Spawned&) = delete;
  Spawned& operator=(const Spawned&) = delete;

  // False, with `error` set, when the program could not be started.
  bool Start(const Spec& spec, std::string& error);
  pid_t Pid() const { return pid_; }
  // The first line of its output (without the line end), or "" when none
  // came within `seconds`.
  std::string FirstLine(double seconds);
  // True while it has not ended (it is reaped here when it has).
  bool Alive();
  // SIGTERM, then SIGKILL after `graceSeconds`; returns the exit status
  // as waitpid gives it, or -1 when it was killed.
  int Stop(double graceSeconds);

 private:
  pid_t pid_ = -1;
  int stdinFd_ = -1;
  int stdoutFd_ = -1;
  int status_ = 0;
  bool reaped_ = false;
};

// What /proc says about a process.
struct ProcessCpu {
  double statSeconds = 0;  // utime + stime of every thread, in clock ticks
  double runSeconds = 0;   // time on a CPU from schedstat, every thread, ns grain
};
bool ReadProcessCpu(pid_t pid, ProcessCpu& cpu);
// Resident memory in KiB (VmRSS), -1 when unreadable.
long ResidentKib(pid_t pid);

double MonotonicSeconds();
void SleepSeconds(double seconds);
// A fresh folder under the temporary directory, "" when none could be made.
std::string MakeTempFolder(const std::string& prefix);

}  // namespace lirosa::bench
