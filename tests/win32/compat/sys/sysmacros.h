#pragma once
// Device numbers as glibc packs the common small ones.
#define makedev(major, minor) ((((major) & 0xfffu) << 8) | ((minor) & 0xffu))
#define major(dev) ((unsigned)(((dev) >> 8) & 0xfffu))
#define minor(dev) ((unsigned)((dev) & 0xffu))
