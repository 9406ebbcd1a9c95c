#include "ChildProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ChildEnvironment.h"

namespace lirosa::bench {

namespace {

constexpr long kWaitStepNs = 2'000'000;

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// In the child, between fork and exec: only async-signal-safe calls.
void Redirect(const char* path, int target, int flags) {
  const int fd = ::open(path, flags | O_CLOEXEC, 0644);
  if (fd < 0) _exit(126);
  if (::dup2(fd, target) < 0) _exit(126);
}

}  // namespace

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

ChildProcess::~ChildProcess() {
  if (Running()) Stop(1.0);
  if (stdoutFd_ >= 0) ::close(stdoutFd_);
  if (stdinFd_ >= 0) ::close(stdinFd_);
}

bool ChildProcess::Start(const Spec& spec, std::string& error) {
  // Everything the child needs is built before the fork.
  std::vector<std::string> args = spec.argv;
  std::vector<char*> argv = NullTerminated(args);
  std::vector<std::string> envStrings = EnvironmentWith(spec.environment);
  std::vector<char*> envp = NullTerminated(envStrings);

  int pipeFds[2] = {-1, -1};
  if (spec.stdoutPath.empty() && ::pipe2(pipeFds, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  int inFds[2] = {-1, -1};
  if (spec.stdinPath.empty() && ::pipe2(inFds, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  // The child reports a failed exec through this pipe; a successful exec
  // closes it empty.
  int execFds[2];
  if (::pipe2(execFds, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  const pid_t pid = ::fork();
  if (pid < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    return false;
  }
  if (pid == 0) {
    if (spec.stdinPath.empty()) {
      ::dup2(inFds[0], STDIN_FILENO);
    } else {
      Redirect(spec.stdinPath.c_str(), STDIN_FILENO, O_RDONLY);
    }
    if (spec.stdoutPath.empty()) {
      ::dup2(pipeFds[1], STDOUT_FILENO);
    } else {
      Redirect(spec.stdoutPath.c_str(), STDOUT_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
    }
    Redirect(spec.stderrPath.c_str(), STDERR_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
    ::execvpe(argv[0], argv.data(), envp.data());
    const int code = errno;
    (void)!::write(execFds[1], &code, sizeof code);
    _exit(127);
  }
  ::close(execFds[1]);
  if (pipeFds[1] >= 0) ::close(pipeFds[1]);
  if (inFds[0] >= 0) ::close(inFds[0]);
  stdoutFd_ = pipeFds[0];
  stdinFd_ = inFds[1];
  pid_ = pid;
  int code = 0;
  if (::read(execFds[0], &code, sizeof code) == static_cast<ssize_t>(sizeof code)) {
    ::close(execFds[0]);
    WaitFor(1.0);
    error = spec.argv[0] + ": " + std::strerror(code);
    return false;
  }
  ::close(execFds[0]);
  return true;
}

void ChildProcess::CloseStdin() {
  if (stdinFd_ >= 0) ::close(stdinFd_);
  stdinFd_ = -1;
}

bool ChildProcess::WaitFor(double seconds) {
  if (pid_ <= 0) return false;
  if (ended_) return true;
  const double deadline = MonotonicSeconds() + seconds;
  for (;;) {
    const pid_t got = ::wait4(pid_, &status_, WNOHANG, &usage_);
    if (got == pid_) {
      ended_ = true;
      endTime_ = MonotonicSeconds();
      return true;
    }
    if (got < 0 && errno != EINTR) return false;
    if (MonotonicSeconds() >= deadline) return false;
    timespec step{0, kWaitStepNs};
    ::nanosleep(&step, nullptr);
  }
}

void ChildProcess::Stop(double graceSeconds) {
  if (!Running()) return;
  ::kill(pid_, SIGTERM);
  if (WaitFor(graceSeconds)) return;
  ::kill(pid_, SIGKILL);
  WaitFor(5.0);
}

bool ChildProcess::ExitedCleanly() const {
  return ended_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
}

double ChildProcess::CpuSeconds() const {
  return Seconds(usage_.ru_utime) + Seconds(usage_.ru_stime);
}

double ChildProcess::CpuSecondsSoFar() {
  if (!Running()) return -1;
  const std::string task = "/proc/" + std::to_string(pid_) + "/task";
  if (DIR* threads = ::opendir(task.c_str())) {
    bool any = false;
    while (const dirent* entry = ::readdir(threads)) {
      if (entry->d_name[0] == '.') continue;
      std::FILE* stat = std::fopen((task + "/" + entry->d_name + "/schedstat").c_str(), "r");
      if (!stat) continue;
      unsigned long long ns = 0;
      if (std::fscanf(stat, "%llu", &ns) == 1) {
        threadNs_[std::strtol(entry->d_name, nullptr, 10)] = ns;
        any = true;
      }
      std::fclose(stat);
    }
    ::closedir(threads);
    if (any) {
      unsigned long long total = 0;
      for (const auto& [tid, ns] : threadNs_) total += ns;
      return static_cast<double>(total) * 1e-9;
    }
  }
  std::FILE* stat = std::fopen(("/proc/" + std::to_string(pid_) + "/stat").c_str(), "r");
  if (!stat) return -1;
  char line[1024] = {};
  const bool read = std::fgets(line, sizeof line, stat) != nullptr;
  std::fclose(stat);
  // After the command's name in parentheses (which may hold blanks), field
  // 3 is the state; utime and stime are fields 14 and 15, in clock ticks.
  const char* rest = read ? std::strrchr(line, ')') : nullptr;
  if (!rest) return -1;
  unsigned long long user = 0, system = 0;
  if (std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                  &system) != 2) {
    return -1;
  }
  return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace lirosa::bench
