#pragma once

#include <cstddef>
#include <cstdint>

struct stat;

namespace lirosa {

// The system calls the POSIX serial port makes, behind one seam so that tests
// can put EINTR, EAGAIN, short writes and a stalled clock in between. Each
// call behaves like the POSIX call of the same name: -1 with errno set on
// failure. The base class makes the real calls.
class SystemCalls {
 public:
  virtual ~SystemCalls() = default;

  virtual int Open(const char* path, int flags);
  virtual int Close(int fd);
  virtual long Read(int fd, void* buffer, std::size_t count);
  virtual long Write(int fd, const void* data, std::size_t count);
  // Waits at most `timeoutMs` for `events` on one descriptor; returns the
  // events that occurred (0 on time-out) or -1.
  virtual int Poll(int fd, short events, int timeoutMs);
  virtual int Ioctl(int fd, unsigned long request, void* argument);
  virtual int Flock(int fd, int operation);
  virtual int Fstat(int fd, struct stat* info);
  // A monotonic clock in milliseconds, for the write's stall limit.
  virtual std::int64_t MonotonicMs();

  // The shared instance that makes the real calls.
  static SystemCalls& Real();
};

}  // namespace lirosa
