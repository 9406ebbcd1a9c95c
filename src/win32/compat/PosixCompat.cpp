#include <windows.h>

#include <direct.h>
#include <io.h>
#include <stdlib.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "poll.h"
#include "sys/file.h"

namespace {

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_LOCK_VIOLATION:
    case ERROR_SHARING_VIOLATION:
      return EWOULDBLOCK;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return EEXIST;
    case ERROR_INVALID_HANDLE:
      return EBADF;
  }
  return EIO;
}

int Fail(DWORD error) {
  errno = ErrnoOf(error);
  return -1;
}

std::wstring Wide(const char* utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), n);
  wide.pop_back();
  return wide;
}

// Replaces the trailing XXXXXX of a template with random letters and digits.
bool FillTemplate(char* name) {
  static std::mt19937 random{std::random_device{}()};
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::size_t length = std::strlen(name);
  if (length < 6 || std::strcmp(name + length - 6, "XXXXXX") != 0) return false;
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  for (std::size_t i = length - 6; i < length; ++i) name[i] = kLetters[pick(random)];
  return true;
}

}  // namespace

extern "C" int flock(int fd, int operation) {
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) return Fail(ERROR_INVALID_HANDLE);
  OVERLAPPED at{};
  if (operation & LOCK_UN) {
    return UnlockFileEx(handle, 0, MAXDWORD, MAXDWORD, &at) ? 0 : Fail(GetLastError());
  }
  DWORD flags = (operation & LOCK_EX) ? LOCKFILE_EXCLUSIVE_LOCK : 0;
  if (operation & LOCK_NB) flags |= LOCKFILE_FAIL_IMMEDIATELY;
  return LockFileEx(handle, flags, 0, MAXDWORD, MAXDWORD, &at) ? 0 : Fail(GetLastError());
}

extern "C" int lirosa_fsync(int fd) { return _commit(fd); }

extern "C" int lirosa_mkostemp(char* name, int flags) {
  std::string pattern = name;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::strcpy(name, pattern.c_str());
    if (!FillTemplate(name)) {
      errno = EINVAL;
      return -1;
    }
    int fd = _open(name, flags | _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

extern "C" char* lirosa_mkdtemp(char* name) {
  std::string pattern = name;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::strcpy(name, pattern.c_str());
    if (!FillTemplate(name)) {
      errno = EINVAL;
      return nullptr;
    }
    if (_mkdir(name) == 0) return name;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

// Positioned I/O on a synchronous handle: the offset travels in OVERLAPPED.
static OVERLAPPED AtOffset(off_t offset) {
  OVERLAPPED at{};
  auto position = static_cast<std::uint64_t>(offset);
  at.Offset = static_cast<DWORD>(position);
  at.OffsetHigh = static_cast<DWORD>(position >> 32);
  return at;
}

extern "C" ssize_t lirosa_pread(int fd, void* buffer, size_t count, off_t offset) {
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) return Fail(ERROR_INVALID_HANDLE);
  OVERLAPPED at = AtOffset(offset);
  DWORD got = 0;
  DWORD ask = count > MAXDWORD ? MAXDWORD : static_cast<DWORD>(count);
  if (!ReadFile(handle, buffer, ask, &got, &at)) {
    DWORD error = GetLastError();
    if (error == ERROR_HANDLE_EOF) return 0;
    return Fail(error);
  }
  return static_cast<ssize_t>(got);
}

extern "C" int __wrap_rename(const char* from, const char* to) {
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
  return Fail(GetLastError());
}

extern "C" int lirosa_mkdir(const char* path, int /*mode*/) {
  if (CreateDirectoryW(Wide(path).c_str(), nullptr)) return 0;
  return Fail(GetLastError());
}

namespace {

// 100 ns ticks since 1601 to a POSIX time.
timespec TimeOf(FILETIME time) {
  constexpr std::uint64_t kEpochTicks = 116444736000000000ULL;
  std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  ticks = ticks > kEpochTicks ? ticks - kEpochTicks : 0;
  timespec spec{};
  spec.tv_sec = static_cast<time_t>(ticks / 10000000ULL);
  spec.tv_nsec = static_cast<long>(ticks % 10000000ULL) * 100;
  return spec;
}

int StatHandle(HANDLE handle, struct lirosa_stat* st) {
  *st = {};
  DWORD type = GetFileType(handle);
  if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) {
    st->st_mode = type == FILE_TYPE_CHAR ? _S_IFCHR : _S_IFIFO;
    return 0;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return Fail(GetLastError());
  st->st_dev = info.dwVolumeSerialNumber;
  st->st_ino = static_cast<ino_t>(info.nFileIndexLow);
  bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  st->st_mode = static_cast<unsigned short>((folder ? _S_IFDIR : _S_IFREG) | _S_IREAD |
                                            ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0 : _S_IWRITE));
  st->st_size = static_cast<off_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  st->st_mtim = TimeOf(info.ftLastWriteTime);
  FILE_BASIC_INFO basic{};
  if (GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) {
    FILETIME change{static_cast<DWORD>(basic.ChangeTime.QuadPart),
                    static_cast<DWORD>(static_cast<std::uint64_t>(basic.ChangeTime.QuadPart) >> 32)};
    st->st_ctim = TimeOf(change);
  } else {
    st->st_ctim = st->st_mtim;
  }
  return 0;
}

}  // namespace

extern "C" int lirosa_fstat(int fd, struct lirosa_stat* st) {
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) return Fail(ERROR_INVALID_HANDLE);
  return StatHandle(handle, st);
}

extern "C" int lirosa_stat(const char* path, struct lirosa_stat* st) {
  HANDLE handle = CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Fail(GetLastError());
  int result = StatHandle(handle, st);
  CloseHandle(handle);
  return result;
}

extern "C" int lirosa_setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && getenv(name) != nullptr) return 0;
  return _putenv_s(name, value) == 0 ? 0 : -1;
}

extern "C" int lirosa_unsetenv(const char* name) { return _putenv_s(name, "") == 0 ? 0 : -1; }

// Nobody is the superuser here: permission bits are honoured for everyone.
extern "C" int lirosa_geteuid(void) { return 1000; }

int lirosa_setenv(const char* name, const wchar_t* value, int overwrite) {
  int n = WideCharToMultiByte(CP_UTF8, 0, value, -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, value, -1, narrow.data(), n, nullptr, nullptr);
  return lirosa_setenv(name, narrow.c_str(), overwrite);
}

extern "C" int lirosa_utimensat(int /*folder*/, const char* path, const struct timespec times[2],
                                int /*flags*/) {
  HANDLE handle = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Fail(GetLastError());
  auto toFile = [](const struct timespec& spec) {
    std::uint64_t ticks = static_cast<std::uint64_t>(spec.tv_sec) * 10000000ULL +
                          static_cast<std::uint64_t>(spec.tv_nsec) / 100 + 116444736000000000ULL;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  };
  FILETIME access = toFile(times[0]);
  FILETIME write = toFile(times[1]);
  BOOL done = SetFileTime(handle, nullptr, &access, &write);
  DWORD error = GetLastError();
  CloseHandle(handle);
  return done ? 0 : Fail(error);
}

extern "C" int lirosa_lstat(const char* path, struct lirosa_stat* st) { return lirosa_stat(path, st); }

extern "C" ssize_t lirosa_readlink(const char* /*path*/, char* /*buffer*/, size_t /*size*/) {
  errno = EINVAL;
  return -1;
}

extern "C" int fcntl(int fd, int command, ...) {
  if (_get_osfhandle(fd) == -1) return Fail(ERROR_INVALID_HANDLE);
  switch (command) {
    case F_GETFL:
    case F_SETFL:
    case F_SETLK:
    case F_OFD_SETLK:
      return 0;
  }
  errno = EINVAL;
  return -1;
}

extern "C" ssize_t lirosa_pwrite(int fd, const void* buffer, size_t count, off_t offset) {
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) return Fail(ERROR_INVALID_HANDLE);
  OVERLAPPED at = AtOffset(offset);
  DWORD put = 0;
  DWORD ask = count > MAXDWORD ? MAXDWORD : static_cast<DWORD>(count);
  if (!WriteFile(handle, buffer, ask, &put, &at)) return Fail(GetLastError());
  return static_cast<ssize_t>(put);
}

extern "C" int poll(struct pollfd* fds, nfds_t count, int /*timeout*/) {
  int ready = 0;
  for (nfds_t i = 0; i < count; ++i) {
    if (_get_osfhandle(fds[i].fd) == -1) {
      fds[i].revents = POLLNVAL;
    } else {
      fds[i].revents = static_cast<short>(fds[i].events & (POLLIN | POLLOUT));
    }
    if (fds[i].revents != 0) ++ready;
  }
  return ready;
}
