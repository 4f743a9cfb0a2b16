// The date boxes of the window model hold the program's local date-time.
#pragma once

#include "text/date_time.h"

namespace ui {
using text::DateTime;
}  // namespace ui
