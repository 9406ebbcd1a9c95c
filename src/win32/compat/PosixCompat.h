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
