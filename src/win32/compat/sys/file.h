#pragma once

// flock on Windows: a byte-range lock over the whole file, which the system
// drops when the descriptor is closed, as flock's lock is.

#define LOCK_SH 1
#define LOCK_EX 2
#define LOCK_NB 4
#define LOCK_UN 8

#ifdef __cplusplus
extern "C" {
#endif
int flock(int fd, int operation);
#ifdef __cplusplus
}
#endif
