#include <gtest/gtest.h>

#include <QDialog>
#include <QFileDialog>
#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "e2e/LiveWindow.h"
#include "e2e/SimTrace.h"
#include "pty/SimProcess.h"
#include "support/TempDir.h"

namespace lirosa::test {
namespace {

using namespace std::chrono_literals;
using Kind = SimEvent::Kind;

// Answers a file dialog with `file`.
std::function<void(QWidget&)> ChooseFile(const std::filesystem::path& file) {
  return [file](QWidget& modal) {
    auto* dialog = qobject_cast<QFileDialog*>(&modal);
    if (!dialog) return;
    dialog->setDirectory(QString::fromStdString(file.parent_path().string()));
    dialog->selectFile(QString::fromStdString(file.filename().string()));
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own accept is protected
  };
}

// The records of a capture file written with line breaks: CR LF ends each.
std::vector<std::string> CaptureRecords(const std::string& content) {
  std::vector<std::string> records;
  std::size_t start = 0;
  for (std::size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2) {
    records.push_back(content.substr(start, end - start));
  }
  EXPECT_EQ(start, content.size()) << "a record without its line break at the end";
  return records;
}

// A file of three lines played in a loop to an echoing device, paced by the
// period, with capture on: the device gets the lines in order, and the file
// gets each line's echo and the frame that came back, in the order they
// happened, each on a line of its own.
TEST(FileCaptureE2eTest, LoopedFileLinesReachTheDeviceInOrderAndAreCapturedWithTheirEchoes) {
  const std::vector<std::string> lines = {"01 02", "03 04 05", "06"};
  TempDir files;
  files.Write("lines.txt", lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n");
  const std::string log = files.File("sim.log");
  const std::filesystem::path capture = files.path() / "capture.txt";
  SimProcess sim;
  ASSERT_TRUE(sim.Start({"echo", "--log", log}));
  LiveWindow window;
  window.Start(sim.Port());
  ASSERT_TRUE(window.Logic().portOpen) << "the window did not open " << sim.Port();

  ASSERT_TRUE(window.ClickAnswering(kIdChooseSendFile, ChooseFile(files.path() / "lines.txt")));
  ASSERT_EQ(window.Text(kIdFileLineCount), "3");
  ASSERT_TRUE(window.ClickAnswering(kIdChooseCaptureFile, ChooseFile(capture)));
  ASSERT_EQ(window.Text(kIdCaptureFileName), capture.string());

  window.SetText(kIdCyclePeriod, "100");
  window.Click(kIdShowSent);
  window.Click(kIdNewLine);
  window.Click(kIdCapture);
  window.Click(kIdFileCycling);

  // Two rounds and the start of a third.
  const bool enough = window.RunUntil([&] { return CountMessages(log, Kind::Rx) >= 7; }, 20s);
  window.Click(kIdFileCycling);
  ASSERT_TRUE(enough) << "lines seen by the device: " << CountMessages(log, Kind::Rx);
  // The echo of the last line may still be on its way.
  ASSERT_TRUE(window.RunUntilAllAnswered(5s))
      << window.Text(kIdRequestsSent) << " lines, " << window.Text(kIdReceivedFrames)
      << " echoes";
  const std::size_t sent = std::stoul(window.Text(kIdRequestsSent));
  ASSERT_GE(sent, 7u);

  const std::vector<SimMessage> line = JoinChunks(ReadSimTrace(log));
  ASSERT_EQ(line.size(), 2 * sent);
  for (std::size_t i = 0; i < sent; ++i) {
    EXPECT_EQ(line[2 * i].kind, Kind::Rx) << "message " << 2 * i;
    EXPECT_EQ(line[2 * i].hex, lines[i % 3]) << "line " << i;
  }

  std::vector<std::string> expected;
  for (std::size_t i = 0; i < sent; ++i) {
    expected.push_back("[发送]" + lines[i % 3]);
    expected.push_back("[接收]" + lines[i % 3] + " ");
  }
  const std::vector<std::string> records = CaptureRecords(files.Read("capture.txt"));
  EXPECT_EQ(records, expected);

  // The display shows the same records as the file holds.
  std::vector<std::string> shown;
  for (const DisplayLine& each : window.Display()) shown.push_back(each.text);
  EXPECT_EQ(shown, expected);
}

}  // namespace
}  // namespace lirosa::test
