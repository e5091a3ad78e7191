// Fixed-point decimal text of doubles, rounded in a chosen direction, exactly and fast: the
// printed bounds of a certified interval must still be bounds.
#ifndef CLI_DECIMAL_FORMAT_H
#define CLI_DECIMAL_FORMAT_H

#include <string>

enum class Rounding { kNearest, kDown, kUp };

// Appends `value` with `decimals` digits after the point (0 to 17), as printf's "%.*f" prints it
// in the rounding mode that `rounding` names (to nearest: halfway cases to even), the sign
// included even when the digits are all zero. |value| must be below 1e12.
void appendFixed(std::string& out, double value, int decimals, Rounding rounding);

#endif  // CLI_DECIMAL_FORMAT_H
