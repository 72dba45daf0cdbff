#pragma once
// How the window reads numbers out of texts and writes them back.
#include <cstdint>
#include <string>
#include <string_view>

namespace varno::common {

// The number at the start of a text after leading blanks (sign, digits, fraction,
// exponent); 0 when the text does not start with a number.
double leadingNumber(std::string_view text);

// Decimal text of a number: a blank before a non-negative one, "-" before a negative one,
// "." as decimal point, no trailing zeros, no exponent.
std::string numberText(double value);

// numberText without the sign place for non-negative numbers.
std::string plainNumberText(double value);

// The decimal digits of |value|, with no sign and no blank.
std::string digitsOf(std::int64_t value);

}  // namespace varno::common
