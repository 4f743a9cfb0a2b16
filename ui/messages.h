// The program's message boxes: every one is titled "Ferrow提示" and shows an
// OK button, except the exit confirmation.
#pragma once

#include <string>
#include <string_view>

#include "ui/platform.h"

namespace ui {

// "Ferrow提示" (GBK).
const std::string& MessageTitle();

// A message box with the program's title and an OK button; texts are GBK.
// From a worker it waits until the user has answered.
void Tell(Platform& platform, std::string_view gbk, MessageIcon icon = MessageIcon::kNone);

}  // namespace ui
