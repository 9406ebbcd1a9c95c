#include <cerrno>

#include "serial/SerialPort.h"

namespace lirosa {

bool IsDeviceGone(int error) {
  // Callers hold either an errno or the negative errno a read returned.
  switch (error < 0 ? -error : error) {
    case EIO:
    case ENXIO:
    case ENODEV:
      return true;
  }
  return false;
}

}  // namespace lirosa
