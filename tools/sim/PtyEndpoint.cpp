#include "PtyEndpoint.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace lirosa::sim {

namespace {

std::string Reason(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

// EIO on the master is the far end's absence, not a failure: the port can
// be opened again.
PtyEndpoint::Io FromErrno(int error) {
  if (error == EAGAIN) {
    return PtyEndpoint::Io::WouldBlock;
  }
  if (error == EIO) {
    return PtyEndpoint::Io::FarEndClosed;
  }
  return PtyEndpoint::Io::Failed;
}

int OpenPort(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

PtyEndpoint::~PtyEndpoint() {
  if (master_ >= 0) {
    ::close(master_);
  }
}

bool PtyEndpoint::Create(std::string& error) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master < 0) {
    error = Reason("posix_openpt");
    return false;
  }
  char name[128];
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
      ::ptsname_r(master, name, sizeof name) != 0) {
    error = Reason("preparing the pseudo-terminal");
    ::close(master);
    return false;
  }

  const int port = OpenPort(name);
  if (port < 0) {
    error = Reason("opening the new port");
    ::close(master);
    return false;
  }
  termios settings{};
  bool configured = ::tcgetattr(port, &settings) == 0;
  if (configured) {
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    configured = ::tcsetattr(port, TCSANOW, &settings) == 0;
  }
  if (!configured) {
    error = Reason("setting raw mode");
    ::close(port);
    ::close(master);
    return false;
  }
  // The settings stay with the pair; closing marks the port as not open.
  ::close(port);

  master_ = master;
  portPath_ = name;
  return true;
}

bool PtyEndpoint::FarEndOpen() const {
  pollfd entry{master_, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&entry, 1, 0);
  } while (ready < 0 && errno == EINTR);
  // Bytes left behind by a far end that has gone are still readable, but
  // only POLLHUP tells whether anyone holds the port.
  return ready >= 0 && (entry.revents & POLLHUP) == 0;
}

PtyEndpoint::Io PtyEndpoint::Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& got) {
  got = 0;
  for (;;) {
    const ssize_t n = ::read(master_, buffer, capacity);
    if (n > 0) {
      got = static_cast<std::size_t>(n);
      return Io::Ok;
    }
    if (n == 0) {
      return Io::FarEndClosed;
    }
    if (errno != EINTR) {
      return FromErrno(errno);
    }
  }
}

PtyEndpoint::Io PtyEndpoint::Write(const std::uint8_t* data, std::size_t count, std::size_t& accepted) {
  accepted = 0;
  while (accepted < count) {
    const ssize_t n = ::write(master_, data + accepted, count - accepted);
    if (n > 0) {
      accepted += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0) {
      return Io::WouldBlock;
    }
    if (errno != EINTR) {
      return FromErrno(errno);
    }
  }
  return Io::Ok;
}

long PtyEndpoint::FarEndUnread() const {
  const int port = OpenPort(portPath_);
  if (port < 0) {
    return -errno;
  }
  int queued = 0;
  const long result = ::ioctl(port, FIONREAD, &queued) == 0 ? queued : -errno;
  ::close(port);
  return result;
}

}  // namespace lirosa::sim
