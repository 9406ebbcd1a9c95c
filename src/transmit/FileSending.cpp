#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "display/FileErrors.h"
#include "display/TextFileChoice.h"
#include "transmit/HexText.h"

namespace lirosa {

namespace {

constexpr const char* kTitleSendFile = " 发送文件";
constexpr const char* kCaptionCycling = "停止文件轮发";
constexpr const char* kCaptionStopped = "开始文件轮发";
constexpr const char* kRotationRunning =
    "发送区轮发正在进行，不能进行文件发送，如需要，请先停止文件发送！";
constexpr const char* kNoFileChosen = "您还没选择文件，无有进行发送！";
constexpr const char* kNotARegularFile = "%1 不是普通文件，无法发送。";
constexpr const char* kLineTooLong = "%1 的第 %2 行长于 1048576 字节，已跳过。";

std::string Fill(std::string pattern, const char* field, const std::string& value) {
  const std::size_t at = pattern.find(field);
  if (at != std::string::npos) pattern.replace(at, 2, value);
  return pattern;
}

// A device or FIFO would be read for ever; saying what it is helps more
// than the access-denied wording of the file errors.
std::string SendFileMessage(const FileFailure& failure, const std::string& path) {
  if (failure.stage == FileStage::Kind) return Fill(kNotARegularFile, "%1", path);
  return FileErrorMessage(failure.error, failure.stage, path);
}

bool IsLineTooLong(const FileFailure& failure) {
  return failure.error == EFBIG && failure.stage == FileStage::Read;
}

}  // namespace

void MonitorDialog::ChooseSendFile() {
  std::optional<std::string> chosen = prompts_.ChooseFile(TextFileChoice(true));
  if (!chosen) return;

  fileJob.lineCount = 0;
  fileJob.path = *chosen;
  fileJob.stepOwed = false;
  window_.SetTitle(std::string(kAppTitle) + kTitleSendFile + fileJob.path);
  // The lines are counted by building the index the steps read through, so
  // the first step after choosing costs no second pass over the file. A
  // small file is counted here; a large one slice by slice on the ticks
  // that follow, so the window never waits for millions of lines.
  std::optional<FileFailure> failure = fileLines.Begin(fileJob.path);
  fileJob.counting = !failure && fileLines.Building();
  if (!failure && !fileJob.counting) fileJob.lineCount = fileLines.LineCount();
  controls_.SetText(kIdFileLineCount, fileJob.counting ? "" : std::to_string(fileJob.lineCount));

  // A new file starts out paced by the period, as if its radio were clicked.
  OnPacingPeriodic();

  // The file stays chosen with no lines; a step will try it again.
  if (failure) ReportFileError(SendFileMessage(*failure, fileJob.path));
}

void MonitorDialog::ContinueFileIndex() {
  if (!fileLines.Building()) return;
  if (std::optional<FileFailure> failure = fileLines.Continue()) {
    fileJob.counting = false;
    fileJob.stepOwed = false;
    if (fileJob.running) ToggleFileCycling();
    ReportFileError(SendFileMessage(*failure, fileJob.path));
    return;
  }
  if (fileLines.Building() || !fileJob.counting) return;
  fileJob.counting = false;
  fileJob.lineCount = fileLines.LineCount();
  controls_.SetText(kIdFileLineCount, std::to_string(fileJob.lineCount));
}

void MonitorDialog::ToggleFileCycling() {
  if (allRequests.running) {
    ReportMessage(kRotationRunning);
    return;
  }
  if (fileJob.path.empty()) {
    ReportMessage(kNoFileChosen);
    return;
  }
  if (fileJob.running) {
    controls_.SetText(kIdFileCycling, kCaptionStopped);
    fileJob.running = false;
    fileJob.nextLine = 1;
    fileJob.stepOwed = false;
    controls_.Enable(kIdAllRequests, true);
    return;
  }
  fileJob.running = true;
  controls_.SetText(kIdFileCycling, kCaptionCycling);
  controls_.Enable(kIdAllRequests, false);
}

void MonitorDialog::StepFileCycling() {
  if (!fileJob.running || fileJob.path.empty()) return;
  // While the file is read through, its steps wait; a step that found it
  // changed goes out as soon as the reading is done.
  if (fileLines.Building()) return;
  if (fileJob.stepOwed) {
    fileJob.stepOwed = false;
    SendNextFileLine();
    return;
  }
  switch (cycle.pacingMode) {
    case PacingMode::Periodic:
      fileJob.tickCount += 1;
      // 64-bit: a period near the int limit must not wrap the product.
      if (static_cast<std::int64_t>(fileJob.tickCount) * kAutoSendTickMs > cycle.periodMs) {
        fileJob.tickCount = 0;
        SendNextFileLine();
      }
      return;
    case PacingMode::ResponseDriven: {
      const std::time_t now = clock_.Now();
      if (!responseWait.awaitingResponse) {
        SendNextFileLine();
        responseWait = {true, now, 0};
        return;
      }
      if (now - responseWait.lastSendTime <= cycle.responseTimeoutS) return;
      if (responseWait.retryCount == cycle.maxRetries) {
        SendNextFileLine();
        responseWait = {true, now, 0};
        return;
      }
      // Again the line sent last: step the next line back onto it.
      fileJob.nextLine -= 1;
      SendNextFileLine();
      responseWait.retryCount += 1;
      responseWait.lastSendTime = now;
      return;
    }
  }
}

void MonitorDialog::SendNextFileLine() {
  if (fileJob.nextLine < 1 || fileJob.nextLine > fileJob.lineCount) fileJob.nextLine = 1;

  // An edited file is read through again in slices as well; the step goes
  // out once that is done.
  std::optional<FileFailure> failure = fileLines.Begin(fileJob.path);
  if (!failure && fileLines.Building()) {
    fileJob.stepOwed = true;
    return;
  }
  std::string line;
  if (!failure) failure = fileLines.ReadLine(fileJob.path, fileJob.nextLine, line);
  const bool tooLong = failure && IsLineTooLong(*failure);
  if (failure && !tooLong) {
    // Moved, deleted or unreadable since it was chosen: stop, rather than
    // fail again at every step.
    if (fileJob.running) ToggleFileCycling();
    ReportFileError(SendFileMessage(*failure, fileJob.path));
    return;
  }
  controls_.SetText(kIdFileCurrentLine, std::to_string(fileJob.nextLine));
  // Refused, and passed over like a rejected line: it reads as empty.
  if (tooLong) {
    ReportFileError(
        Fill(Fill(kLineTooLong, "%2", std::to_string(fileJob.nextLine)), "%1", fileJob.path));
  }

  // A line is hex text whatever request 1's hex box says; the box only
  // decides whether TAB, CR and LF are stripped first.
  const std::string text = UpperCase(std::move(line));
  std::vector<std::uint8_t> bytes;
  const bool sendable =
      !text.empty() && HexTextToBytes(text, slots[0].hexForm != 0, bytes) == HexParseResult::Ok;

  bool sentWhole = false;
  if (sendable) {
    // Counted before the write so the edits show the line while a slow
    // line takes it; a write cut short takes back the bytes that did not go.
    const auto size = static_cast<std::int64_t>(bytes.size());
    counters.requestsSent += 1;
    counters.sentBytes += size;
    ShowCounter(kIdRequestsSent, counters.requestsSent);
    ShowCounter(kIdSentBytes, counters.sentBytes);
    txActivity = true;
    const auto accepted = static_cast<std::int64_t>(WriteToPort(bytes.data(), bytes.size()));
    sentWhole = accepted == size;
    if (!sentWhole) {
      counters.sentBytes -= size - accepted;
      ShowCounter(kIdSentBytes, counters.sentBytes);
    }
    // A stalled line that took none of it: no request went out.
    if (accepted == 0) {
      counters.requestsSent -= 1;
      ShowCounter(kIdRequestsSent, counters.requestsSent);
    }
  }

  // Past an empty or rejected line too: staying on it would send nothing for
  // ever, and the wrap and the send-once stop both need the line to move.
  fileJob.nextLine += 1;

  // The echo stands for the whole line, so a line cut short is not echoed
  // or captured as if it had gone out.
  if (sentWhole) EmitRecord(RecordKind::FileLine, text);

  if (cycle.sendOnce != 0 && fileJob.running && fileJob.nextLine > fileJob.lineCount) {
    ToggleFileCycling();
  }
}

}  // namespace lirosa
