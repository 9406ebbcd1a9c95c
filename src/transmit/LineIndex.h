#pragma once

#include <sys/types.h>

#include <ctime>
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
// The index belongs to one file as it was when last read through. Every call
// that takes a path opens the file and compares its identity, size and
// modification time (nanoseconds) with the indexed ones; only a change makes
// it read the file through again, so an edit takes effect at the next call.
class LineIndex {
 public:
  // Brings the index up to date with the file at `path`. Returns nothing on
  // success, else the errno and stage (Open, Read) of the failure; the index
  // is then empty.
  std::optional<FileFailure> Refresh(const std::string& path);

  // Lines of the file as last refreshed or read.
  int LineCount() const;

  // Reads line `number` (1-based) of the file at `path` into `line`,
  // refreshing the index first. A number outside the file's lines gives an
  // empty line. On failure `line` is empty and the index is forgotten.
  std::optional<FileFailure> ReadLine(const std::string& path, int number, std::string& line);

  // Drops the index; the next call reads the file through.
  void Forget();

 private:
  struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};
  };
  std::optional<FileFailure> Update(int fd);
  std::optional<FileFailure> Rebuild(int fd);

  bool valid_ = false;
  Identity identity_;
  std::vector<off_t> starts_;  // offset of the first byte of each line
  off_t end_ = 0;              // bytes read through when the index was built
};

}  // namespace lirosa
