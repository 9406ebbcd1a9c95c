#pragma once

#include <QObject>
#include <cstddef>
#include <string>
#include <vector>

#include "display/TrafficView.h"

class QPlainTextEdit;

namespace lirosa {

// The traffic display as it was before the display widget: a plain-text
// editor (control 1054). Kept here only so that the display benchmark can
// measure the two side by side.
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
//
// With Updates::Deferred, appends and clears are held until control returns
// to the event loop (or until the text is asked about), then done in one
// edit. A flood with auto-clear on brings many records in one tick that each
// clear the one before; held back, only the last is ever laid out, and the
// window shows the same as if each had been. TextLength and LineCount always
// answer for everything appended so far.
class PlainTextTrafficView final : public TrafficView {
 public:
  static constexpr std::size_t kDefaultCapacity = 1'000'000;
  static constexpr int kParagraphLimit = 2048;

  enum class Updates { Immediate, Deferred };

  explicit PlainTextTrafficView(QPlainTextEdit& display, std::size_t capacity = kDefaultCapacity,
                         Updates updates = Updates::Immediate);

  std::size_t TextLength() const override;
  int LineCount() const override;
  void Clear() override;
  void Append(const std::string& text, Colour colour) override;
  void SetDefaultColour(Colour colour) override;

 private:
  struct Piece {
    std::string text;
    Colour colour;
  };

  void Schedule();
  // Puts the held clear and appends into the display.
  void Settle() const;
  void Insert(const std::string& text, Colour colour) const;
  std::size_t DocumentLength() const;
  void DropOldest() const;

  QPlainTextEdit& display_;
  std::size_t capacity_;
  Updates updates_;
  // Work held back in deferred mode: a question about the text settles it
  // first, so it is state of the display, not of its answers.
  mutable bool clearHeld_ = false;
  mutable std::vector<Piece> held_;
  bool settleQueued_ = false;
  QObject settleContext_;  // a queued settle dies with the view
};

}  // namespace lirosa
