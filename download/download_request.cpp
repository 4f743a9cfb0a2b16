#include "download/download_request.h"

#include "download/date_list.h"
#include "text/gbk.h"

namespace download {

std::vector<PageKey> AllPages(const std::vector<std::string>& dates) {
  std::vector<PageKey> pages;
  pages.reserve(kMarkets.size() * dates.size());
  for (const Market market : kMarkets)
    for (const std::string& date : dates) pages.push_back(PageKey{market, date});
  return pages;
}

Refusal CheckDownload(bool keep, bool replace, const text::DateTime& start,
                      const text::DateTime& end, size_t date_count) {
  if (!keep && !replace) return Refusal::kNoDataChoice;
  if (end < start) return Refusal::kStartAfterEnd;
  if (date_count == 0) return Refusal::kNoDates;
  if (date_count > kMaxDownloadDates) return Refusal::kTooManyDates;
  return Refusal::kNone;
}

const std::string& RefusalMessage(Refusal refusal) {
  static const std::string none;
  static const std::string no_choice = text::Gbk("请选择更新或是保留原数据");
  static const std::string start_after_end = text::Gbk("开始日期必须早于结束日期");
  static const std::string no_dates = text::Gbk("所选日无数据或未开市，请重新选择！");
  static const std::string too_many = text::Gbk(
      "抱歉，由于数据量过大，日期范围限在一年之内！\r\n\r\n       如有特别需要，可联系软件作者！");
  switch (refusal) {
    case Refusal::kNone:
      break;
    case Refusal::kNoDataChoice:
      return no_choice;
    case Refusal::kStartAfterEnd:
      return start_after_end;
    case Refusal::kNoDates:
      return no_dates;
    case Refusal::kTooManyDates:
      return too_many;
  }
  return none;
}

}  // namespace download
