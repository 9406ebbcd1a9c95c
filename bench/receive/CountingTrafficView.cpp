#include "CountingTrafficView.h"

namespace lirosa::bench {

void CountingTrafficView::Clear() {
  characters_ = 0;
  lines_ = 1;
  ++clears;
}

void CountingTrafficView::Append(const std::string& text, Colour) {
  ++appends;
  appendedBytes += text.size();
  for (unsigned char c : text) {
    // UTF-8 continuation bytes are no characters of their own.
    if ((c & 0xC0) != 0x80) ++characters_;
    if (c == '\r') ++lines_;
  }
}

}  // namespace lirosa::bench
