#include <cassert>
#include <optional>
#include <string>

#include "app/MonitorDialog.h"
#include "checksum/Checksums.h"
#include "transmit/HexText.h"

namespace lirosa {

void MonitorDialog::AppendChecksum(int slot) {
  assert(slot >= 1 && slot <= 3);
  PullControls();
  RequestSlot& request = slots[static_cast<std::size_t>(slot - 1)];
  if (request.text.empty()) return;
  std::optional<ChecksumKind> kind = prompts_.ChooseChecksum();
  if (!kind) return;

  // The dialog let ticks run, so the text is read again only now. It is
  // decoded as hex whatever its form: hexForm decides only the upper-casing
  // and the removal of TAB, CR and LF. The checksum goes after the text as
  // the user wrote it, letter case included.
  const std::string original = request.text;
  const bool hexForm = request.hexForm != 0;
  std::string decoded = hexForm ? UpperCase(original) : original;
  // An invalid text leaves the area empty, and then nothing is appended.
  HexTextToBytes(std::move(decoded), hexForm, request.checksumArea);
  if (request.checksumArea.empty()) return;

  // Over the whole request, however long: a checksum of a cut request would
  // be wrong for the bytes actually sent.
  for (std::uint8_t byte : ChecksumBytes(*kind, request.checksumArea.data(), request.checksumArea.size())) {
    AppendHexByte(request.text, byte);
  }
  PushControls();
}

}  // namespace lirosa
