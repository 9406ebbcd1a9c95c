#pragma once

#include <array>
#include <string>

#include "app/MonitorDialog.h"
#include "display/FileErrors.h"

namespace lirosa {

inline constexpr const char* kSetLogName = "set.log";
inline constexpr const char* kDataLogName = "data.log";

// What the two settings files supplied; a file that could not be read
// supplies nothing and the start values stay.
struct StoredSettings {
  bool havePort = false;
  PortSettings port;
  bool haveRequests = false;
  std::array<std::string, 3> requests;
};

// The first failure of a save: its errno and the full path of the file.
struct SaveFailure {
  int error = 0;
  FileStage stage = FileStage::Open;
  std::string file;
};

// $XDG_CONFIG_HOME/lirosa, else $HOME/.config/lirosa, else the account's
// home from the user database; created when missing. With no home at all a
// fresh private folder (mkdtemp) for this run; empty if even that fails.
std::string DefaultSettingsDirectory();

// Reads set.log (port name, then the stop-bits, parity, data-bits and baud
// indexes, one a line) and data.log (three request texts). Lines end in
// CR LF or LF; missing lines read as empty; indexes are not checked. A file
// that is not a regular file (a FIFO) supplies nothing, without waiting.
StoredSettings ReadSettingsFiles(const std::string& directory);

// Writes both files with CR LF line ends. Each file is written to a
// temporary name and renamed over the old one, so a failed or interrupted
// save leaves the previous file whole; the temporary files that interrupted
// saves left behind are removed by the next save. A file that is a symlink
// is written through to its target (temporary file beside the target), so
// the link stays. Returns error 0 on success.
SaveFailure WriteSettingsFiles(const std::string& directory, const PortSettings& port,
                               const std::array<std::string, 3>& requests);

// Decimal conversion of an index line: leading blanks, an optional sign,
// digits up to the first other character; no digits gives 0.
int LeadingInteger(const std::string& text);

// A request text as one line of data.log: CR, LF and backslash are written
// as \r, \n and \\, so a multi-line request stays one line. A line without a
// backslash reads back unchanged; an unknown escape keeps its backslash.
std::string EscapeRequestLine(const std::string& text);
std::string UnescapeRequestLine(const std::string& line);

}  // namespace lirosa
