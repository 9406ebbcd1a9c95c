#include "display/CaptureFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace lirosa {

namespace {

// The bytes of one record as the file gets them: cut at a zero byte, line
// breaks as CR LF, so the file reads the same on any system.
std::string FileBytes(std::string_view text, bool lineBreak) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\0') break;
    if (c == '\n') out += '\r';
    out += c;
  }
  if (lineBreak) out += "\r\n";
  return out;
}

int LockExclusive(int fd) {
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return errno;
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
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return FileFailure{errno, FileStage::Open};
  // Closing the descriptor releases the lock.
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
