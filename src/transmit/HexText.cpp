#include "transmit/HexText.h"

namespace lirosa {

namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool IsLineControl(char c) {
  return c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

HexParseResult HexTextToBytes(std::string text, bool stripLineControls, std::vector<std::uint8_t>& out) {
  out.clear();
  out.reserve(text.size() / 2 + 1);
  // Skipping a line control without touching the digit counter is the same
  // as removing it first: its neighbours join into one group. Doing it in
  // the one pass keeps long file lines linear.
  int groupDigits = 0;
  for (const char c : text) {
    if (stripLineControls && IsLineControl(c)) {
      continue;
    }
    if (c == ' ') {
      groupDigits = 0;
      continue;
    }
    if (!IsHexDigit(c)) {
      out.clear();
      return HexParseResult::InvalidCharacter;
    }
    const auto value = static_cast<std::uint8_t>(HexDigitValue(c));
    ++groupDigits;
    if (groupDigits % 2 == 1) {
      out.push_back(value);
    } else {
      // The last byte still holds the previous digit alone.
      out.back() = static_cast<std::uint8_t>(out.back() * 16 + value);
    }
  }
  return HexParseResult::Ok;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return 0;
}

HexParseResult EncodeRequest(const std::string& text, bool hexForm, std::vector<std::uint8_t>& out) {
  if (hexForm) {
    return HexTextToBytes(UpperCase(text), true, out);
  }
  out.assign(text.begin(), text.end());
  return HexParseResult::Ok;
}

void AppendHexByte(std::string& text, std::uint8_t byte) {
  text += ' ';
  text += kHexDigits[byte >> 4];
  text += kHexDigits[byte & 0x0F];
}

std::string UpperCase(std::string text) {
  // Only ASCII letters: bytes of a UTF-8 sequence are all 0x80 or above, so
  // they pass through untouched and the text stays valid UTF-8.
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return text;
}

}  // namespace lirosa
