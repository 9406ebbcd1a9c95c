#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Require.h"

namespace lirosa::fuzz {

// One folder for the files a fuzz target writes, made on first use and
// removed when the process ends normally. In /dev/shm where there is one:
// the targets write a file or two per input, and a disk would be the
// bottleneck.
class ScratchFolder {
 public:
  static ScratchFolder& Get() {
    static ScratchFolder folder;
    return folder;
  }

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

  // Replaces the file's content (same inode) with the bytes given.
  void Write(const std::string& name, const std::uint8_t* data, std::size_t size) const {
    int fd = open(File(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Require(fd >= 0, "scratch file opens");
    while (size > 0) {
      ssize_t n = write(fd, data, size);
      Require(n > 0, "scratch file takes the bytes");
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    close(fd);
  }

  void Remove(const std::string& name) const { unlink(File(name).c_str()); }

  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

 private:
  ScratchFolder() {
    std::string base = "/tmp";
    if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && tmp[0] == '/') {
      base = tmp;
    } else if (access("/dev/shm", W_OK) == 0) {
      base = "/dev/shm";
    }
    std::string pattern = base + "/lirosa-fuzz-XXXXXX";
    Require(mkdtemp(pattern.data()) != nullptr, "scratch folder is made");
    path_ = pattern;
  }

  std::string path_;
};

}  // namespace lirosa::fuzz
