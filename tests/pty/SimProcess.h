#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace lirosa::test {

// The simulator binary: $LIROSA_SIM_BIN, else lirosa-sim in the build folder
// above the one holding the running test program.
inline std::string SimBinaryPath() {
  if (const char* path = std::getenv("LIROSA_SIM_BIN"); path != nullptr && *path != '\0') {
    return path;
  }
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) {
    return "lirosa-sim";
  }
  std::string dir(self, static_cast<std::size_t>(n));
  dir.erase(dir.rfind('/'));
  return dir + "/../lirosa-sim";
}

// One run of lirosa-sim with its stdout on a pipe. The first stdout line is
// the port path; later lines (the SENT summary) are read with ReadLine. A
// simulator still running when this goes is stopped with SIGKILL.
class SimProcess {
 public:
  using Millis = std::chrono::milliseconds;

  SimProcess() = default;
  ~SimProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Reap(Millis(2000));
    }
    if (out_ >= 0) ::close(out_);
    if (pidFd_ >= 0) ::close(pidFd_);
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Starts the simulator with `args`. False when it could not be started.
  // `quiet` sends its stderr to /dev/null (for failures a test expects).
  bool Spawn(const std::vector<std::string>& args, bool quiet = false) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    if (quiet) posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string binary = SimBinaryPath();
    std::vector<std::string> storage{binary};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : storage) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int result = ::posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    out_ = pipeFds[0];
    if (result != 0) {
      pid_ = -1;
      return false;
    }
    pidFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    return true;
  }

  // Spawns and waits for the port line. False when the simulator did not
  // print it in time (it failed, or it is not where SimBinaryPath says).
  bool Start(const std::vector<std::string>& args, Millis timeout = Millis(3000)) {
    if (!Spawn(args)) return false;
    auto line = ReadLine(timeout);
    if (!line || line->empty()) return false;
    port_ = *line;
    return true;
  }

  const std::string& Port() const { return port_; }
  pid_t Pid() const { return pid_; }

  // The next stdout line without its newline; nothing on time-out or end.
  std::optional<std::string> ReadLine(Millis timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      if (const auto newline = buffer_.find('\n'); newline != std::string::npos) {
        std::string line = buffer_.substr(0, newline);
        buffer_.erase(0, newline + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd entry{out_, POLLIN, 0};
      if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0) continue;
      char chunk[512];
      const ssize_t n = ::read(out_, chunk, sizeof chunk);
      if (n == 0) return std::nullopt;
      if (n > 0) buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  // Waits for the simulator to end by itself: its exit status, 128 + the
  // signal that killed it, or nothing on time-out.
  std::optional<int> WaitExit(Millis timeout = Millis(3000)) { return Reap(timeout); }

  // Sends `signal` and waits for the end, as WaitExit.
  std::optional<int> Stop(int signal = SIGTERM, Millis timeout = Millis(3000)) {
    if (pid_ <= 0) return status_;
    ::kill(pid_, signal);
    return Reap(timeout);
  }

 private:
  std::optional<int> Reap(Millis timeout) {
    if (pid_ <= 0) return status_;
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      int status = 0;
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
      }
      if (done < 0 && errno != EINTR) return std::nullopt;
      const auto left = std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      // The pidfd wakes us at the exit; without one, look again shortly.
      pollfd entry{pidFd_, POLLIN, 0};
      ::poll(&entry, pidFd_ >= 0 ? 1 : 0, pidFd_ >= 0 ? static_cast<int>(left.count()) : 5);
    }
  }

  pid_t pid_ = -1;
  int pidFd_ = -1;
  int out_ = -1;
  std::optional<int> status_;
  std::string buffer_;
  std::string port_;
};

// Opens a port path in raw mode, non-blocking, as the terminal program
// would; -1 on failure.
inline int OpenRawPort(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0) {
    ::close(fd);
    return -1;
  }
  ::cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Writes every byte, waiting for room within `timeout`.
inline bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes,
                     std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + sent, bytes.size() - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= end) return false;
    ::poll(nullptr, 0, 1);
  }
  return true;
}

// Reads until `count` bytes have arrived, the line ends (EOF or EIO) or
// `timeout` has passed; returns what arrived.
inline std::vector<std::uint8_t> ReadBytes(int fd, std::size_t count,
                                           std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  std::vector<std::uint8_t> bytes(count);
  std::size_t got = 0;
  while (got < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0) continue;
    const ssize_t n = ::read(fd, bytes.data() + got, count - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) break;
  }
  bytes.resize(got);
  return bytes;
}

}  // namespace lirosa::test
