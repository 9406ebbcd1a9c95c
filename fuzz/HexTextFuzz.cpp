// The hex grammar on arbitrary text: requests, file lines and hex key words
// all come from users or files.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Require.h"
#include "transmit/HexText.h"

using lirosa::fuzz::Require;

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

bool IsLineControl(char c) { return c == '\t' || c == '\r' || c == '\n'; }

// Whether the grammar accepts the text, decided from the character set
// alone.
bool Accepted(const std::string& text, bool strip) {
  for (char c : text) {
    if (IsHexDigit(c) || c == ' ' || (strip && IsLineControl(c))) continue;
    return false;
  }
  return true;
}

std::size_t DigitCount(const std::string& text) {
  std::size_t digits = 0;
  for (char c : text) digits += IsHexDigit(c) ? 1 : 0;
  return digits;
}

void CheckParse(const std::string& text, bool strip) {
  std::vector<std::uint8_t> out{0xAA};  // stale content must be replaced
  const lirosa::HexParseResult result = lirosa::HexTextToBytes(text, strip, out);
  Require((result == lirosa::HexParseResult::Ok) == Accepted(text, strip),
          "Ok exactly when every character belongs to the grammar");
  if (result == lirosa::HexParseResult::InvalidCharacter) {
    Require(out.empty(), "a rejected text leaves no bytes");
    return;
  }
  Require(out.size() <= DigitCount(text), "no more bytes than digits");
  Require(out.size() * 2 >= DigitCount(text), "every digit lands in a byte");

  // Rendered the way the program writes bytes and parsed again, the bytes
  // come back unchanged.
  std::string rendered;
  for (std::uint8_t byte : out) lirosa::AppendHexByte(rendered, byte);
  Require(rendered.size() == out.size() * 3, "three characters per rendered byte");
  std::vector<std::uint8_t> again;
  Require(lirosa::HexTextToBytes(rendered, false, again) == lirosa::HexParseResult::Ok,
          "rendered bytes parse");
  Require(again == out, "rendered bytes parse back to the same bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckParse(text, false);
  CheckParse(text, true);

  // Without line controls the strip flag changes nothing.
  bool hasLineControl = false;
  for (char c : text) hasLineControl = hasLineControl || IsLineControl(c);
  if (!hasLineControl) {
    std::vector<std::uint8_t> kept;
    std::vector<std::uint8_t> stripped;
    Require(
        lirosa::HexTextToBytes(text, false, kept) == lirosa::HexTextToBytes(text, true, stripped) &&
            kept == stripped,
        "the strip flag matters only for TAB, CR and LF");
  }

  std::vector<std::uint8_t> out;
  Require(lirosa::EncodeRequest(text, false, out) == lirosa::HexParseResult::Ok,
          "a text request always encodes");
  Require(out == std::vector<std::uint8_t>(data, data + size), "a text request is its bytes");

  const std::string upper = lirosa::UpperCase(text);
  Require(upper.size() == text.size(), "upper-casing keeps the length");
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool lower = text[i] >= 'a' && text[i] <= 'z';
    Require(lower ? upper[i] == text[i] - 'a' + 'A' : upper[i] == text[i],
            "only ASCII letters change case");
  }
  std::vector<std::uint8_t> expected;
  const lirosa::HexParseResult direct = lirosa::HexTextToBytes(upper, true, expected);
  Require(lirosa::EncodeRequest(text, true, out) == direct && out == expected,
          "a hex request is its upper-cased text parsed with line controls removed");
  return 0;
}
