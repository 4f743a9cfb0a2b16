#include "ui/page_look.h"

namespace ui {

Look PageHeadingLook() {
  return Look{Font{"宋体", 12, true}, Colour{255, 0, 0}, std::nullopt, false};
}

}  // namespace ui
