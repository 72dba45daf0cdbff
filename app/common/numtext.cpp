#include "common/numtext.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace varno::common {

double leadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    ++i;
    ++digits;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      ++i;
      ++digits;
    }
  }
  if (digits == 0) return 0.0;
  // An exponent counts only when digits follow it.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
      while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
      i = j;
    }
  }
  std::string number(text.substr(start, i - start));
  double v = std::strtod(number.c_str(), nullptr);
  return std::isfinite(v) ? v : 0.0;
}

std::string plainNumberText(double value) {
  if (value == 0.0) return "0";  // also folds -0
  char buf[400];
  // Shortest fixed form that reads back as the same double: exact for the binary fractions
  // the program divides by (powers of two), and free of trailing zeros.
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
  return std::string(buf, r.ptr);
}

std::string numberText(double value) {
  std::string s = plainNumberText(value);
  return s[0] == '-' ? s : " " + s;
}

std::string digitsOf(std::int64_t value) {
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  return std::to_string(magnitude);
}

}  // namespace varno::common
