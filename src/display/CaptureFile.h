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
// truncated. Nothing here waits: the open is non-blocking, and only a
// regular file or a character device ready for output is written to; a
// FIFO, socket or busy device fails with ENXIO or EACCES at Open. While the
// record is written the file is held with an exclusive flock and an OFD
// record lock; a file another program holds locked either way fails at once
// with EWOULDBLOCK (a sharing violation) instead of waiting. The text is written up to its
// first zero byte with every LF as CR LF, then CR LF when `lineBreak`.
//
// Returns nothing on success, else the errno and the stage (Open for the
// open and the lock, Write, Close) of the first failure. After a failure the
// file holds whatever part of the record the system took; nothing stays open.
std::optional<FileFailure> AppendCaptureRecord(const std::string& path, std::string_view text,
                                               bool lineBreak);

}  // namespace lirosa
