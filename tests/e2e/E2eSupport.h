#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace lirosa::test {

// The far end of a fresh pseudo-terminal: the test holds the master, the
// program under test opens the returned slave path.
class PtyMaster {
 public:
  PtyMaster();
  ~PtyMaster();
  PtyMaster(const PtyMaster&) = delete;
  PtyMaster& operator=(const PtyMaster&) = delete;

  int fd() const { return fd_; }
  const std::string& slavePath() const { return slavePath_; }
  // Bytes that have arrived, without waiting.
  std::vector<unsigned char> ReadAvailable();
  void Write(const std::vector<unsigned char>& bytes);

 private:
  int fd_ = -1;
  std::string slavePath_;
};

// A program started with this environment plus `extraEnv` ("NAME=value",
// replacing a variable of that name); killed when destroyed.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  void Signal(int signal) const;
  // Waits for the exit; the exit status, or -1 when it did not end in time.
  int Wait(std::chrono::milliseconds timeout);

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
};

// Polls `condition` until it holds or the deadline passes.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Path of a built program named by an environment variable set by CTest.
std::string ProgramFromEnv(const char* variable);

}  // namespace lirosa::test
