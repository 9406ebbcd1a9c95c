#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace lirosa {

// Bytes as hex digits: two upper-case digits and one space per byte, so
// 01 03 gives "01 03 ". No bytes give an empty text.
std::string HexRecordText(const std::uint8_t* bytes, std::size_t length);

// Bytes as text, read as UTF-8. Zero bytes are left out and the bytes after
// them kept; every ill-formed sequence becomes U+FFFD (one per maximal
// subpart), so the result is always valid UTF-8.
std::string Utf8RecordText(const std::uint8_t* bytes, std::size_t length);

// Local time as "[YYYY:MM:DD:hh:mm:ss]", every field zero-padded.
std::string TimeStampText(const std::tm& local);

// Characters (code points) in valid UTF-8 text.
std::size_t CharacterCount(std::string_view text);

}  // namespace lirosa
