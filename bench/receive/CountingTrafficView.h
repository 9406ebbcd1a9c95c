#pragma once

#include <cstdint>
#include <string>

#include "display/TrafficView.h"

namespace lirosa::bench {

// A traffic view that keeps no text, only what a benchmark needs to know:
// how much was appended and how often it was cleared. Lines are counted at
// CR without wrapping, so auto-clear still fires on the records' line breaks
// and on long records, as the window's would.
class CountingTrafficView final : public TrafficView {
 public:
  std::size_t TextLength() const override { return characters_; }
  int LineCount() const override { return lines_; }
  void Clear() override;
  void Append(const std::string& text, Colour colour) override;
  void SetDefaultColour(Colour) override {}

  std::uint64_t appends = 0;
  std::uint64_t appendedBytes = 0;
  std::uint64_t clears = 0;

 private:
  std::size_t characters_ = 0;
  int lines_ = 1;
};

}  // namespace lirosa::bench
