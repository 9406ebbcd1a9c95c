#include "display/CaptureFile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace lirosa {

namespace {

// The bytes of one record as the file gets them: cut at a zero byte, line
// breaks as CR LF, so the file reads the same on any system.
std::string FileBytes(std::string_view text, bool lineBreak) {
  text = text.substr(0, text.find('\0'));
  std::string out;
  out.reserve(text.size() + 2);
  // In stretches between line breaks: a hex record of a full frame is 12 KB
  // with none, and a byte at a time showed in the profile.
  for (std::size_t from = 0; from < text.size();) {
    const std::size_t lf = text.find('\n', from);
    if (lf == std::string_view::npos) {
      out.append(text.substr(from));
      break;
    }
    out.append(text.substr(from, lf - from));
    out += "\r\n";
    from = lf + 1;
  }
  if (lineBreak) out += "\r\n";
  return out;
}

// A FIFO without a reader would block the open for ever, one with a reader
// (or a socket, a block device) each write; a character device that cannot
// take bytes right now would block the write. Only a regular file, or a
// character device ready for output (/dev/null, /dev/full, a terminal),
// is written to. Refused kinds read as access denied, as a folder does.
int CheckKind(int fd, bool& device) {
  struct stat info {};
  if (fstat(fd, &info) != 0) return errno;
  device = S_ISCHR(info.st_mode);
  if (S_ISREG(info.st_mode)) return 0;
  if (!device) return EACCES;
  pollfd ready{fd, POLLOUT, 0};
  while (poll(&ready, 1, 0) < 0) {
    if (errno != EINTR) return errno;
  }
  if ((ready.revents & POLLOUT) == 0 || (ready.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
    return EACCES;
  }
  return 0;
}

// Another program's lock, of whichever kind, means the file is in use:
// flock locks and record locks (fcntl, OFD) do not see each other, so both
// are taken. The OFD lock covers the whole file and goes with the
// descriptor, like the flock.
int LockExclusive(int fd) {
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return errno;
  }
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  while (fcntl(fd, F_OFD_SETLK, &whole) != 0) {
    if (errno == EINTR) continue;
    // POSIX allows either for a conflicting lock.
    if (errno == EACCES || errno == EAGAIN) return EWOULDBLOCK;
    // A file system without record locks (some FUSE mounts) still has the
    // flock above.
    if (errno == EINVAL || errno == ENOLCK || errno == EOPNOTSUPP) return 0;
    return errno;
  }
  return 0;
}

int WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    // A regular file that takes nothing without an error is out of room.
    if (n == 0) return ENOSPC;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

std::optional<FileFailure> AppendCaptureRecord(const std::string& path, std::string_view text,
                                               bool lineBreak) {
  // Non-blocking, so that the open itself can never wait (a FIFO with no
  // reader); the kind is checked before anything is written.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY,
                0644);
  if (fd < 0) return FileFailure{errno, FileStage::Open};
  bool device = false;
  if (int error = CheckKind(fd, device); error != 0) {
    close(fd);
    return FileFailure{error, FileStage::Open};
  }
  // A regular file never waits anyway; a device keeps the flag, so a write
  // it cannot take fails (EAGAIN) instead of holding the window.
  if (!device) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // Closing the descriptor releases the locks.
  if (int error = LockExclusive(fd); error != 0) {
    close(fd);
    return FileFailure{error, FileStage::Open};
  }
  if (int error = WriteAll(fd, FileBytes(text, lineBreak)); error != 0) {
    close(fd);
    return FileFailure{error, FileStage::Write};
  }
  // Network file systems report a failed write only here.
  if (close(fd) != 0 && errno != EINTR) return FileFailure{errno, FileStage::Close};
  return std::nullopt;
}

}  // namespace lirosa
