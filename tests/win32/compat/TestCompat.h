#pragma once

// What the core tests ask of POSIX beyond what the product's compat layer
// gives, for their Windows build. Each call either does the same here or
// fails the way a system without it would (ENOSYS); the tests that need the
// real thing are left out of the Windows run by name, with the reason.

#include <errno.h>
#include <signal.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int uid_t;
typedef int gid_t;
int chown(const char* path, uid_t owner, gid_t group);
int getuid(void);
int getgid(void);

// No FIFOs, no fork, no interval timer signals.
int mkfifo(const char* path, int mode);
int pipe2(int fds[2], int flags);
int fork(void);
int waitpid(int pid, int* status, int options);

#define SIGALRM 14
typedef unsigned long sigset_t;
struct sigaction {
  void (*sa_handler)(int);
  sigset_t sa_mask;
  int sa_flags;
};
int sigaction(int signal, const struct sigaction* action, struct sigaction* previous);
int sigemptyset(sigset_t* set);

typedef long suseconds_t;
struct itimerval {
  struct { long tv_sec; suseconds_t tv_usec; } it_interval, it_value;
};
#define ITIMER_REAL 0
int setitimer(int which, const struct itimerval* value, struct itimerval* old);

#ifdef __cplusplus
}
#endif

#define WIFEXITED(status) (((status) & 0x7f) == 0)
#define WEXITSTATUS(status) (((status) >> 8) & 0xff)
