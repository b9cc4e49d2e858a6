#pragma once
// Division rounded toward minus infinity, for day and year counts that may lie before an anchor
// date: -1 day is day 6 of the week before, not day -1.
#include <cstdint>

// A / B rounded down (B != 0).
inline std::int64_t FloorDiv(std::int64_t A, std::int64_t B) {
  const std::int64_t Q = A / B;
  return (A % B != 0 && (A < 0) != (B < 0)) ? Q - 1 : Q;
}

// The remainder that goes with FloorDiv: it has the sign of B.
inline std::int64_t FloorMod(std::int64_t A, std::int64_t B) {
  return A - FloorDiv(A, B) * B;
}
