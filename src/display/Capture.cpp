#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "display/CaptureFile.h"
#include "display/FileErrors.h"
#include "display/TextFileChoice.h"

namespace lirosa {

namespace {

constexpr const char* kDefaultCaptureFile = "data.txt";
constexpr const char* kCaptionCapturing = "停止保存";
constexpr const char* kCaptionNotCapturing = "保存数据";

}  // namespace

void MonitorDialog::ToggleCapture() {
  if (capturing) {
    controls_.SetText(kIdCapture, kCaptionNotCapturing);
    capturing = false;
    return;
  }
  if (captureFileName.empty()) {
    // A relative name: it lands in the current directory of the process.
    captureFileName = kDefaultCaptureFile;
    PushControls();
  }
  controls_.SetText(kIdCapture, kCaptionCapturing);
  capturing = true;
}

void MonitorDialog::ChooseCaptureFile() {
  // A file that does not exist yet is the usual choice: the first record
  // creates it.
  std::optional<std::string> chosen = prompts_.ChooseFile(TextFileChoice(false));
  if (!chosen) return;
  captureFileName = *chosen;
  PushControls();
}

void MonitorDialog::CaptureRecord(const std::string& text) {
  const bool lineBreak = timeStamp != 0 || newLine != 0;
  std::optional<FileFailure> failure = AppendCaptureRecord(captureFileName, text, lineBreak);
  // Capture stays on: the record is lost, the next one tries again.
  if (failure) ReportFileError(FileErrorMessage(failure->error, failure->stage, captureFileName));
}

}  // namespace lirosa
