#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace lirosa::bench {

// One program the benchmark starts, with its standard streams redirected
// and its own CPU time collected when it ends (wait4), so that a figure
// never includes the benchmark's own work.
class ChildProcess {
 public:
  struct Spec {
    std::vector<std::string> argv;
    std::vector<std::string> environment;  // "NAME=value" added to ours
    std::string stdinPath = "/dev/null";  // empty: a pipe, written through StdinFd()
    std::string stdoutPath;  // empty: a pipe, read through StdoutFd()
    std::string stderrPath = "/dev/null";
  };

  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the program; false (with `error` set) when it could not be
  // started at all.
  bool Start(const Spec& spec, std::string& error);
  // The read end of the stdout pipe, or -1.
  int StdoutFd() const { return stdoutFd_; }
  // Ends the stdin pipe: the child reads end of input.
  void CloseStdin();

  // Reaps the child if it has ended, waiting no longer than `seconds`
  // (0: just look). True once it has ended.
  bool WaitFor(double seconds);
  // SIGTERM, then SIGKILL if it is still there after `graceSeconds`.
  void Stop(double graceSeconds);

  bool Running() const { return pid_ > 0 && !ended_; }
  pid_t Pid() const { return pid_; }
  // User + system CPU seconds so far, from /proc while it runs; -1 when
  // they cannot be read (it has ended: CpuSeconds then). Summed from each
  // thread's run time in nanoseconds where the kernel keeps it: the
  // process's own figure counts in clock ticks of 10 ms, as coarse as the
  // whole flood of a slow line.
  double CpuSecondsSoFar();
  bool Ended() const { return ended_; }
  // Exit status as waitpid reports it, and user + system CPU seconds.
  int Status() const { return status_; }
  bool ExitedCleanly() const;
  double CpuSeconds() const;
  // CLOCK_MONOTONIC seconds when the child was seen to end.
  double EndTime() const { return endTime_; }

 private:
  pid_t pid_ = -1;
  int stdoutFd_ = -1;
  int stdinFd_ = -1;
  bool ended_ = false;
  int status_ = 0;
  rusage usage_{};
  double endTime_ = 0;
  // Each thread's run time in ns when last seen; a thread that has ended
  // keeps what it had.
  std::map<long, unsigned long long> threadNs_;
};

// CLOCK_MONOTONIC in seconds, the clock every time here is taken from.
double MonotonicSeconds();

}  // namespace lirosa::bench
