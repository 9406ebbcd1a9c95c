#pragma once

#include <cstddef>
#include <string>

#include "display/TrafficView.h"

namespace lirosa {

class TrafficWidget;

// The window logic's traffic view on the display widget (control 1054).
// Records go in at the end, whatever the user's caret or selection, and
// never through the clipboard; the answers are the widget's own counts, so
// each costs the same however much the display holds.
class QtTrafficView final : public TrafficView {
 public:
  explicit QtTrafficView(TrafficWidget& display) : display_(display) {}

  std::size_t TextLength() const override;
  int LineCount() const override;
  void Clear() override;
  void Append(const std::string& text, Colour colour) override;
  void SetDefaultColour(Colour colour) override;

 private:
  TrafficWidget& display_;
};

}  // namespace lirosa
