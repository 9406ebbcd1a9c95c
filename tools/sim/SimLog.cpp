#include "SimLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace lirosa::sim {

std::int64_t MonotonicMicros(SimTime time) {
  return std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
}

SimLog::~SimLog() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
}

bool SimLog::Open(const std::string& path, std::string& error) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    error = "cannot open log " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void SimLog::Data(const char* direction, SimTime time, const std::uint8_t* data, std::size_t count) {
  if (fd_ < 0) {
    return;
  }
  static const char kDigits[] = "0123456789ABCDEF";
  std::string line = direction;
  line += ' ';
  line += std::to_string(MonotonicMicros(time));
  line.reserve(line.size() + count * 3 + 1);
  for (std::size_t i = 0; i < count; ++i) {
    line += ' ';
    line += kDigits[data[i] >> 4];
    line += kDigits[data[i] & 0x0F];
  }
  line += '\n';
  WriteLine(line);
}

void SimLog::Event(const char* name, SimTime time) {
  if (fd_ < 0) {
    return;
  }
  WriteLine(std::string(name) + ' ' + std::to_string(MonotonicMicros(time)) + '\n');
}

void SimLog::WriteLine(const std::string& line) {
  // One write per line where possible, so a reader never sees half a line
  // followed by another writer's data.
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) {
      continue;
    }
    std::fprintf(stderr, "lirosa-sim: log write failed (%s); logging stopped\n",
                 n < 0 ? std::strerror(errno) : "no progress");
    ::close(fd_);
    fd_ = -1;
    return;
  }
}

}  // namespace lirosa::sim
