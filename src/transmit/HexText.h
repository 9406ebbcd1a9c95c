#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lirosa {

// The hex-text grammar of requests, file lines and hex key words: groups of
// upper-case hex digits separated by spaces; within a group bytes are taken
// from pairs of digits from the left, an odd last digit makes a byte alone.
inline constexpr char kHexDigits[] = "0123456789ABCDEF";

enum class HexParseResult { Ok = 0, InvalidCharacter = 2 };

// Parses `text` into `out` (replaced). With `stripLineControls` every TAB, CR
// and LF is removed first, joining its neighbours. Any character other than
// "0123456789ABCDEF" and SPACE gives InvalidCharacter and an empty `out`.
HexParseResult HexTextToBytes(std::string text, bool stripLineControls, std::vector<std::uint8_t>& out);

// Index of `c` in kHexDigits, 0 for any other character.
int HexDigitValue(char c);

// The bytes a request sends. Hex form: upper-cased, then parsed with the
// strip flag set. Text form: the text's bytes unchanged, always Ok.
HexParseResult EncodeRequest(const std::string& text, bool hexForm, std::vector<std::uint8_t>& out);

// Appends a SPACE and the byte's two upper-case hex digits ("01 03" + 0x0E
// gives "01 03 0E").
void AppendHexByte(std::string& text, std::uint8_t byte);

// ASCII a-z to A-Z; every other byte (UTF-8 sequences included) unchanged.
std::string UpperCase(std::string text);

}  // namespace lirosa
