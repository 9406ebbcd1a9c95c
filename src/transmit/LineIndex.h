#pragma once

#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "display/FileFailure.h"

namespace lirosa {

// Where each line of a text file starts, so that any line is read with one
// positioned read however far down the file it is.
//
// Lines end in LF or CR LF; the terminator is not part of the line. A last
// line without a terminator counts; a line break at the very end of the file
// adds no empty line; an empty file has no lines.
//
// Only regular files are indexed: a device or FIFO (/dev/zero, a symlink to
// it) may never end, and fails with stage Kind; a folder fails to read
// (EISDIR). Nothing here blocks on the file: it is opened non-blocking.
//
// The index belongs to one file as it was when last read through. Every call
// that takes a path opens the file and compares its identity, size,
// modification time and status-change time (nanoseconds) with the indexed
// ones; only a change makes it read the file through again, so an edit takes
// effect at the next call. The status-change time also catches an in-place
// rewrite of the same size whose modification time was put back (touch -r).
//
// A file of millions of lines takes a while to read through. Refresh and
// ReadLine do it at once; Begin and Continue do it in slices of at most
// kSliceBytes each, so that a caller on a user-interface thread can spread
// it over its ticks.
class LineIndex {
 public:
  // A line longer than this is not read: ReadLine fails with EFBIG (stage
  // Read), and the file stays indexed.
  static constexpr std::size_t kMaxLineBytes = 1024 * 1024;
  // What one Continue reads at most.
  static constexpr std::size_t kSliceBytes = 2 * 1024 * 1024;

  // Brings the index up to date with the file at `path`, reading it through
  // if it changed. Returns nothing on success, else the errno and stage
  // (Open, Read, Kind) of the failure; the index is then empty.
  std::optional<FileFailure> Refresh(const std::string& path);

  // Lines of the file as last refreshed or read; while Building, the lines
  // found so far.
  int LineCount() const;

  // Reads line `number` (1-based) of the file at `path` into `line`,
  // refreshing the index first (at once, also in the middle of a build). A
  // number outside the file's lines gives an empty line. On failure `line`
  // is empty; the index is forgotten, except after a line that is too long.
  std::optional<FileFailure> ReadLine(const std::string& path, int number, std::string& line);

  // As Refresh, but reads at most one slice now. Building() then tells
  // whether the rest is still to be read through Continue. An index that is
  // already up to date reads nothing.
  std::optional<FileFailure> Begin(const std::string& path);
  // Reads the next slice of a build under way; on failure the index is
  // empty and the build over.
  std::optional<FileFailure> Continue();
  bool Building() const { return scanFd_ >= 0; }

  // Drops the index, and a build under way; the next call reads the file
  // through.
  void Forget();

  LineIndex() = default;
  ~LineIndex();
  LineIndex(const LineIndex&) = delete;
  LineIndex& operator=(const LineIndex&) = delete;

 private:
  struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};
    timespec changed{};
  };
  // Opens `path` for reading and checks its kind; returns the descriptor or
  // -1 with `failure` set.
  static int OpenRegular(const std::string& path, Identity& identity,
                         std::optional<FileFailure>& failure);
  bool Current(const Identity& now) const;
  void StartScan(const Identity& now);
  // Reads on from the scan's offset, at most `budget` bytes; `done` once the
  // end of the file has been reached.
  std::optional<FileFailure> Scan(int fd, std::size_t budget, bool& done);
  void StopScan();
  std::optional<FileFailure> Fail(FileFailure failure);

  bool valid_ = false;
  Identity identity_;
  // Offset of the first byte of each line. In blocks, not one array: a
  // file of millions of lines would otherwise copy tens of megabytes in one
  // slice each time the array grows.
  std::deque<off_t> starts_;
  off_t end_ = 0;              // bytes read through when the index was built

  // A build under way: its own descriptor, how far it has read, and the
  // identity the file had when it began.
  int scanFd_ = -1;
  Identity scanIdentity_;
  off_t scanOffset_ = 0;
  bool scanAtLineStart_ = true;
};

}  // namespace lirosa
