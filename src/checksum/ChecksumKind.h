#pragma once

namespace lirosa {

// The seven choices of the checksum dialog, valued by their radio's position
// in the dialog. Each names a computation and the order of its bytes.
enum class ChecksumKind {
  Crc16LowFirst = 0,
  Crc16HighFirst = 1,
  Crc8 = 2,
  Sum8 = 3,
  Xor8 = 4,
  Crc32LowFirst = 5,
  Crc32HighFirst = 6,
};

}  // namespace lirosa
