#pragma once

#include <cstddef>
#include <cstdint>

#include "display/TrafficView.h"

namespace lirosa {

// Messages to one control, so that the order of the calls can be checked
// without a window.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual std::intptr_t Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  // Whether the control shows the end of its text (scrolled to the bottom,
  // or all of it fits).
  virtual bool AtBottom() = 0;
  // Paints the control again after its redraw was held.
  virtual void Repaint() = 0;
};

// The traffic display as a rich edit control. A record goes in at the end
// directly: selection to the end, the colour on that empty selection, the
// text replacing it. The clipboard is never involved. The view follows the
// new text only while it shows the end and nothing is selected; scrolled
// up, or with a selection, the user's view and selection stay where they
// were (the caret, when it sat at the end, stays at the end). Past `capacity`
// characters the oldest quarter is dropped, so a display left running with
// auto-clear off stays bounded in memory and in the cost of each append.
class RichEditView final : public TrafficView {
 public:
  static constexpr std::size_t kDefaultCapacity = 1'000'000;

  explicit RichEditView(MessageSink& control, std::size_t capacity = kDefaultCapacity);

  std::size_t TextLength() const override;
  int LineCount() const override;
  void Clear() override;
  void Append(const std::string& text, Colour colour) override;
  void SetDefaultColour(Colour colour) override;

 private:
  void SelectEnd();
  // Drops the oldest text; returns how many characters went.
  long DropOldest();

  // What the user looked at before a record went in under a held view.
  struct HeldView {
    long selectionStart = 0;
    long selectionEnd = 0;
    long textEnd = 0;
    long scrollX = 0;
    long scrollY = 0;
    long firstVisibleChar = 0;
  };
  HeldView HoldView();
  void RestoreView(const HeldView& held, long dropped);

  MessageSink& control_;
  std::size_t capacity_;
};

}  // namespace lirosa
