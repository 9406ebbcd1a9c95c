// Saving the settings killed at random moments, as a power cut or a SIGKILL
// would end it: each file stays whole, old or new, and interrupted saves do
// not leave their temporary files piling up.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/SettingsFiles.h"
#include "support/TempDir.h"

namespace lirosa {
namespace {

using test::TempDir;

struct Version {
  PortSettings port;
  std::array<std::string, 3> requests;
};

// Names in the folder other than the two settings files.
std::vector<std::string> Leftovers(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    if (name != kSetLogName && name != kDataLogName) names.push_back(name);
  }
  return names;
}

TEST(SettingsKillTest, KilledSavesLeaveEachFileWholeAndTempsDoNotPileUp) {
  // Large requests, so a save takes long enough to be cut in the middle.
  const Version versions[2] = {
      {{"/dev/pts/old", 1, 2, 0, 12},
       {std::string(60'000, 'a'), "01 03\r\n00 01", std::string(30'000, 'b')}},
      {{"COM2", 0, 0, 2, 6}, {std::string(50'000, 'c'), "", std::string(70'000, 'd')}}};
  // What each version's files hold, written by an undisturbed save.
  std::string expectedSet[2];
  std::string expectedData[2];
  for (int v = 0; v < 2; ++v) {
    TempDir reference;
    ASSERT_EQ(
        WriteSettingsFiles(reference.path().string(), versions[v].port, versions[v].requests).error,
        0);
    expectedSet[v] = reference.Read(kSetLogName);
    expectedData[v] = reference.Read(kDataLogName);
  }

  TempDir dir;
  const std::string folder = dir.path().string();
  ASSERT_EQ(WriteSettingsFiles(folder, versions[0].port, versions[0].requests).error, 0);
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> savesBeforeKill(0, 2);
  std::uniform_int_distribution<long> delayNs(0, 5'000'000);
  int interrupted = 0;
  bool dataReplaced = false;
  for (int round = 0; round < 50; ++round) {
    int done[2];
    ASSERT_EQ(::pipe2(done, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Tells the parent of each save finished, so kills fall in every save
      // of the sequence however slow the disk or busy the machine is.
      for (unsigned n = 1;; ++n) {
        WriteSettingsFiles(folder, versions[n % 2].port, versions[n % 2].requests);
        if (::write(done[1], "s", 1) != 1) ::_exit(1);
      }
    }
    ::close(done[1]);
    bool saving = true;
    for (int saves = savesBeforeKill(random); saves > 0 && saving; --saves) {
      pollfd ready{done[0], POLLIN, 0};
      char byte = 0;
      saving = ::poll(&ready, 1, 10'000) == 1 && ::read(done[0], &byte, 1) == 1;
    }
    // The random delay only chooses where the save is cut.
    const timespec delay{0, delayNs(random)};
    ::nanosleep(&delay, nullptr);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(done[0]);
    ASSERT_TRUE(saving) << "the saving child is stuck";

    const std::string set = dir.Read(kSetLogName);
    const std::string data = dir.Read(kDataLogName);
    EXPECT_TRUE(set == expectedSet[0] || set == expectedSet[1])
        << "round " << round << ": set.log is partial (" << set.size() << " bytes)";
    EXPECT_TRUE(data == expectedData[0] || data == expectedData[1])
        << "round " << round << ": data.log is partial or missing (" << data.size() << " bytes)";
    dataReplaced = dataReplaced || data == expectedData[1];
    const std::vector<std::string> left = Leftovers(dir);
    if (!left.empty()) ++interrupted;
    EXPECT_LE(left.size(), 1u) << "round " << round << ": " << ::testing::PrintToString(left);
  }
  EXPECT_GT(interrupted, 0) << "no kill landed inside a save: nothing was tested";
  EXPECT_TRUE(dataReplaced) << "no save got as far as data.log";

  ASSERT_EQ(WriteSettingsFiles(folder, versions[1].port, versions[1].requests).error, 0);
  EXPECT_TRUE(Leftovers(dir).empty()) << ::testing::PrintToString(Leftovers(dir));
  EXPECT_TRUE(dir.Read(kDataLogName) == expectedData[1]);
}

TEST(SettingsKillTest, ASaveRemovesLeftoverTempsButNotTheUsersCopies) {
  TempDir dir;
  const std::vector<std::string> leftovers{"set.log.tmp-a1B2c3", "data.log.tmp-ZZZZZZ"};
  const std::vector<std::string> kept{"set.log.backup", "data.log.tmp-1234567", "data.log.old",
                                      "notes.tmp-abcdef"};
  for (const std::string& name : leftovers) dir.Write(name, "cut short");
  for (const std::string& name : kept) dir.Write(name, "mine");
  ASSERT_EQ(WriteSettingsFiles(dir.path().string(), {"COM1", 0, 0, 0, 0}, {"", "", ""}).error, 0);
  std::vector<std::string> left = Leftovers(dir);
  std::sort(left.begin(), left.end());
  std::vector<std::string> expected = kept;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(left, expected);
}

}  // namespace
}  // namespace lirosa
