#pragma once

// poll on Windows' C runtime, for the one use the core has: asking whether a
// character device (NUL, CON) takes output now. Such devices never make a
// writer wait here, so every descriptor that exists reads as ready.

#define POLLIN 0x001
#define POLLPRI 0x002
#define POLLOUT 0x004
#define POLLERR 0x008
#define POLLHUP 0x010
#define POLLNVAL 0x020

struct pollfd {
  int fd;
  short events;
  short revents;
};

typedef unsigned long nfds_t;

#ifdef __cplusplus
extern "C" {
#endif
int poll(struct pollfd* fds, nfds_t count, int timeout);
#ifdef __cplusplus
}
#endif
