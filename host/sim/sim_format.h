/* The host's own number formatting, shared by its formatted output and its tests. */
#pragma once

namespace sim {

/* Bytes formatFixed may write: the longest "%.9f" of a double. */
constexpr int FIXED_BUFFER_SIZE = 330;

/* Write VALUE as printf's "%.<PRECISION>f" would (C locale, rounding half to
** even on exact ties) at OUT, which has FIXED_BUFFER_SIZE bytes; return the
** end (no terminating zero). */
char* formatFixed(char* out, double value, int precision);

}  // namespace sim
