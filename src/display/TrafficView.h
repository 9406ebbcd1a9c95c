#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lirosa {

struct Colour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Colour&, const Colour&) = default;
};

inline constexpr Colour kReceivedColour{255, 0, 0};
inline constexpr Colour kSentColour{0, 0, 255};

// The traffic display (control 1054) as the window logic sees it. Text is
// UTF-8; a lone CR is a line break. Records are always appended at the end,
// wherever the user's caret is, and the caret is left at the end.
class TrafficView {
 public:
  virtual ~TrafficView() = default;

  // Characters held (not bytes).
  virtual std::size_t TextLength() const = 0;
  // Lines as the control shows them, wrapped lines included; 1 when empty.
  virtual int LineCount() const = 0;
  virtual void Clear() = 0;
  virtual void Append(const std::string& text, Colour colour) = 0;
  // Colour of text typed by the user or appended without a colour.
  virtual void SetDefaultColour(Colour colour) = 0;
};

}  // namespace lirosa
