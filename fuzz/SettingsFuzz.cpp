// The settings files on arbitrary content: they are plain text in the user's
// folder and anyone may have edited them.
//
// The input is set.log, then "\n==data.log==\n", then data.log; without the
// separator there is no data.log.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Require.h"
#include "ScratchFolder.h"
#include "app/SettingsFiles.h"

using lirosa::fuzz::Require;
using lirosa::fuzz::ScratchFolder;

namespace {

constexpr std::string_view kSeparator = "\n==data.log==\n";

// Lines as a reader of either line end sees them: split at LF, one CR before
// it dropped, nothing after a final LF.
std::vector<std::string> SplitLines(std::string_view content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string_view::npos) end = content.size();
    std::string line(content.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string LineAt(const std::vector<std::string>& lines, std::size_t i) {
  return i < lines.size() ? lines[i] : std::string();
}

// The leading decimal number of a line, clamped to int, worked out from its
// digits as text rather than by arithmetic.
int ExpectedInteger(const std::string& line) {
  std::size_t i = line.find_first_not_of(" \t\v\f");
  if (i == std::string::npos) return 0;
  bool negative = false;
  if (line[i] == '+' || line[i] == '-') negative = line[i++] == '-';
  std::size_t digitsEnd = i;
  while (digitsEnd < line.size() && line[digitsEnd] >= '0' && line[digitsEnd] <= '9') ++digitsEnd;
  std::string digits = line.substr(i, digitsEnd - i);
  digits.erase(0, digits.find_first_not_of('0'));
  if (digits.size() > 10) return negative ? INT_MIN : INT_MAX;
  long long value = digits.empty() ? 0 : std::stoll(digits);
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

void CheckEscaping(const std::string& text) {
  const std::string line = lirosa::EscapeRequestLine(text);
  Require(line.find_first_of("\r\n") == std::string::npos, "an escaped request is one line");
  Require(lirosa::UnescapeRequestLine(line) == text, "unescaping undoes escaping");
  if (text.find('\\') == std::string::npos) {
    Require(lirosa::UnescapeRequestLine(text) == text,
            "a line without a backslash reads unchanged");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckEscaping(std::string(input));

  const ScratchFolder& folder = ScratchFolder::Get();
  const std::size_t split = input.find(kSeparator);
  const std::string_view setLog = input.substr(0, split);
  const bool haveData = split != std::string_view::npos;
  const std::string_view dataLog = haveData ? input.substr(split + kSeparator.size()) : "";
  folder.Write(lirosa::kSetLogName, reinterpret_cast<const std::uint8_t*>(setLog.data()),
               setLog.size());
  if (haveData) {
    folder.Write(lirosa::kDataLogName, reinterpret_cast<const std::uint8_t*>(dataLog.data()),
                 dataLog.size());
  } else {
    folder.Remove(lirosa::kDataLogName);
  }

  const lirosa::StoredSettings stored = lirosa::ReadSettingsFiles(folder.Path());
  Require(stored.havePort, "a set.log that exists supplies the port");
  Require(stored.haveRequests == haveData, "data.log supplies requests exactly when it exists");

  const std::vector<std::string> set = SplitLines(setLog);
  Require(stored.port.portName == LineAt(set, 0), "the port name is the first line");
  Require(stored.port.stopBitsIndex == ExpectedInteger(LineAt(set, 1)), "stop-bits index");
  Require(stored.port.parityIndex == ExpectedInteger(LineAt(set, 2)), "parity index");
  Require(stored.port.dataBitsIndex == ExpectedInteger(LineAt(set, 3)), "data-bits index");
  Require(stored.port.baudIndex == ExpectedInteger(LineAt(set, 4)), "baud index");
  if (haveData) {
    const std::vector<std::string> lines = SplitLines(dataLog);
    for (std::size_t i = 0; i < stored.requests.size(); ++i) {
      Require(stored.requests[i] == lirosa::UnescapeRequestLine(LineAt(lines, i)),
              "each request is its line unescaped");
    }
  }

  // Whatever was read is saved and read back unchanged, so settings survive
  // any number of runs of the program.
  const std::string again = folder.File("saved");
  const lirosa::SaveFailure failure =
      lirosa::WriteSettingsFiles(again, stored.port, stored.requests);
  Require(failure.error == 0, "settings save");
  const lirosa::StoredSettings reread = lirosa::ReadSettingsFiles(again);
  Require(reread.havePort && reread.haveRequests, "saved files read back");
  Require(reread.port == stored.port, "the port settings survive a save");
  Require(reread.requests == stored.requests, "the requests survive a save");
  return 0;
}
