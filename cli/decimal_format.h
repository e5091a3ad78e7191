// Fixed-point decimal text of doubles, rounded in a chosen direction, exactly and fast: the
// printed bounds of a certified interval must still be bounds.
#ifndef CLI_DECIMAL_FORMAT_H
#define CLI_DECIMAL_FORMAT_H

#include <string>

enum class Rounding { kNearest, kDown, kUp };

constexpr int kMaxFixedDecimals = 22;

// Appends `value` with `decimals` digits after the point (0 to kMaxFixedDecimals), as printf's
// "%.*f" prints it in the rounding mode that `rounding` names (to nearest: halfway cases to
// even), the sign included even when the digits are all zero. |value| must be below 1e12.
void appendFixed(std::string& out, double value, int decimals, Rounding rounding);

// Whether [lower, upper] as appendFixed prints it with `decimals` digits, lower rounded down and
// upper up, is at most `width` wide (width >= 0 and finite), decided exactly. |lower| and
// |upper| must be below 1e12, and width below 1e12 too.
bool fixedWidthAtMost(double lower, double upper, int decimals, double width);

#endif  // CLI_DECIMAL_FORMAT_H
