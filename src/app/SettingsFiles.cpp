#include "app/SettingsFiles.h"

#include <fcntl.h>
#ifndef _WIN32
#include <pwd.h>
#endif
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

namespace lirosa {

namespace {

// A save's temporary file is the file's name, this infix and six random
// letters or digits; the infix keeps a user's own copy (set.log.backup) from
// being taken for a leftover and removed.
constexpr const char* kTempInfix = ".tmp-";
constexpr std::size_t kTempRandomChars = 6;

std::string Join(const std::string& directory, const char* name) {
  if (directory.empty() || directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

// The file's lines without their line ends; false when it cannot be read.
// Only a regular file is read, and the open never waits: a FIFO put in its
// place would otherwise hold the start-up for ever.
bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return false;
  }
  std::string content;
  char block[4096];
  for (;;) {
    const ssize_t n = read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return false;
    }
    if (n == 0) break;
    content.append(block, static_cast<std::size_t>(n));
  }
  close(fd);
  std::istringstream in(content);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return true;
}

// Where a save of `path` really goes: a symlinked settings file (kept in a
// dotfiles repository, say) is written through to its target, not replaced
// by a file of its own. Relative links resolve against their own folder.
std::string WriteTarget(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::vector<char> target(static_cast<std::size_t>(PATH_MAX) + 1);
    const ssize_t n = readlink(path.c_str(), target.data(), target.size() - 1);
    if (n <= 0) return path;
    std::string next(target.data(), static_cast<std::size_t>(n));
    if (next.front() != '/') {
      const std::size_t slash = path.rfind('/');
      next = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + next;
    }
    path = next;
  }
  return path;
}

std::string LineAt(const std::vector<std::string>& lines, std::size_t index) {
  return index < lines.size() ? lines[index] : std::string();
}

int MakeDirectories(const std::string& path) {
  std::string partial;
  std::size_t at = 0;
  while (at != std::string::npos) {
    at = path.find('/', at + 1);
    partial = path.substr(0, at);
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  return 0;
}

// Writes `content` to `path` through a temporary file in the same folder and
// a rename, so readers see either the old file or the new one, never a part.
int ReplaceFile(const std::string& file, const std::string& content, FileStage& stage) {
  stage = FileStage::Open;
  const std::string path = WriteTarget(file);
  std::string temp = path + kTempInfix + std::string(kTempRandomChars, 'X');
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  int error = 0;
  stage = FileStage::Write;
  const char* data = content.data();
  std::size_t left = content.size();
  while (left > 0 && error == 0) {
    ssize_t n = write(fd, data, left);
    if (n < 0) {
      if (errno != EINTR) error = errno;
      continue;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(name.data(), path.c_str()) != 0) {
    error = errno;
    stage = FileStage::Open;
  }
  if (error != 0) unlink(name.data());
  return error;
}

bool IsTempOf(const std::string& name, const char* file) {
  const std::string prefix = std::string(file) + kTempInfix;
  return name.size() == prefix.size() + kTempRandomChars &&
         name.compare(0, prefix.size(), prefix) == 0;
}

// A save cut short (killed, power lost) leaves its temporary file behind;
// the next save removes such leftovers so they never pile up. Called with the
// folder locked, so no other save's file can be among them.
void RemoveStaleTemps(const std::string& directory) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
    const std::string name = entry.path().filename().string();
    if (IsTempOf(name, kSetLogName) || IsTempOf(name, kDataLogName)) unlink(entry.path().c_str());
  }
}

// Holds the folder for one save, so that two programs saving at once take
// turns. A folder that cannot be locked is saved into all the same, only
// without the clean-up.
class FolderLock {
 public:
  explicit FolderLock(const std::string& directory)
      : fd_(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    while (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      close(fd_);
      fd_ = -1;
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_;
};

}  // namespace

std::string DefaultSettingsDirectory() {
#ifdef _WIN32
  // The per-user roaming folder; a POSIX HOME or XDG_CONFIG_HOME that Wine
  // passes through names no Windows folder.
  const char* appData = std::getenv("APPDATA");
  if (appData == nullptr || appData[0] == '\0') return {};
  std::string directory = std::string(appData) + "\\Lirosa";
  MakeDirectories(directory);
  return directory;
#else
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    base = std::string(home) + "/.config";
  } else if (const passwd* user = getpwuid(getuid());
             user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] == '/') {
    base = std::string(user->pw_dir) + "/.config";
  } else {
    // No home at all: a fresh private folder for this run, never a fixed
    // name in /tmp that another user could plant a link at.
    std::string pattern = "/tmp/lirosa-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
  }
  std::string directory = Join(base, "lirosa");
  MakeDirectories(directory);
  return directory;
#endif
}

int LeadingInteger(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\v' || text[i] == '\f')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

std::string EscapeRequestLine(const std::string& text) {
  std::string line;
  line.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': line += "\\\\"; break;
      case '\r': line += "\\r"; break;
      case '\n': line += "\\n"; break;
      default: line += c; break;
    }
  }
  return line;
}

std::string UnescapeRequestLine(const std::string& line) {
  std::string text;
  text.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\\' || i + 1 == line.size()) {
      text += line[i];
      continue;
    }
    switch (line[i + 1]) {
      case '\\': text += '\\'; ++i; break;
      case 'r': text += '\r'; ++i; break;
      case 'n': text += '\n'; ++i; break;
      default: text += '\\'; break;
    }
  }
  return text;
}

StoredSettings ReadSettingsFiles(const std::string& directory) {
  StoredSettings stored;
  // No folder could be had: never the current one by accident.
  if (directory.empty()) return stored;
  std::vector<std::string> lines;
  if (ReadLines(Join(directory, kSetLogName), lines)) {
    stored.havePort = true;
    stored.port.portName = LineAt(lines, 0);
    stored.port.stopBitsIndex = LeadingInteger(LineAt(lines, 1));
    stored.port.parityIndex = LeadingInteger(LineAt(lines, 2));
    stored.port.dataBitsIndex = LeadingInteger(LineAt(lines, 3));
    stored.port.baudIndex = LeadingInteger(LineAt(lines, 4));
  }
  lines.clear();
  if (ReadLines(Join(directory, kDataLogName), lines)) {
    stored.haveRequests = true;
    for (std::size_t i = 0; i < stored.requests.size(); ++i) {
      stored.requests[i] = UnescapeRequestLine(LineAt(lines, i));
    }
  }
  return stored;
}

SaveFailure WriteSettingsFiles(const std::string& directory, const PortSettings& port,
                               const std::array<std::string, 3>& requests) {
  if (directory.empty()) return {ENOENT, FileStage::Open, kSetLogName};
  MakeDirectories(directory);
  FolderLock lock(directory);
  if (lock.Held()) RemoveStaleTemps(directory);
  std::ostringstream set;
  set << port.portName << "\r\n"
      << port.stopBitsIndex << "\r\n"
      << port.parityIndex << "\r\n"
      << port.dataBitsIndex << "\r\n"
      << port.baudIndex << "\r\n";
  std::string setPath = Join(directory, kSetLogName);
  FileStage stage = FileStage::Open;
  if (int error = ReplaceFile(setPath, set.str(), stage); error != 0) return {error, stage, setPath};

  std::string data;
  for (const std::string& request : requests) data += EscapeRequestLine(request) + "\r\n";
  std::string dataPath = Join(directory, kDataLogName);
  if (int error = ReplaceFile(dataPath, data, stage); error != 0) return {error, stage, dataPath};
  return {};
}

}  // namespace lirosa
