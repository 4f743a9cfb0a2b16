#include "tests/download_test_support.h"

#include <gtest/gtest.h>

#include "app/event_wiring.h"
#include "download_page/download_control.h"

namespace testing_support {

DownloadProgram::DownloadProgram() {
  EXPECT_GT(source.Start(), 0);
  p.settings.source_host = source.Host();
  p.platform.SetNow(now);
  p.window.超级按钮_开始下载.on_clicked = [this] { download::OnStartDownloadClicked(p.ctx); };
  app::WireDownloadFollowUps(p.ctx);
  p.window.标签_上榜日期.AddListener([this](ui::Component& c, ui::Property what) {
    if (what == ui::Property::kCaption) date_captions.push_back(U(c.caption()));
  });
}

std::string DownloadProgram::UpdateDateCaption() const {
  for (auto it = date_captions.rbegin(); it != date_captions.rend(); ++it)
    if (it->rfind("更新日期：", 0) == 0) return *it;
  return {};
}

DownloadProgram::~DownloadProgram() {
  p.platform.RunUntilWorkersDone();
  source.Stop();
}

void DownloadProgram::UseRange(const ui::DateTime& start, const ui::DateTime& end) {
  auto& w = p.window;
  for (ui::RadioButton* b :
       {&w.单选框_日, &w.单选框_周, &w.单选框_月, &w.单选框_季, &w.单选框_半年, &w.单选框_年})
    b->SetChecked(false);
  w.日期框1.SetValue(start);
  w.日期框2.SetValue(end);
}

void DownloadProgram::Click() {
  p.window.超级按钮_开始下载.UserClick();
}

bool DownloadProgram::DownloadAndWait(int timeout_ms) {
  EXPECT_TRUE(p.window.超级按钮_开始下载.enabled());
  Click();
  return p.platform.RunUntilWorkersDone(timeout_ms);
}

std::vector<StoredRecord> DownloadProgram::Stored() {
  std::vector<StoredRecord> out;
  auto access = p.store.OpenStore();
  EXPECT_TRUE(access.ok());
  for (int64_t n = 1; n <= access.RecordCount(); ++n) {
    access.GoToRecord(n);
    StoredRecord r;
    for (int f = 1; f <= 9; ++f) r[static_cast<size_t>(f - 1)] = access.ReadField(f);
    out.push_back(r);
  }
  return out;
}

std::vector<PageKey> DownloadProgram::Pages(const std::vector<std::string>& dates) {
  std::vector<PageKey> pages;
  for (int board = 0; board < 3; ++board)
    for (const auto& d : dates) pages.push_back({board, d});
  return pages;
}

std::vector<StoredRecord> DownloadProgram::Expected(const std::vector<PageKey>& pages) {
  std::vector<StoredRecord> out;
  for (const auto& page : pages)
    for (const auto& r : sample_source::ExpectedListings(page.board, page.date)) out.push_back(r);
  return out;
}

std::vector<std::array<std::string, 9>> Readable(const std::vector<StoredRecord>& records) {
  std::vector<std::array<std::string, 9>> out;
  for (const auto& r : records) {
    std::array<std::string, 9> u;
    for (size_t i = 0; i < 9; ++i) u[i] = U(r[i]);
    out.push_back(u);
  }
  return out;
}

void UseTwoDays(DownloadProgram& d) {
  d.UseRange(ui::DateTime::FromParts(2010, 6, 3), ui::DateTime::FromParts(2010, 6, 4, 12));
}

}  // namespace testing_support
