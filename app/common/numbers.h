#pragma once
// Checked 32-bit arithmetic and the named rounding rules used across the window.
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace varno::common {

// An overflow is an error, never a wrap: each returns nullopt when the result leaves int32.
inline std::optional<std::int32_t> checkedAdd(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
  return r;
}
inline std::optional<std::int32_t> checkedSub(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_sub_overflow(a, b, &r)) return std::nullopt;
  return r;
}
inline std::optional<std::int32_t> checkedMul(std::int32_t a, std::int32_t b) {
  std::int32_t r;
  if (__builtin_mul_overflow(a, b, &r)) return std::nullopt;
  return r;
}

// Nearest integer, an exact half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
inline double roundHalfEven(double x) { return std::nearbyint(x); }
// floor(x + 0.5): an exact half goes up (-2.5 -> -2).
inline double roundHalfUp(double x) { return std::floor(x + 0.5); }
// An exact half goes away from zero (2.5 -> 3, -2.5 -> -3).
inline double roundHalfAwayFromZero(double x) { return std::round(x); }

// Fits a rounded value into int32, nullopt when it does not.
inline std::optional<std::int32_t> toInt32(double x) {
  if (!(x >= static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
        x <= static_cast<double>(std::numeric_limits<std::int32_t>::max())))
    return std::nullopt;
  return static_cast<std::int32_t>(x);
}

}  // namespace varno::common
