#pragma once

#include "display/FileErrors.h"

namespace lirosa {

// A file operation that failed: the errno and the stage it struck in, as
// FileErrorMessage wants them.
struct FileFailure {
  int error = 0;
  FileStage stage = FileStage::Open;
  friend bool operator==(const FileFailure&, const FileFailure&) = default;
};

}  // namespace lirosa
