#pragma once
// Arithmetic of the window geometry: lengths in twips, the integer conversions the layout
// relies on, and the twips/pixel scale of the screen.
#include <cstdint>
#include <optional>

namespace tk {

// Round to the nearest whole number, halves to the even neighbour.
double roundHalfEven(double v);

// Conversion to a signed 16-bit integer as the layout does it: nearest whole number
// (halves to even); nothing when the value is not finite or does not fit.
std::optional<int16_t> toInt16(double v);

// Same for a 32-bit integer.
std::optional<int32_t> toInt32(double v);

// Integer division a \ b: a and b are rounded half-to-even first, the quotient is
// truncated toward zero. Nothing on a zero divisor or overflow.
std::optional<int64_t> intDiv(double a, double b);

// Twips per pixel of the screen (15 at 96 dots per inch).
double twipsPerPixel();
int twipsToPixels(double twips);
double pixelsToTwips(int pixels);
// Only for tests and benchmarks that need a known scale; 0 restores the screen's.
void setTwipsPerPixelOverride(double tpp);

} // namespace tk
