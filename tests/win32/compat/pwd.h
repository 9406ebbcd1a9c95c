#pragma once
// No user database: every look-up finds nobody.
struct passwd {
  char* pw_name;
  char* pw_dir;
};
#ifdef __cplusplus
extern "C" {
#endif
struct passwd* getpwuid(int uid);
#ifdef __cplusplus
}
#endif
