#include "display/LineWrap.h"

namespace lirosa {

int CellWidth(char32_t c) {
  if (c < 0x1100) return 1;
  const bool wide =
      (c <= 0x115F) ||                     // Hangul Jamo initials
      (c >= 0x2E80 && c <= 0x303E) ||      // CJK radicals, punctuation
      (c >= 0x3041 && c <= 0x33FF) ||      // kana, CJK symbols
      (c >= 0x3400 && c <= 0x4DBF) ||      // CJK extension A
      (c >= 0x4E00 && c <= 0x9FFF) ||      // CJK unified ideographs
      (c >= 0xA000 && c <= 0xA4CF) ||      // Yi
      (c >= 0xAC00 && c <= 0xD7A3) ||      // Hangul syllables
      (c >= 0xF900 && c <= 0xFAFF) ||      // CJK compatibility ideographs
      (c >= 0xFE30 && c <= 0xFE4F) ||      // CJK compatibility forms
      (c >= 0xFF00 && c <= 0xFF60) ||      // full-width forms
      (c >= 0xFFE0 && c <= 0xFFE6) ||
      (c >= 0x1F300 && c <= 0x1F64F) ||    // pictographs, emoticons
      (c >= 0x1F900 && c <= 0x1F9FF) ||
      (c >= 0x20000 && c <= 0x3FFFD);      // CJK extensions B and on
  return wide ? 2 : 1;
}

char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  int length = 1;
  if (lead >= 0xF0) {
    length = 4;
  } else if (lead >= 0xE0) {
    length = 3;
  } else if (lead >= 0xC0) {
    length = 2;
  }
  if (length == 1 || pos + length > text.size()) {
    ++pos;
    return lead;
  }
  char32_t value = lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return lead;
    }
    value = (value << 6) | (next & 0x3F);
  }
  pos += length;
  return value;
}

int WrappedRows(std::string_view line, int lineChars) {
  RowBreaker breaker(lineChars);
  int rows = 1;
  for (std::size_t pos = 0; pos < line.size();) {
    if (breaker.Place(CellWidth(NextCodePoint(line, pos)))) ++rows;
  }
  return rows;
}

}  // namespace lirosa
