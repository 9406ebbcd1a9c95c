#include "TestCompat.h"

#include <io.h>
#include <fcntl.h>

#include "grp.h"
#include "pty.h"
#include "pwd.h"

extern "C" {

int getuid(void) { return 1000; }
int getgid(void) { return 1000; }

int chown(const char*, uid_t, gid_t) {
  errno = EPERM;
  return -1;
}

int mkfifo(const char*, int) {
  errno = ENOSYS;
  return -1;
}

int pipe2(int fds[2], int) { return _pipe(fds, 4096, _O_BINARY | _O_NOINHERIT); }

int fork(void) {
  errno = ENOSYS;
  return -1;
}

int waitpid(int, int*, int) {
  errno = ECHILD;
  return -1;
}

// A deadline never fires: a call that would block makes the test time out
// in ctest instead.
int sigaction(int, const struct sigaction*, struct sigaction* previous) {
  if (previous != nullptr) *previous = {};
  return 0;
}

int sigemptyset(sigset_t* set) {
  *set = 0;
  return 0;
}

int setitimer(int, const struct itimerval*, struct itimerval* old) {
  if (old != nullptr) *old = {};
  return 0;
}

struct passwd* getpwuid(int) { return nullptr; }
struct group* getgrgid(int) { return nullptr; }
struct group* getgrnam(const char*) { return nullptr; }

int openpty(int*, int*, char*, const void*, const void*) {
  errno = ENOSYS;
  return -1;
}

}  // extern "C"
