#include "transmit/LineIndex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

namespace lirosa {

namespace {

constexpr std::size_t kScanBlock = 64 * 1024;

// Closes the descriptor when the call leaves, whichever way it leaves.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

int OpenForReading(const std::string& path) {
  // Non-blocking, so that a FIFO chosen by mistake fails instead of hanging
  // the window; regular files ignore the flag.
  return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

}  // namespace

std::optional<FileFailure> LineIndex::Refresh(const std::string& path) {
  FileDescriptor fd(OpenForReading(path));
  if (fd.get() < 0) {
    int error = errno;
    Forget();
    return FileFailure{error, FileStage::Open};
  }
  return Update(fd.get());
}

int LineIndex::LineCount() const {
  // One below the limit, so the next line after the last still fits an int.
  if (starts_.size() >= static_cast<std::size_t>(INT_MAX)) return INT_MAX - 1;
  return static_cast<int>(starts_.size());
}

void LineIndex::Forget() {
  valid_ = false;
  identity_ = {};
  starts_.clear();
  end_ = 0;
}

std::optional<FileFailure> LineIndex::Update(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    int error = errno;
    Forget();
    return FileFailure{error, FileStage::Read};
  }
  Identity now{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
  bool same = valid_ && now.device == identity_.device && now.inode == identity_.inode &&
              now.size == identity_.size && now.modified.tv_sec == identity_.modified.tv_sec &&
              now.modified.tv_nsec == identity_.modified.tv_nsec;
  if (same) return std::nullopt;
  if (std::optional<FileFailure> failure = Rebuild(fd)) {
    Forget();
    return failure;
  }
  identity_ = now;
  valid_ = true;
  return std::nullopt;
}

std::optional<FileFailure> LineIndex::Rebuild(int fd) {
  starts_.clear();
  end_ = 0;
  std::array<char, kScanBlock> block;
  bool atLineStart = true;
  off_t offset = 0;
  while (true) {
    ssize_t n = pread(fd, block.data(), block.size(), offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileFailure{errno, FileStage::Read};
    }
    if (n == 0) break;
    const char* begin = block.data();
    const char* end = begin + n;
    const char* at = begin;
    while (at < end) {
      if (atLineStart) {
        starts_.push_back(offset + (at - begin));
        atLineStart = false;
      }
      const void* lf = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
      if (lf == nullptr) break;
      at = static_cast<const char*>(lf) + 1;
      atLineStart = true;
    }
    offset += n;
  }
  end_ = offset;
  return std::nullopt;
}

std::optional<FileFailure> LineIndex::ReadLine(const std::string& path, int number,
                                               std::string& line) {
  line.clear();
  FileDescriptor fd(OpenForReading(path));
  if (fd.get() < 0) {
    int error = errno;
    Forget();
    return FileFailure{error, FileStage::Open};
  }
  if (std::optional<FileFailure> failure = Update(fd.get())) return failure;
  if (number < 1 || static_cast<std::size_t>(number) > starts_.size()) return std::nullopt;

  const std::size_t index = static_cast<std::size_t>(number - 1);
  const off_t begin = starts_[index];
  const off_t end = index + 1 < starts_.size() ? starts_[index + 1] : end_;
  line.resize(static_cast<std::size_t>(end - begin));
  std::size_t got = 0;
  while (got < line.size()) {
    ssize_t n =
        pread(fd.get(), line.data() + got, line.size() - got, begin + static_cast<off_t>(got));
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      line.clear();
      Forget();
      return FileFailure{error, FileStage::Read};
    }
    // Cut short between the look at its size and the read: what is there is
    // the line; the next call sees the new size and reads the file through.
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  line.resize(got);
  if (!line.empty() && line.back() == '\n') {
    line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  return std::nullopt;
}

}  // namespace lirosa
