#pragma once

#include <cstddef>

#include "display/TrafficView.h"

class QPlainTextEdit;

namespace lirosa {

// The traffic display on a plain-text editor (control 1054).
//
// Records go in at the end of the document through a cursor of their own,
// whatever the user's caret or selection, and never through the clipboard.
// The document keeps no undo history, so its memory is the text alone; once
// it holds more than `capacity` characters the oldest quarter is dropped, so
// that a display left running without auto-clear stays bounded.
//
// Qt lays out a paragraph as a whole whenever it changes. Records that follow
// each other on one line would make one paragraph that every append lays out
// again; so once a paragraph holds kParagraphLimit characters, the next
// record starts a new one. On screen that line merely wraps a little early.
class QtTrafficView final : public TrafficView {
 public:
  static constexpr std::size_t kDefaultCapacity = 1'000'000;
  static constexpr int kParagraphLimit = 2048;

  explicit QtTrafficView(QPlainTextEdit& display, std::size_t capacity = kDefaultCapacity);

  std::size_t TextLength() const override;
  int LineCount() const override;
  void Clear() override;
  void Append(const std::string& text, Colour colour) override;
  void SetDefaultColour(Colour colour) override;

 private:
  void DropOldest();

  QPlainTextEdit& display_;
  std::size_t capacity_;
};

}  // namespace lirosa
