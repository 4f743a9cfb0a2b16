// A whole program on the window model downloading from the sample source on
// a loopback port picked at run time.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tests/program_fixture.h"
#include "tools/sample-source/sample_pages.h"
#include "tools/sample-source/sample_server.h"
#include "ui/date_time.h"

namespace testing_support {

using StoredRecord = std::array<std::string, 9>;  // GBK

struct PageKey {
  int board;
  std::string date;
};

class DownloadProgram {
 public:
  DownloadProgram();
  ~DownloadProgram();

  // A custom range: no quick range checked.
  void UseRange(const ui::DateTime& start, const ui::DateTime& end);
  // Clicks "开始下载" (the button must be enabled) and pumps the
  // user-interface queue until the worker has ended.
  bool DownloadAndWait(int timeout_ms = 60000);
  void Click();

  std::vector<StoredRecord> Stored();
  // The pages a download of `dates` fetches, in order: boards outer, dates
  // inner.
  static std::vector<PageKey> Pages(const std::vector<std::string>& dates);
  // What those pages hold, concatenated.
  static std::vector<StoredRecord> Expected(const std::vector<PageKey>& pages);

  std::vector<std::string> MessageTexts() { return p.platform.message_texts(); }
  // The last "更新日期：（…）" caption the download wrote into 标签_上榜日期
  // (the statistics refresh writes its own afterwards); UTF-8.
  std::string UpdateDateCaption() const;

  TestProgram p;
  sample_source::SampleSource source;
  ui::DateTime now = ui::DateTime::FromParts(2010, 6, 7, 20);  // a Monday evening
  std::vector<std::string> date_captions;  // every caption of 标签_上榜日期, UTF-8
};

// Readable GBK records for assertions.
std::vector<std::array<std::string, 9>> Readable(const std::vector<StoredRecord>& records);

inline constexpr const char* kClosingMessage =
    "龙虎榜数据下载完毕，如要过滤每日多次上榜\r\n\r\n  的重复数据，请点击[删除重复数据]按钮。";
// The line a closing message gains when pages failed, around their count.
inline constexpr const char* kFailedPagesLineOpen = "\r\n\r\n其中 ";
inline constexpr const char* kFailedPagesLineClose = " 页下载失败，请稍后重新下载这些日期。";

// Thursday 2010-06-03 00:00 to Friday 12:00: the dates Friday, then Thursday.
inline const std::vector<std::string> kTwoDays = {"2010-06-04", "2010-06-03"};
void UseTwoDays(DownloadProgram& d);

}  // namespace testing_support
