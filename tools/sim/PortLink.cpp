#include "PortLink.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace lirosa::sim {

PortLink::~PortLink() {
  if (linkPath_.empty()) {
    return;
  }
  char buffer[4096];
  const ssize_t n = ::readlink(linkPath_.c_str(), buffer, sizeof buffer);
  if (n > 0 && std::string(buffer, static_cast<std::size_t>(n)) == target_) {
    ::unlink(linkPath_.c_str());
  }
}

bool PortLink::Create(const std::string& linkPath, const std::string& target, std::string& error) {
  struct stat info {};
  if (::lstat(linkPath.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
    error = linkPath + " exists and is not a symbolic link";
    return false;
  }
  // Made under a temporary name and renamed over the old link, so the name
  // never points nowhere and a stale link is replaced atomically.
  const std::string temporary = linkPath + ".tmp" + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0) {
    error = "cannot create link " + linkPath + ": " + std::strerror(errno);
    return false;
  }
  if (::rename(temporary.c_str(), linkPath.c_str()) != 0) {
    error = "cannot create link " + linkPath + ": " + std::strerror(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  linkPath_ = linkPath;
  target_ = target;
  return true;
}

}  // namespace lirosa::sim
