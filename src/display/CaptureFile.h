#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "display/FileFailure.h"

namespace lirosa {

// Appends one capture record to the file at `path` and closes it again, so
// that every record has reached the system when this returns.
//
// The file is created (mode 0644 less the umask) when missing and never
// truncated. While the record is written the file is held with an exclusive
// flock; a file another program holds locked fails at once with EWOULDBLOCK
// (a sharing violation) instead of waiting. The text is written up to its
// first zero byte with every LF as CR LF, then CR LF when `lineBreak`.
//
// Returns nothing on success, else the errno and the stage (Open for the
// open and the lock, Write, Close) of the first failure. After a failure the
// file holds whatever part of the record the system took; nothing stays open.
std::optional<FileFailure> AppendCaptureRecord(const std::string& path, std::string_view text,
                                               bool lineBreak);

}  // namespace lirosa
