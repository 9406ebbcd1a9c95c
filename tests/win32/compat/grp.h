#pragma once
// No group database: every look-up finds nothing.
struct group {
  char* gr_name;
  int gr_gid;
};
#ifdef __cplusplus
extern "C" {
#endif
struct group* getgrgid(int gid);
struct group* getgrnam(const char* name);
#ifdef __cplusplus
}
#endif
