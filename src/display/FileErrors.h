#pragma once

#include <string>

namespace lirosa {

// Where in the life of a file an error struck.
enum class FileStage { Open, Write, Close, Read };

// The message a file error is shown with, the file's name in place of %1.
// Every write or close failure reads as a full disk; an open failure is told
// by its cause.
std::string FileErrorMessage(int error, FileStage stage, const std::string& fileName);

}  // namespace lirosa
