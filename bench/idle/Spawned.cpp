#include "Spawned.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ChildEnvironment.h"

namespace lirosa::bench {

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void SleepSeconds(double seconds) {
  if (seconds <= 0) return;
  timespec step{static_cast<time_t>(seconds),
                static_cast<long>((seconds - static_cast<double>(static_cast<time_t>(seconds))) * 1e9)};
  while (nanosleep(&step, &step) != 0 && errno == EINTR) {
  }
}

std::string MakeTempFolder(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

Spawned::~Spawned() {
  Stop(2.0);
  if (stdinFd_ >= 0) close(stdinFd_);
  if (stdoutFd_ >= 0) close(stdoutFd_);
}

bool Spawned::Start(const Spec& spec, std::string& error) {
  std::vector<std::string> envStrings = EnvironmentWith(spec.environment);
  std::vector<char*> envp = NullTerminated(envStrings);
  std::vector<std::string> args = spec.argv;
  std::vector<char*> argv = NullTerminated(args);

  int inPipe[2] = {-1, -1};
  int outPipe[2] = {-1, -1};
  if ((spec.holdStdin && pipe2(inPipe, O_CLOEXEC) != 0) ||
      (spec.stdoutPath.empty() && pipe2(outPipe, O_CLOEXEC) != 0)) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (spec.holdStdin) {
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], STDIN_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  if (spec.stdoutPath.empty()) {
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, spec.stdoutPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, spec.stderrPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (spec.ownProcessGroup) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  const int failed =
      posix_spawnp(&pid_, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (inPipe[0] >= 0) close(inPipe[0]);
  if (outPipe[1] >= 0) close(outPipe[1]);
  stdinFd_ = inPipe[1];
  stdoutFd_ = outPipe[0];
  if (failed != 0) {
    pid_ = -1;
    error = spec.argv[0] + ": " + std::strerror(failed);
    return false;
  }
  return true;
}

std::string Spawned::FirstLine(double seconds) {
  std::string line;
  if (stdoutFd_ < 0) return line;
  const double deadline = MonotonicSeconds() + seconds;
  for (;;) {
    const double left = deadline - MonotonicSeconds();
    if (left <= 0) return {};
    pollfd wait{stdoutFd_, POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(left * 1000) + 1) <= 0) continue;
    char c = 0;
    const ssize_t n = read(stdoutFd_, &c, 1);
    if (n <= 0) return {};
    if (c == '\n') return line;
    line += c;
  }
}

bool Spawned::Alive() {
  if (pid_ <= 0 || reaped_) return false;
  if (waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
  return !reaped_;
}

int Spawned::Stop(double graceSeconds) {
  if (pid_ <= 0) return -1;
  if (Alive()) {
    kill(pid_, SIGTERM);
    const double deadline = MonotonicSeconds() + graceSeconds;
    while (Alive() && MonotonicSeconds() < deadline) SleepSeconds(0.01);
    if (Alive()) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status_, 0);
      reaped_ = true;
      return -1;
    }
  }
  return status_;
}

bool ReadProcessCpu(pid_t pid, ProcessCpu& cpu) {
  const std::string base = "/proc/" + std::to_string(pid);
  std::ifstream statFile(base + "/stat");
  std::string stat;
  if (!std::getline(statFile, stat)) return false;
  // Fields after the command name, which may itself hold spaces and ')'.
  const auto close = stat.rfind(')');
  if (close == std::string::npos) return false;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int index = 3; fields >> field; ++index) {
    if (index == 14) utime = std::strtoull(field.c_str(), nullptr, 10);
    if (index == 15) {
      stime = std::strtoull(field.c_str(), nullptr, 10);
      break;
    }
  }
  cpu.statSeconds = static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));

  cpu.runSeconds = 0;
  DIR* tasks = opendir((base + "/task").c_str());
  if (tasks == nullptr) return true;
  while (dirent* task = readdir(tasks)) {
    if (task->d_name[0] == '.') continue;
    std::ifstream sched(base + "/task/" + task->d_name + "/schedstat");
    unsigned long long runNs = 0;
    if (sched >> runNs) cpu.runSeconds += static_cast<double>(runNs) * 1e-9;
  }
  closedir(tasks);
  return true;
}

long ResidentKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

}  // namespace lirosa::bench
