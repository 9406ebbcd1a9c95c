#include <algorithm>
#include <cstdint>

#include "app/MonitorDialog.h"
#include "display/RecordText.h"

namespace lirosa {

namespace {

constexpr const char* kReceivedTag = "[接收]";
constexpr const char* kSentTag = "[发送]";

}  // namespace

// Text mode reads the bytes as UTF-8, the encoding of the whole program. The
// capture file gets this same rendered text, not the raw bytes, so the file
// reads exactly as the display did and is itself always valid UTF-8.
std::string MonitorDialog::RenderBytes(const std::uint8_t* bytes, std::size_t length) const {
  if (hexDisplay != 0) return HexRecordText(bytes, length);
  return Utf8RecordText(bytes, length);
}

void MonitorDialog::ShowReceived(const std::uint8_t* bytes, std::size_t length) {
  EmitRecord(RecordKind::Received, RenderBytes(bytes, length));
}

void MonitorDialog::EchoSent(const std::uint8_t* bytes, std::size_t length) {
  // A write the port took nothing of sent nothing: an empty echo would say
  // otherwise.
  if (length == 0) return;
  std::string text = RenderBytes(bytes, length);
  // Kept as users know it: the first hex echo into an empty display ends in
  // two spaces.
  if (hexDisplay != 0 && view_.TextLength() == 0) text += ' ';
  EmitRecord(RecordKind::RequestEcho, text);
}

void MonitorDialog::EmitRecord(RecordKind kind, const std::string& dataText) {
  switch (kind) {
    case RecordKind::Received: {
      // The caller has already checked the pause and the key word.
      const std::string record = AppendRecord(dataText, kReceivedTag, kReceivedColour);
      if (capturing) CaptureRecord(record);
      return;
    }
    case RecordKind::RequestEcho:
    case RecordKind::FileLine: {
      const bool shown = displayActive && showSent != 0;
      // A file line is captured even when it is not echoed; a request only
      // while sent data is shown at all.
      const bool captured = capturing && (kind == RecordKind::FileLine || showSent != 0);
      const std::string record = shown ? AppendRecord(dataText, kSentTag, kSentColour) : dataText;
      if (captured) CaptureRecord(record);
      return;
    }
  }
}

std::string MonitorDialog::AppendRecord(const std::string& text, const std::string& tag,
                                        Colour colour) {
  bool followsClear = false;
  if (autoClear != 0) {
    // Only the data counts towards the lines it will take, not the stamp
    // and tag; a long record may still wrap past the last row.
    const std::int64_t width = std::max(lineChars, 1);
    const std::int64_t extraLines = static_cast<std::int64_t>(CharacterCount(text)) / width;
    // The view counts at least one line, so a record that alone fills the
    // display clears it without asking: counting would cost a layout.
    if (extraLines >= displayRows || view_.LineCount() + extraLines > displayRows) {
      view_.Clear();
      followsClear = true;
    }
  }

  std::string record;
  if (timeStamp != 0) record += TimeStampText(clock_.LocalTime());
  if (showSent != 0) record += tag;
  record += text;

  // One append carries the line break and the record, so both take the
  // record's colour and the view sees one insertion.
  std::string piece;
  if (newLine != 0 && !followsClear && view_.TextLength() > 1) piece += '\r';
  piece += record;
  if (!piece.empty()) view_.Append(piece, colour);
  return record;
}

void MonitorDialog::ClearDisplay() { view_.Clear(); }

}  // namespace lirosa
