#pragma once

// The few POSIX calls the core's file code uses, on Windows' C runtime.
// Included before every source of the Windows build, so the core stays
// written against one API. Files are always binary: the core writes its own
// CR LF line ends and reads byte offsets.

#define _POSIX_THREAD_SAFE_FUNCTIONS 200112L
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64
#endif

#include <direct.h>
#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

// Not inherited by child processes, and never a text-mode translation.
#ifndef O_CLOEXEC
#define O_CLOEXEC (_O_NOINHERIT | _O_BINARY)
#endif
// Windows' C runtime opens no folder; a folder open fails as a missing
// lock would, and the callers carry on without it.
#ifndef O_DIRECTORY
#define O_DIRECTORY 0x200000
#endif
// A regular file never blocks; a FIFO does not exist here.
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef O_NOFOLLOW
#define O_NOFOLLOW 0
#endif
// No terminal can become this process's controlling one.
#ifndef O_NOCTTY
#define O_NOCTTY 0
#endif

// Symbolic links are not followed by hand here: lstat reports what stat
// does, so a settings file is always written in place.
#ifndef S_IFLNK
#define S_IFLNK 0xA000
#endif
#ifndef S_ISLNK
#define S_ISLNK(mode) (((mode) & 0xF000) == S_IFLNK)
#endif

// Error numbers the core maps to messages that Windows never reports.
#ifndef EDQUOT
#define EDQUOT 1122
#endif
#ifndef ELIBBAD
#define ELIBBAD 1080
#endif

// A file's identity as the core compares it: the C runtime's stat has no
// nanosecond time and no stable file number.
struct lirosa_stat {
  dev_t st_dev;
  ino_t st_ino;
  unsigned short st_mode;
  off_t st_size;
  struct timespec st_mtim;
  struct timespec st_ctim;  // the last change of contents or attributes
  // No owners, groups or device numbers here: always 0.
  int st_uid;
  int st_gid;
  dev_t st_rdev;
};

// The record lock and descriptor flags the capture file asks for. The
// byte-range lock of flock already excludes every other writer here, and a
// descriptor has no O_NONBLOCK to clear.
#define F_GETFL 3
#define F_SETFL 4
#define F_GETLK 5
#define F_SETLK 6
#define F_OFD_SETLK 37
#define F_RDLCK 0
#define F_WRLCK 1
#define F_UNLCK 2
struct flock {
  short l_type;
  short l_whence;
  off_t l_start;
  off_t l_len;
  int l_pid;
};

#ifdef __cplusplus
extern "C" {
#endif

int lirosa_fstat(int fd, struct lirosa_stat* st);
int lirosa_stat(const char* path, struct lirosa_stat* st);
int lirosa_setenv(const char* name, const char* value, int overwrite);
int lirosa_unsetenv(const char* name);
int lirosa_geteuid(void);
#define AT_FDCWD (-100)
int lirosa_utimensat(int folder, const char* path, const struct timespec times[2], int flags);
int lirosa_fsync(int fd);
int lirosa_mkostemp(char* name, int flags);
ssize_t lirosa_pread(int fd, void* buffer, size_t count, off_t offset);
int lirosa_mkdir(const char* path, int mode);
char* lirosa_mkdtemp(char* name);
int lirosa_lstat(const char* path, struct lirosa_stat* st);
ssize_t lirosa_readlink(const char* path, char* buffer, size_t size);
int fcntl(int fd, int command, ...);
ssize_t lirosa_pwrite(int fd, const void* buffer, size_t count, off_t offset);

#ifdef __cplusplus
}
#endif

#undef stat
#undef fstat
#define stat lirosa_stat
#define fstat lirosa_fstat
#define setenv lirosa_setenv
#define unsetenv lirosa_unsetenv
#define geteuid lirosa_geteuid
#define utimensat lirosa_utimensat
#define fsync lirosa_fsync
#define mkostemp lirosa_mkostemp
#define pread lirosa_pread
#define mkdtemp lirosa_mkdtemp
#define lstat lirosa_lstat
#define readlink lirosa_readlink
#define pwrite lirosa_pwrite

// rename itself is replaced at link time (--wrap=rename), because <cstdio>
// takes back any macro of that name: the C runtime's fails on an existing
// target, POSIX rename replaces it.

#ifdef __cplusplus
// POSIX mkdir takes a mode, which has no meaning here.
inline int mkdir(const char* path, int mode) { return lirosa_mkdir(path, mode); }
// std::filesystem paths are wide here.
inline int unlink(const wchar_t* path) { return _wunlink(path); }
int lirosa_setenv(const char* name, const wchar_t* value, int overwrite);
#endif
