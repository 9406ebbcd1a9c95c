#include "e2e/E2eSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

extern char** environ;

namespace lirosa::test {

PtyMaster::PtyMaster() {
  fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0) throw std::runtime_error("posix_openpt failed");
  char name[128];
  if (ptsname_r(fd_, name, sizeof name) != 0) throw std::runtime_error("ptsname failed");
  slavePath_ = name;
}

PtyMaster::~PtyMaster() {
  if (fd_ >= 0) close(fd_);
}

std::vector<unsigned char> PtyMaster::ReadAvailable() {
  std::vector<unsigned char> bytes;
  unsigned char buffer[4096];
  while (true) {
    ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

void PtyMaster::Write(const std::vector<unsigned char>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
    if (n > 0) done += static_cast<std::size_t>(n);
  }
}

Child::Child(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
  // An extra variable replaces one of the same name: with both in the
  // environment, the child would read the first, the inherited one.
  auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const std::string& extra : extraEnv) replaced = replaced || nameOf(extra) == nameOf(entry);
    if (!replaced) env.push_back(entry);
  }
  for (const std::string& extra : extraEnv) env.push_back(extra);
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
}

Child::~Child() {
  if (!reaped_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

void Child::Signal(int signal) const { kill(pid_, signal); }

int Child::Wait(std::chrono::milliseconds timeout) {
  int status = 0;
  bool done = WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, timeout);
  if (!done) return -1;
  reaped_ = true;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

std::string ProgramFromEnv(const char* variable) {
  const char* path = getenv(variable);
  return path != nullptr ? path : "";
}

}  // namespace lirosa::test
