#pragma once

#include <windows.h>

#include <optional>

#include "checksum/ChecksumKind.h"

namespace lirosa {

// The checksum dialog (template 129), modal to `owner`, opened with the
// first choice selected: the choice, or nothing unless closed with "Да ".
// The owner's timers keep firing while it is open.
std::optional<ChecksumKind> RunChecksumDialog(HWND owner, HFONT font);

// The about box (template 100), modal to `owner`; returns when it closes.
// Its link opens the address, turns red once opened and green under the
// pointer; a failure beeps and tells why.
void RunAboutDialog(HWND owner, HFONT font);

}  // namespace lirosa
