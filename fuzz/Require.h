#pragma once

#include <cstdio>
#include <cstdlib>

namespace lirosa::fuzz {

// Stops the run when an invariant does not hold: libFuzzer reports the abort
// as a crash and keeps the input that caused it.
inline void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace lirosa::fuzz
