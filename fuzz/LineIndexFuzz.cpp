// The line reader of file sending on arbitrary file content: any file the
// user picks is read line by line.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Require.h"
#include "ScratchFolder.h"
#include "transmit/LineIndex.h"

using lirosa::fuzz::Require;
using lirosa::fuzz::ScratchFolder;

namespace {

// Lines split at LF; a CR right before the LF belongs to the line end; a
// final LF adds no empty line; a last line without LF keeps all its bytes.
std::vector<std::string> ExpectedLines(std::string_view content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string_view::npos) {
      lines.emplace_back(content.substr(start));
      break;
    }
    std::string line(content.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ScratchFolder& folder = ScratchFolder::Get();
  folder.Write("lines.txt", data, size);
  const std::string path = folder.File("lines.txt");
  const std::vector<std::string> expected =
      ExpectedLines(std::string_view(reinterpret_cast<const char*>(data), size));
  const int count = static_cast<int>(expected.size());

  lirosa::LineIndex index;
  Require(!index.Refresh(path).has_value(), "a readable file indexes");
  Require(index.LineCount() == count, "the index counts the lines");
  std::string line = "stale";
  for (int number = 1; number <= count; ++number) {
    Require(!index.ReadLine(path, number, line).has_value(), "every line reads");
    Require(line == expected[static_cast<std::size_t>(number) - 1],
            "a line reads as it is in the file");
  }
  for (int outside : {0, -1, count + 1}) {
    line = "stale";
    Require(!index.ReadLine(path, outside, line).has_value() && line.empty(),
            "a line outside the file reads as empty");
  }

  // Reading first, in reverse order, builds the same index on the way.
  lirosa::LineIndex fresh;
  for (int number = count; number >= 1; --number) {
    Require(!fresh.ReadLine(path, number, line).has_value(), "every line reads without a refresh");
    Require(line == expected[static_cast<std::size_t>(number) - 1],
            "a line reads the same backwards");
  }
  if (count == 0) {
    Require(!fresh.ReadLine(path, 1, line).has_value() && line.empty(), "no first line");
  }
  Require(fresh.LineCount() == count, "reading builds the same count");
  return 0;
}
