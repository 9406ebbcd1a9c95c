#pragma once

#include <string>

namespace lirosa {

// The core speaks UTF-8, the wide Win32 calls UTF-16. A byte sequence that
// is not UTF-8 becomes U+FFFD for each bad byte; an unpaired surrogate
// becomes U+FFFD on the way back.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
std::string Narrow(const wchar_t* utf16, std::size_t length);

}  // namespace lirosa
