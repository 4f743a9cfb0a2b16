// Places, points and colours of the window model.
#pragma once

#include <cstdint>

namespace ui {

// Left, top, width, height in pixels, relative to the component's container.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Colour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const Colour&) const = default;
  constexpr uint32_t Rgb() const { return (uint32_t{red} << 16) | (uint32_t{green} << 8) | blue; }
  static constexpr Colour FromRgb(uint32_t rgb) {
    return Colour{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                  static_cast<uint8_t>(rgb)};
  }
};

inline constexpr Colour kWhite{255, 255, 255};
inline constexpr Colour kBlack{0, 0, 0};

}  // namespace ui
