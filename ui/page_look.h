// What every page of the tab control shares: where its heading and its
// main area stand, and the heading's look.
#pragma once

#include "ui/component.h"

namespace ui {

inline constexpr Rect kPageHeadingPlace{12, 37, 270, 16};
inline constexpr Rect kPageFramePlace{1, 58, 739, 384};
// 宋体 12 pixels, bold, red.
Look PageHeadingLook();

}  // namespace ui
