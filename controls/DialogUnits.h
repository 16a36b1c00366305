#pragma once

#include <QRect>

namespace velkor {

// Dialog templates give positions in dialog units. Our dialog font's base units are
// 6 x 13 pixels: a horizontal unit is a quarter of the base width, a vertical unit an
// eighth of the base height. Every coordinate and size is converted on its own and
// rounded to the nearest pixel, halves away from zero.
namespace dialog_units {

inline constexpr int BaseUnitX = 6;
inline constexpr int BaseUnitY = 13;

namespace detail {
constexpr int scaleRounded(int value, int numerator, int denominator) {
  const long long twice = 2LL * value * numerator;
  const long long half = twice >= 0 ? denominator : -denominator;
  return static_cast<int>((twice + half) / (2LL * denominator));
}
}  // namespace detail

constexpr int toPixelsX(int x) { return detail::scaleRounded(x, BaseUnitX, 4); }

constexpr int toPixelsY(int y) { return detail::scaleRounded(y, BaseUnitY, 8); }

constexpr QRect toPixels(int x, int y, int width, int height) {
  return {toPixelsX(x), toPixelsY(y), toPixelsX(width), toPixelsY(height)};
}

}  // namespace dialog_units

}  // namespace velkor
