#pragma once

#include <cstdint>

// A colour as the stored settings keep it: red in the lowest byte, then green, then blue, 0 in
// the top byte. A system colour has 0xFF in the top byte and the system colour index in the
// lowest byte.
using TColor = std::int32_t;

constexpr TColor RGBToColor(int red, int green, int blue) {
  return static_cast<TColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int ColorRed(TColor c) {
  return c & 0xFF;
}
constexpr int ColorGreen(TColor c) {
  return (c >> 8) & 0xFF;
}
constexpr int ColorBlue(TColor c) {
  return (c >> 16) & 0xFF;
}

constexpr bool IsSystemColor(TColor c) {
  return (static_cast<std::uint32_t>(c) >> 24) == 0xFF;
}
constexpr int SystemColorIndex(TColor c) {
  return c & 0xFF;
}
constexpr TColor SystemColor(int index) {
  return static_cast<TColor>(0xFF000000u | static_cast<std::uint32_t>(index & 0xFF));
}

constexpr TColor clActiveCaption = SystemColor(2);    // stored as -16777214
constexpr TColor clInactiveCaption = SystemColor(3);  // stored as -16777213

constexpr TColor clRed = RGBToColor(255, 0, 0);
constexpr TColor clGreen = RGBToColor(0, 128, 0);
constexpr TColor clBlue = RGBToColor(0, 0, 255);
constexpr TColor clGray = RGBToColor(128, 128, 128);
constexpr TColor clBlack = RGBToColor(0, 0, 0);
