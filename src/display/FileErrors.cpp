#include "display/FileErrors.h"

#include <cerrno>

namespace lirosa {

namespace {

std::string Fill(const char* pattern, const std::string& fileName) {
  std::string text = pattern;
  std::size_t at = text.find("%1");
  if (at != std::string::npos) text.replace(at, 2, fileName);
  return text;
}

}  // namespace

// The one mapping from errno to the causes users are told about:
//   ENOENT ENOTDIR ENAMETOOLONG ELOOP EINVAL  -> invalid path
//   EACCES EPERM EROFS EISDIR ETXTBSY          -> access denied
//   ENXIO (a FIFO without a reader, a socket)
//   EWOULDBLOCK (another program holds a lock)
//   EBUSY                                       -> sharing violation
//   EDEADLK ENOLCK                              -> lock violation
//   EMFILE ENFILE                               -> too many open files
//   ENOSPC EDQUOT while creating the file       -> directory full
//   EIO                                         -> hardware I/O error
//   any failure while writing or closing        -> disk full
//   a failure while reading                     -> unknown error
//   a file of the wrong kind                    -> access denied
//   anything else                               -> unknown error
std::string FileErrorMessage(int error, FileStage stage, const std::string& fileName) {
  if (stage == FileStage::Write || stage == FileStage::Close) {
    return Fill("在存取 %1 时磁盘已满。", fileName);
  }
  if (stage == FileStage::Read) return Fill("在对 %1 进行访问时发生了一个不明错误。", fileName);
  if (stage == FileStage::Kind) return Fill("对 %1 的存取被拒绝。", fileName);
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
      return Fill("%1 中包含无效的路径。", fileName);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case ENXIO:
      return Fill("对 %1 的存取被拒绝。", fileName);
    case EWOULDBLOCK:
    case EBUSY:
      return Fill("在存取 %1 时发生共享违例。", fileName);
    case EDEADLK:
    case ENOLCK:
      return Fill("在存取 %1 时发生锁违例。", fileName);
    case EMFILE:
    case ENFILE:
      return Fill("无法打开 %1 因为太多文件已被打开。", fileName);
    case ENOSPC:
    case EDQUOT:
      return Fill("该目录已满，无法创建 %1。", fileName);
    case EIO:
      return Fill("在存取 %1 时一个硬件输入/输出错误被报告。", fileName);
    default:
      return Fill("在对 %1 进行访问时发生了一个不明错误。", fileName);
  }
}

}  // namespace lirosa
