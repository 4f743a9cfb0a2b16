#include "download/market.h"

#include "text/gbk.h"

namespace download {

const std::string& MarketName(Market m) {
  static const std::array<std::string, 3> names = {text::Gbk("沪市"), text::Gbk("深市"),
                                                   text::Gbk("中小板")};
  return names[static_cast<size_t>(BoardNumber(m))];
}

}  // namespace download
