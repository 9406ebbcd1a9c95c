#include "transmit/LineIndex.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace lirosa {
namespace {

using test::TempDir;

struct LinesCase {
  const char* name;
  std::string content;
  std::vector<std::string> lines;
};

class LineIndexLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(LineIndexLinesTest, CountsAndReadsEveryLine) {
  const LinesCase& c = GetParam();
  TempDir dir;
  dir.Write("send.txt", c.content);
  const std::string path = dir.File("send.txt");

  LineIndex index;
  ASSERT_EQ(index.Refresh(path), std::nullopt);
  ASSERT_EQ(index.LineCount(), static_cast<int>(c.lines.size()));
  for (std::size_t i = 0; i < c.lines.size(); ++i) {
    std::string line = "stale";
    ASSERT_EQ(index.ReadLine(path, static_cast<int>(i + 1), line), std::nullopt);
    EXPECT_EQ(line, c.lines[i]) << "line " << i + 1;
  }
  // Outside the file: an empty line, not an error.
  std::string line = "stale";
  EXPECT_EQ(index.ReadLine(path, static_cast<int>(c.lines.size()) + 1, line), std::nullopt);
  EXPECT_EQ(line, "");
  EXPECT_EQ(index.ReadLine(path, 0, line), std::nullopt);
  EXPECT_EQ(line, "");
}

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

INSTANTIATE_TEST_SUITE_P(
    Files, LineIndexLinesTest,
    ::testing::Values(
        LinesCase{"CrLf",
                  "01 03 00 00 00 0A\r\n01 03 00 01 00 01\r\n",
                  {"01 03 00 00 00 0A", "01 03 00 01 00 01"}},
        LinesCase{"Lf", "01 03\n0A FF\n", {"01 03", "0A FF"}},
        LinesCase{"MixedEndings", "A\r\nB\nC\r\n", {"A", "B", "C"}},
        LinesCase{"LastLineWithoutTerminator", "01\n02", {"01", "02"}},
        LinesCase{"EmptyLinesInside", "01\n\n\r\n02\n", {"01", "", "", "02"}},
        LinesCase{"EmptyFile", "", {}}, LinesCase{"OnlyALineBreak", "\n", {""}},
        LinesCase{"OnlyACrLf", "\r\n", {""}}, LinesCase{"TrailingBlankLines", "01\n\n", {"01", ""}},
        // A CR that does not end a line is data; the hex grammar decides.
        LinesCase{"LoneCrIsData", "01\r02\nAB\r", {"01\r02", "AB\r"}},
        // Lines that cross the 64 KiB blocks the file is scanned in, and a
        // line break that is the last byte of a block.
        LinesCase{"LinesAcrossScanBlocks",
                  Repeat('1', 70000) + "\n" + Repeat('2', 65535 - 70001 % 65536) + "\nEND",
                  {Repeat('1', 70000), Repeat('2', 65535 - 70001 % 65536), "END"}},
        LinesCase{"BreakOnBlockEdge", Repeat('A', 65535) + "\nB\n", {Repeat('A', 65535), "B"}}),
    [](const ::testing::TestParamInfo<LinesCase>& info) { return std::string(info.param.name); });

class LineIndexTest : public ::testing::Test {
 protected:
  std::string Line(int number) {
    std::string line;
    auto failure = index.ReadLine(path, number, line);
    EXPECT_EQ(failure, std::nullopt) << "line " << number;
    return line;
  }

  void SetModified(const std::string& file, long seconds, long nanoseconds) {
    timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  }

  TempDir dir;
  std::string path = dir.File("send.txt");
  LineIndex index;
};

TEST_F(LineIndexTest, FollowsAFileThatGrows) {
  dir.Write("send.txt", "01\n02\n");
  ASSERT_EQ(index.Refresh(path), std::nullopt);
  EXPECT_EQ(Line(2), "02");

  dir.Write("send.txt", "01\n02\n03\n");
  EXPECT_EQ(Line(3), "03");
  EXPECT_EQ(index.LineCount(), 3);
}

TEST_F(LineIndexTest, FollowsAFileCutShort) {
  dir.Write("send.txt", "01\n02\n03\n");
  ASSERT_EQ(index.Refresh(path), std::nullopt);
  dir.Write("send.txt", "0A\n");
  EXPECT_EQ(Line(1), "0A");
  EXPECT_EQ(Line(3), "");
  EXPECT_EQ(index.LineCount(), 1);
}

TEST_F(LineIndexTest, SameSizeEditIsSeenByItsModificationTime) {
  dir.Write("send.txt", "0102\n03\n");
  SetModified(path, 1700000000, 100);
  ASSERT_EQ(index.Refresh(path), std::nullopt);
  EXPECT_EQ(Line(2), "03");

  // Same size, the break moved; only the nanoseconds of the time differ.
  dir.Write("send.txt", "01\n0203\n");
  SetModified(path, 1700000000, 200);
  EXPECT_EQ(Line(1), "01");
  EXPECT_EQ(Line(2), "0203");
}

TEST_F(LineIndexTest, AFileReplacedUnderTheSameNameIsSeen) {
  dir.Write("send.txt", "0102\n03\n");
  SetModified(path, 1700000000, 0);
  ASSERT_EQ(index.Refresh(path), std::nullopt);

  // An editor that saves by renaming a new file over the old one: same size
  // and time, another inode.
  dir.Write("new.txt", "01\n0203\n");
  SetModified(dir.File("new.txt"), 1700000000, 0);
  {
    // Hold the old inode so the new file cannot reuse its number.
    FILE* old = std::fopen(path.c_str(), "r");
    ASSERT_NE(old, nullptr);
    ASSERT_EQ(std::rename(dir.File("new.txt").c_str(), path.c_str()), 0);
    EXPECT_EQ(Line(2), "0203");
    std::fclose(old);
  }
}

TEST_F(LineIndexTest, AMissingFileFailsToOpenAndLeavesNoLines) {
  dir.Write("send.txt", "01\n02\n");
  ASSERT_EQ(index.Refresh(path), std::nullopt);
  ASSERT_EQ(std::remove(path.c_str()), 0);

  std::string line = "stale";
  EXPECT_EQ(index.ReadLine(path, 1, line), (FileFailure{ENOENT, FileStage::Open}));
  EXPECT_EQ(line, "");
  EXPECT_EQ(index.LineCount(), 0);
  EXPECT_EQ(index.Refresh(path), (FileFailure{ENOENT, FileStage::Open}));
}

TEST_F(LineIndexTest, AFolderOpensButFailsToRead) {
  // A folder opens for reading on Linux; the read is what fails.
  EXPECT_EQ(index.Refresh(dir.path().string()), (FileFailure{EISDIR, FileStage::Read}));
  EXPECT_EQ(index.LineCount(), 0);
}

}  // namespace
}  // namespace lirosa
