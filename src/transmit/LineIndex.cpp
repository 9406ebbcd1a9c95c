#include "transmit/LineIndex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

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
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

LineIndex::~LineIndex() { StopScan(); }

int LineIndex::OpenRegular(const std::string& path, Identity& identity,
                           std::optional<FileFailure>& failure) {
  // Non-blocking, so that a FIFO chosen by mistake is refused below instead
  // of hanging the window in open(); regular files ignore the flag.
  FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    failure = FileFailure{errno, FileStage::Open};
    return -1;
  }
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) {
    failure = FileFailure{errno, FileStage::Read};
    return -1;
  }
  // A folder reads as the read error it gives on Linux; devices and FIFOs
  // may never end (/dev/zero) and are refused as what they are.
  if (S_ISDIR(st.st_mode)) {
    failure = FileFailure{EISDIR, FileStage::Read};
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    failure = FileFailure{EINVAL, FileStage::Kind};
    return -1;
  }
  identity = {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
  return fd.release();
}

std::optional<FileFailure> LineIndex::Refresh(const std::string& path) {
  if (std::optional<FileFailure> failure = Begin(path)) return failure;
  while (Building()) {
    if (std::optional<FileFailure> failure = Continue()) return failure;
  }
  return std::nullopt;
}

int LineIndex::LineCount() const {
  // One below the limit, so the next line after the last still fits an int.
  if (starts_.size() >= static_cast<std::size_t>(INT_MAX)) return INT_MAX - 1;
  return static_cast<int>(starts_.size());
}

void LineIndex::Forget() {
  StopScan();
  valid_ = false;
  identity_ = {};
  starts_.clear();
  starts_.shrink_to_fit();
  end_ = 0;
}

std::optional<FileFailure> LineIndex::Fail(FileFailure failure) {
  Forget();
  return failure;
}

bool LineIndex::Current(const Identity& now) const {
  return valid_ && now.device == identity_.device && now.inode == identity_.inode &&
         now.size == identity_.size && SameTime(now.modified, identity_.modified) &&
         SameTime(now.changed, identity_.changed);
}

void LineIndex::StartScan(const Identity& now) {
  StopScan();
  valid_ = false;
  starts_.clear();
  end_ = 0;
  scanIdentity_ = now;
  scanOffset_ = 0;
  scanAtLineStart_ = true;
}

void LineIndex::StopScan() {
  if (scanFd_ >= 0) close(scanFd_);
  scanFd_ = -1;
}

std::optional<FileFailure> LineIndex::Scan(int fd, std::size_t budget, bool& done) {
  done = false;
  std::array<char, kScanBlock> block;
  std::size_t taken = 0;
  while (taken < budget) {
    const std::size_t want = std::min(block.size(), budget - taken);
    ssize_t n = pread(fd, block.data(), want, scanOffset_);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileFailure{errno, FileStage::Read};
    }
    if (n == 0) {
      done = true;
      return std::nullopt;
    }
    const char* begin = block.data();
    const char* end = begin + n;
    const char* at = begin;
    while (at < end) {
      if (scanAtLineStart_) {
        starts_.push_back(scanOffset_ + (at - begin));
        scanAtLineStart_ = false;
      }
      const void* lf = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
      if (lf == nullptr) break;
      at = static_cast<const char*>(lf) + 1;
      scanAtLineStart_ = true;
    }
    scanOffset_ += n;
    taken += static_cast<std::size_t>(n);
  }
  return std::nullopt;
}

std::optional<FileFailure> LineIndex::Begin(const std::string& path) {
  Identity now;
  std::optional<FileFailure> failure;
  FileDescriptor fd(OpenRegular(path, now, failure));
  if (fd.get() < 0) return Fail(*failure);
  if (!Building() && Current(now)) return std::nullopt;
  StartScan(now);
  scanFd_ = fd.release();
  return Continue();
}

std::optional<FileFailure> LineIndex::Continue() {
  if (!Building()) return std::nullopt;
  bool done = false;
  if (std::optional<FileFailure> failure = Scan(scanFd_, kSliceBytes, done)) return Fail(*failure);
  if (!done) return std::nullopt;
  // The identity seen when the build began: a change made meanwhile is
  // seen by the next call, which reads the file through again.
  end_ = scanOffset_;
  identity_ = scanIdentity_;
  valid_ = true;
  StopScan();
  return std::nullopt;
}

std::optional<FileFailure> LineIndex::ReadLine(const std::string& path, int number,
                                               std::string& line) {
  line.clear();
  Identity now;
  std::optional<FileFailure> failure;
  FileDescriptor fd(OpenRegular(path, now, failure));
  if (fd.get() < 0) return Fail(*failure);
  if (Building() || !Current(now)) {
    StartScan(now);
    bool done = false;
    if (std::optional<FileFailure> scanFailure = Scan(fd.get(), SIZE_MAX, done)) {
      return Fail(*scanFailure);
    }
    end_ = scanOffset_;
    identity_ = now;
    valid_ = true;
  }
  if (number < 1 || static_cast<std::size_t>(number) > starts_.size()) return std::nullopt;

  const std::size_t index = static_cast<std::size_t>(number - 1);
  const off_t begin = starts_[index];
  const off_t end = index + 1 < starts_.size() ? starts_[index + 1] : end_;
  // Never held whole: a line of a gigabyte would take that much memory and
  // seconds to read, for a request no device wants. The CR LF is no text.
  const auto span = static_cast<std::size_t>(end - begin);
  if (span > kMaxLineBytes + 2) return FileFailure{EFBIG, FileStage::Read};
  line.resize(span);
  std::size_t got = 0;
  while (got < line.size()) {
    ssize_t n =
        pread(fd.get(), line.data() + got, line.size() - got, begin + static_cast<off_t>(got));
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      line.clear();
      return Fail(FileFailure{error, FileStage::Read});
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
  if (line.size() > kMaxLineBytes) {
    line.clear();
    return FileFailure{EFBIG, FileStage::Read};
  }
  return std::nullopt;
}

}  // namespace lirosa
