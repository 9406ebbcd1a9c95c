#include "display/RecordText.h"

#include <cstdio>
#include <cstring>

#include "transmit/HexText.h"

namespace lirosa {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// Length of the well-formed sequence that starts at `at`, or the length of
// its longest well-formed prefix (at least 1) negated when it is ill-formed.
// The ranges are those of the Unicode table of well-formed byte sequences,
// which also rules out overlong forms, surrogates and values past U+10FFFF.
long SequenceAt(const std::uint8_t* bytes, std::size_t at, std::size_t length) {
  const std::uint8_t lead = bytes[at];
  std::size_t trailing = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trailing = 1;
  } else if (lead == 0xE0) {
    trailing = 2;
    low = 0xA0;
  } else if ((lead >= 0xE1 && lead <= 0xEC) || lead == 0xEE || lead == 0xEF) {
    trailing = 2;
  } else if (lead == 0xED) {
    trailing = 2;
    high = 0x9F;
  } else if (lead == 0xF0) {
    trailing = 3;
    low = 0x90;
  } else if (lead >= 0xF1 && lead <= 0xF3) {
    trailing = 3;
  } else if (lead == 0xF4) {
    trailing = 3;
    high = 0x8F;
  } else {
    return -1;
  }
  std::size_t taken = 1;
  while (taken <= trailing && at + taken < length) {
    const std::uint8_t next = bytes[at + taken];
    if (next < low || next > high) break;
    low = 0x80;
    high = 0xBF;
    ++taken;
  }
  if (taken == trailing + 1) return static_cast<long>(taken);
  return -static_cast<long>(taken);
}

}  // namespace

std::string HexRecordText(const std::uint8_t* bytes, std::size_t length) {
  // Written in place: a flood's records are kilobytes long, and appending
  // a character at a time showed in the profile.
  std::string text(length * 3, ' ');
  char* out = text.data();
  for (std::size_t i = 0; i < length; ++i, out += 3) {
    out[0] = kHexDigits[bytes[i] >> 4];
    out[1] = kHexDigits[bytes[i] & 0x0F];
  }
  return text;
}

std::string Utf8RecordText(const std::uint8_t* bytes, std::size_t length) {
  std::string text;
  text.reserve(length);
  std::size_t i = 0;
  while (i < length) {
    const std::uint8_t byte = bytes[i];
    if (byte == 0) {
      ++i;
      continue;
    }
    if (byte < 0x80) {
      text += static_cast<char>(byte);
      ++i;
      continue;
    }
    const long sequence = SequenceAt(bytes, i, length);
    if (sequence > 0) {
      text.append(reinterpret_cast<const char*>(bytes + i), static_cast<std::size_t>(sequence));
      i += static_cast<std::size_t>(sequence);
      continue;
    }
    text += kReplacement;
    i += static_cast<std::size_t>(-sequence);
  }
  return text;
}

std::string TimeStampText(const std::tm& local) {
  char stamp[80];
  std::snprintf(stamp, sizeof stamp, "[%04d:%02d:%02d:%02d:%02d:%02d]", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return stamp;
}

std::size_t CharacterCount(std::string_view text) {
  // Eight bytes at a time: a continuation byte is 10xxxxxx.
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  const std::size_t length = text.size();
  std::size_t continuations = 0;
  std::size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, sizeof word);
    continuations += static_cast<std::size_t>(__builtin_popcountll(word & ~(word << 1) & kHigh));
  }
  for (; i < length; ++i) continuations += (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
  return length - continuations;
}

}  // namespace lirosa
