#include "transmit/LineIndex.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "support/CallDeadline.h"
#include "support/TempDir.h"

namespace lirosa {
namespace {

using test::CallDeadline;
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

TEST_F(LineIndexTest, AnInPlaceRewriteWhoseTimeWasPutBackIsSeenByItsStatusChange) {
  dir.Write("send.txt", "0102\n03\n");
  SetModified(path, 1700000000, 100);
  ASSERT_EQ(index.Refresh(path), std::nullopt);
  EXPECT_EQ(Line(2), "03");
  struct stat indexed {};
  ASSERT_EQ(stat(path.c_str(), &indexed), 0);

  // Same inode, same size, the old modification time put back (touch -r,
  // rsync --inplace -t). Only the status-change time moves; on a coarse
  // clock it may take a few milliseconds to tick on.
  const int fd = open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(pwrite(fd, "01\n0203\n", 8, 0), 8);
  close(fd);
  struct stat now {};
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  do {
    SetModified(path, 1700000000, 100);
    ASSERT_EQ(stat(path.c_str(), &now), 0);
  } while (now.st_ctim.tv_sec == indexed.st_ctim.tv_sec &&
           now.st_ctim.tv_nsec == indexed.st_ctim.tv_nsec && std::chrono::steady_clock::now() < end);
  ASSERT_EQ(now.st_size, indexed.st_size);
  ASSERT_EQ(now.st_mtim.tv_nsec, indexed.st_mtim.tv_nsec);
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

// Files that never end or are not files: refused by kind, without reading
// and without waiting (a FIFO nobody writes would block a plain open).
struct KindRow {
  const char* name;
  std::string (*prepare)(const TempDir& dir);
};

class LineIndexKindTest : public ::testing::TestWithParam<KindRow> {};

TEST_P(LineIndexKindTest, IsRefusedAtOnce) {
  TempDir dir;
  const std::string path = GetParam().prepare(dir);
  ASSERT_FALSE(path.empty());
  LineIndex index;
  std::string line = "stale";
  CallDeadline deadline(std::chrono::milliseconds(2000));
  EXPECT_EQ(index.Refresh(path), (FileFailure{EINVAL, FileStage::Kind}));
  EXPECT_EQ(index.Begin(path), (FileFailure{EINVAL, FileStage::Kind}));
  EXPECT_FALSE(index.Building());
  EXPECT_EQ(index.ReadLine(path, 1, line), (FileFailure{EINVAL, FileStage::Kind}));
  EXPECT_EQ(line, "");
  EXPECT_EQ(index.LineCount(), 0);
  EXPECT_FALSE(CallDeadline::Expired());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, LineIndexKindTest,
    ::testing::Values(KindRow{"EndlessDevice", [](const TempDir&) { return std::string("/dev/zero"); }},
                      KindRow{"LinkToEndlessDevice",
                              [](const TempDir& dir) {
                                std::filesystem::create_symlink("/dev/zero", dir.File("zero.txt"));
                                return dir.File("zero.txt");
                              }},
                      KindRow{"FifoWithoutWriter",
                              [](const TempDir& dir) {
                                const std::string path = dir.File("pipe.txt");
                                return mkfifo(path.c_str(), 0644) == 0 ? path : std::string();
                              }}),
    [](const ::testing::TestParamInfo<KindRow>& info) { return std::string(info.param.name); });

TEST_F(LineIndexTest, ALineLongerThanTheBoundIsRefusedAndTheOthersStillRead) {
  const std::string longest(LineIndex::kMaxLineBytes, 'A');
  dir.Write("send.txt", "01\n" + longest + "B\n" + longest + "\r\n02");
  ASSERT_EQ(index.Refresh(path), std::nullopt);
  ASSERT_EQ(index.LineCount(), 4);
  std::string line = "stale";
  EXPECT_EQ(index.ReadLine(path, 2, line), (FileFailure{EFBIG, FileStage::Read}));
  EXPECT_EQ(line, "");
  // The bound itself is allowed, and the index stays.
  EXPECT_EQ(Line(3), longest);
  EXPECT_EQ(Line(4), "02");
  EXPECT_EQ(index.LineCount(), 4);
}

TEST_F(LineIndexTest, ALargeFileIsReadThroughInSlices) {
  // 3 bytes a line, a little over two slices.
  const std::size_t lines = 2 * LineIndex::kSliceBytes / 3 + 1000;
  std::string content;
  content.reserve(lines * 3);
  for (std::size_t i = 0; i < lines; ++i) content += i % 2 ? "0B\n" : "0A\n";
  dir.Write("send.txt", content);

  ASSERT_EQ(index.Begin(path), std::nullopt);
  EXPECT_TRUE(index.Building());
  EXPECT_LE(static_cast<std::size_t>(index.LineCount()), LineIndex::kSliceBytes / 3 + 1);
  int slices = 1;
  while (index.Building()) {
    ASSERT_EQ(index.Continue(), std::nullopt);
    ++slices;
  }
  EXPECT_EQ(slices, 3);
  EXPECT_EQ(index.LineCount(), static_cast<int>(lines));
  EXPECT_EQ(Line(static_cast<int>(lines)), lines % 2 ? "0A" : "0B");
  EXPECT_EQ(Line(2), "0B");
  // Up to date: nothing more to read.
  ASSERT_EQ(index.Begin(path), std::nullopt);
  EXPECT_FALSE(index.Building());
}

}  // namespace
}  // namespace lirosa
