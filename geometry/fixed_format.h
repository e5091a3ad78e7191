// Decimal formatting of doubles for the search trace.
#ifndef GEOMETRY_FIXED_FORMAT_H
#define GEOMETRY_FIXED_FORMAT_H

// Room for any double in fixed notation with six decimals: 309 integer digits, a sign, a point,
// six decimals and a terminating zero (written only by the slow path).
constexpr int kFixedFormatCapacity = 330;

// Writes `value` as printf's "%.6f" does (in the default rounding mode) to `out`, which has room
// for kFixedFormatCapacity characters, and returns the end of what it wrote; no terminating
// zero. Values below 2^40 in magnitude are rounded exactly with integer arithmetic, halfway
// cases to even; others go through snprintf.
char* formatFixed6(double value, char* out);

#endif  // GEOMETRY_FIXED_FORMAT_H
