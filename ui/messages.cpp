#include "ui/messages.h"

#include "text/gbk.h"

namespace ui {

const std::string& MessageTitle() {
  static const std::string title = text::Gbk("Ferrow提示");
  return title;
}

void Tell(Platform& platform, std::string_view gbk, MessageIcon icon) {
  platform.ShowMessage(gbk, MessageTitle(), MessageButtons::kOk, icon);
}

}  // namespace ui
