#include "serial/OpenFailure.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace lirosa {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDialout = "dialout";

bool IsDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The group owning the node, or empty when it cannot be told.
std::string GroupOf(const std::string& devicePath, gid_t& gid) {
  struct stat info {};
  if (::stat(devicePath.c_str(), &info) != 0) return {};
  gid = info.st_gid;
  std::vector<char> buffer(16384);
  group entry {};
  group* found = nullptr;
  if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
    return std::to_string(info.st_gid);
  }
  return found->gr_name;
}

std::string PermissionReason(const std::string& devicePath) {
  gid_t gid = 0;
  std::string group = GroupOf(devicePath, gid);
  if (group.empty()) group = kDialout;
  // Joining root's group is no fix: such a node is for root alone.
  if (gid == 0 && group != kDialout) {
    return "没有访问权限 (permission denied): 设备只允许 root 打开";
  }
  return "没有访问权限 (permission denied): 请执行 sudo usermod -aG " + group +
         " $USER, 然后重新登录";
}

}  // namespace

std::string DeviceHolder(const std::string& devicePath, const std::string& procRoot) {
  std::error_code error;
  const fs::path device = fs::canonical(devicePath, error);
  if (error) return {};
  const std::string self = std::to_string(::getpid());
  for (fs::directory_iterator processes(procRoot, error);
       !error && processes != fs::directory_iterator(); processes.increment(error)) {
    const std::string pid = processes->path().filename().string();
    if (!IsDigits(pid) || pid == self) continue;
    std::error_code fdError;
    for (fs::directory_iterator fds(processes->path() / "fd", fdError);
         !fdError && fds != fs::directory_iterator(); fds.increment(fdError)) {
      std::error_code linkError;
      const fs::path target = fs::read_symlink(fds->path(), linkError);
      if (linkError || target != device) continue;
      std::ifstream comm(processes->path() / "comm");
      std::string name;
      std::getline(comm, name);
      if (name.empty()) name = "?";
      return name + " (PID " + pid + ")";
    }
  }
  return {};
}

std::string SystemConsoleReason() { return "这是系统控制台 (system console), 不予打开"; }

std::string OpenFailureReason(int error, const std::string& devicePath,
                              const std::string& procRoot) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
      return "设备不存在 (no such device)";
    case EACCES:
    case EPERM:
    case EROFS:
      return PermissionReason(devicePath);
    case EBUSY:
    case EWOULDBLOCK: {
      const std::string holder = DeviceHolder(devicePath, procRoot);
      if (holder.empty()) return "设备正被其他程序使用 (device busy)";
      return "设备正被其他程序使用 (device busy): " + holder;
    }
    case ENOTTY:
    case EIO:
    case EISDIR:
    case EINVAL:
      return "不是串口设备 (not a serial device)";
  }
  return std::string("打开失败 (") + std::strerror(error) + ")";
}

}  // namespace lirosa
