#pragma once
// No pseudo-terminals inside a Windows program: openpty always fails.
#ifdef __cplusplus
extern "C" {
#endif
int openpty(int* master, int* slave, char* name, const void* termios, const void* size);
#ifdef __cplusplus
}
#endif
