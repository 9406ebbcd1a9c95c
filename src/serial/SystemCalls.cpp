#include "serial/SystemCalls.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

namespace lirosa {

int SystemCalls::Open(const char* path, int flags) { return ::open(path, flags); }

int SystemCalls::Close(int fd) { return ::close(fd); }

long SystemCalls::Read(int fd, void* buffer, std::size_t count) {
  return ::read(fd, buffer, count);
}

long SystemCalls::Write(int fd, const void* data, std::size_t count) {
  return ::write(fd, data, count);
}

int SystemCalls::Poll(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  const int result = ::poll(&entry, 1, timeoutMs);
  if (result <= 0) return result;
  return entry.revents;
}

int SystemCalls::Ioctl(int fd, unsigned long request, void* argument) {
  return ::ioctl(fd, request, argument);
}

int SystemCalls::Flock(int fd, int operation) { return ::flock(fd, operation); }

int SystemCalls::Fstat(int fd, struct stat* info) { return ::fstat(fd, info); }

std::int64_t SystemCalls::MonotonicMs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
}

SystemCalls& SystemCalls::Real() {
  static SystemCalls calls;
  return calls;
}

}  // namespace lirosa
