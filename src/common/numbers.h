#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace corvantile {

// The number a text begins with, read the lenient way the tool reads every box: blanks, tabs
// and line feeds anywhere are ignored, "." is always the decimal point, reading stops at the
// first character that cannot continue the number, and a text that does not begin with a
// number is 0. "&H" and "&O" introduce hexadecimal and octal whole numbers. Never fails.
double numericValue(const QString &text);

// The whole text read as one decimal number (blanks around it allowed), or nothing when the
// text is empty or holds anything else.
std::optional<double> strictNumber(const QString &text);

// A number in plain decimal notation: no exponent, no group separators, no leading blank,
// no decimal point for whole numbers, "-" for negative numbers.
QString numberText(double value);

// A double as a single-precision value, or nothing when it does not fit (too large, infinite
// or not a number). Assigning such a value to a single-precision field fails in this tool.
std::optional<float> singleFromDouble(double value);

// A double rounded to the nearest whole number, halves to the even neighbour.
double roundHalfEven(double value);

// A coordinate or size as a whole pixel: rounded half to even and held within +-2^30, so any
// further arithmetic on it stays safe; NaN gives 0.
int pixelFromDouble(double value);

// A value rounded half to even and clamped into the 16-bit signed range.
std::int16_t int16Clamped(double value);

} // namespace corvantile
