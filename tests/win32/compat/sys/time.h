#pragma once
#include_next <sys/time.h>
// setitimer and struct itimerval are declared by TestCompat.h.
