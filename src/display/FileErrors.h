#pragma once

#include <string>

namespace lirosa {

// Where in the life of a file an error struck. Kind: the file opened but is
// not of a kind the operation takes (a device or FIFO, which may never end
// or never take the bytes).
enum class FileStage { Open, Write, Close, Read, Kind };

// The message a file error is shown with, the file's name in place of %1.
// Every write or close failure reads as a full disk; an open failure is told
// by its cause; a file of the wrong kind reads as access denied, as a folder
// does.
std::string FileErrorMessage(int error, FileStage stage, const std::string& fileName);

}  // namespace lirosa
