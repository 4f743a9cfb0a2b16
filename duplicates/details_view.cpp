#include "duplicates/details_view.h"

#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "store/record_store.h"
#include "text/gbk.h"
#include "text/numbers.h"
#include "text/text_ops.h"
#include "ui/grid.h"
#include "ui/messages.h"

namespace details {
namespace {

using text::Gbk;
using ui::Align;

constexpr int kRows = 15;
constexpr int kColumns = 7;
constexpr int kHeadingHeight = 36;
constexpr std::array<int, kColumns> kColumnWidths = {29, 330, 95, 95, 95, 48, 48};
constexpr int kBuyTitleRow = 1;
constexpr int kBuyColumnTitleRow = 2;
constexpr int kFirstBuyRow = 3;
constexpr int kSellTitleRow = 8;
constexpr int kSellColumnTitleRow = 9;
constexpr int kFirstSellRow = 10;
constexpr int kSeatsPerBlock = 5;
// What one line of the heading holds (GBK bytes: a Chinese character is two,
// and about twice as wide as a digit) across the grid's width.
constexpr size_t kHeadingLineBytes = 116;

struct DetailsTexts {
  std::array<std::string, kColumns - 1> column_titles = {Gbk("交 易 营 业 部"), Gbk("买入金额(元)"),
                                                         Gbk("卖出金额(元)"),   Gbk("净流金额(元)"),
                                                         Gbk("介入度"),         Gbk("抛售度")};
  std::string buy_title = Gbk("  买入金额最大的前5名");
  std::string sell_title = Gbk("  卖出金额最大的前5名");
  std::string no_data = Gbk("系统初次使用暂无龙虎榜数据\r\n\r\n      请下载最新数据");
  std::string traded_details = Gbk(")成交明细 ");
  std::string reason = Gbk("上榜原因：");
  std::string volume = Gbk("  成交量：");
  std::string volume_unit = Gbk("万股");
  std::string turnover = Gbk("  成交额：");
  std::string turnover_unit = Gbk("万元");
  std::string none = Gbk("—");  // where the source gives no figure
  std::string elapsed = Gbk("明细耗时:");
  std::string seconds = Gbk("秒");
};

const DetailsTexts& DetailsT() {
  static const DetailsTexts texts;
  return texts;
}

// Writes Seat k (1..5) of a split Seat block into one row. Values that the
// block lacks leave their cells empty; a Seat without even a name leaves the
// whole row empty. A missing amount counts as the empty text it stands for,
// that is 0.
void WriteSeatRow(ui::Grid& grid, int row, int k, const std::vector<std::string_view>& values,
                  double turnover) {
  const size_t j = static_cast<size_t>(3 * (k - 1));
  auto value = [&](size_t index) -> std::string_view {
    return index < values.size() ? values[index] : std::string_view();
  };
  if (j >= values.size()) {
    // Empty texts, not a cleared range: the cells keep their alignment.
    for (int c = 0; c < kColumns; ++c) grid.SetText(row, c, {});
    return;
  }
  const std::string_view buy_text = value(j + 1);
  const std::string_view sell_text = value(j + 2);
  const double buy = text::NumberFromText(buy_text);
  const double sell = text::NumberFromText(sell_text);

  grid.SetInteger(row, 0, k);
  grid.SetText(row, 1, values[j]);
  // Every amount of a column in one form, two decimals, whatever form the
  // source gave it; an amount the source left out stays empty.
  auto amount = [](std::string_view t, double value) {
    return t.empty() ? std::string() : text::FixedText(value, 2);
  };
  grid.SetText(row, 2, amount(buy_text, buy));
  grid.SetText(row, 3, amount(sell_text, sell));
  grid.SetText(row, 4, text::FixedText(buy - sell, 2));
  // Without a turnover the two shares have nothing to be a share of.
  if (turnover != 0 && std::isfinite(turnover)) {
    grid.SetNumberText(row, 5, text::FixedText(buy / turnover / 100, 2));
    grid.SetNumberText(row, 6, text::FixedText(sell / turnover / 100, 2));
  } else {
    grid.SetText(row, 5, {});
    grid.SetText(row, 6, {});
  }
}

// The heading: date, reason, value, volume and turnover on one line; when
// that is too long for the grid, the figures go to a second line (the
// stored reason fits the first), so that 成交额 always shows.
std::string Heading(std::string_view date, std::string_view reason, std::string_view value,
                    std::string_view volume, std::string_view turnover) {
  const DetailsTexts& t = DetailsT();
  auto figure = [&t](std::string_view f, const std::string& unit) {
    return f.empty() ? t.none : std::string(f) + unit;
  };
  const std::string lead = "  " + std::string(date) + t.reason;
  const std::string figures = std::string(value) + t.volume + figure(volume, t.volume_unit) +
                              t.turnover + figure(turnover, t.turnover_unit);
  std::string one_line = lead + std::string(reason) + "   " + figures;
  if (one_line.size() <= kHeadingLineBytes) return one_line;
  return lead + std::string(reason) + "\r\n  " + figures;
}

}  // namespace

void LayOutDetailsGrid(const ui::DetailsPage& page) {
  ui::Grid& grid = page.高级表格_上榜明细;
  const DetailsTexts& t = DetailsT();
  ui::Grid::UpdateScope scope(grid);

  page.透明标签_排序标.SetCaption({});
  grid.SetHeaderRowCount(1);
  grid.SetColumnCount(kColumns);
  grid.SetRowCount(kRows);
  grid.SetRowHeight(0, kHeadingHeight);

  // In this order: a later range overrides an earlier one.
  grid.SetAlignment({kBuyColumnTitleRow, 0, kBuyColumnTitleRow, 5}, Align::kCentre);
  grid.SetAlignment({kSellColumnTitleRow, 0, kSellColumnTitleRow, 5}, Align::kCentre);
  grid.SetAlignment({1, 2, 14, 4}, Align::kRight);
  grid.SetAlignment({kFirstBuyRow, 0, kFirstBuyRow + kSeatsPerBlock - 1, 0}, Align::kCentre);
  grid.SetAlignment({kFirstSellRow, 0, kFirstSellRow + kSeatsPerBlock - 1, 0}, Align::kCentre);
  grid.SetAlignment({1, 5, 14, 6}, Align::kRight);

  for (int c = 0; c < kColumns; ++c) grid.SetColumnWidth(c, kColumnWidths[static_cast<size_t>(c)]);

  for (int c = 1; c < kColumns; ++c)
    grid.SetText(kBuyColumnTitleRow, c, t.column_titles[static_cast<size_t>(c - 1)]);
  for (int c = 1; c < kColumns; ++c)
    grid.SetText(kSellColumnTitleRow, c, t.column_titles[static_cast<size_t>(c - 1)]);
  grid.SetText(kBuyTitleRow, 0, t.buy_title);
  grid.SetText(kSellTitleRow, 0, t.sell_title);

  grid.ClearMerges();
  for (int row : {0, kBuyTitleRow, kSellTitleRow}) grid.Merge({row, 0, row, kColumns - 1});
}

void LayOutDetailsGrid(program::ProgramContext& ctx) {
  LayOutDetailsGrid(ui::DetailsPage::Of(ctx.window));
}

void ShowListingDetails(const ui::DetailsPage& page, ui::Platform& platform, store::Store& store,
                        int64_t& start_time, int64_t record_number) {
  const DetailsTexts& t = DetailsT();
  if (page.高级表格_龙虎统计.Text(1, 0).empty()) {
    ui::Tell(platform, t.no_data, ui::MessageIcon::kInformation);
    return;
  }
  const int64_t start = platform.TickCount();

  std::array<std::string, store::kFieldCount> f;
  {
    store::StoreAccess access = store.OpenStore();
    if (access.ok()) {
      access.GoToRecord(record_number);
      for (int i = 1; i <= store::kFieldCount; ++i)
        f[static_cast<size_t>(i - 1)] = access.ReadField(i);
    }
    std::optional<store::StoreError> error = access.error();
    access.CloseStore();
    if (error) {
      ui::Tell(platform, store::ErrorMessage(*error), ui::MessageIcon::kError);
      return;
    }
  }
  start_time = start;
  auto field = [&f](int n) -> const std::string& { return f[static_cast<size_t>(n - 1)]; };

  page.标签_明细标题.SetCaption(field(store::kName) + "(" + field(store::kCode) +
                                  t.traded_details + field(store::kDate));

  ui::Grid& grid = page.高级表格_上榜明细;
  {
    ui::Grid::UpdateScope scope(grid);
    grid.SetText(0, 0,
                 Heading(field(store::kDate), field(store::kReason), field(store::kValue),
                         field(store::kVolume), field(store::kTurnover)));
    // The turnover is printed with thousands separators ("1,234").
    const double turnover = text::NumberFromTextSkippingSeparators(field(store::kTurnover));
    const std::vector<std::string_view> buys = text::SplitText(field(store::kBuySeats), "|");
    const std::vector<std::string_view> sells = text::SplitText(field(store::kSellSeats), "|");
    for (int k = 1; k <= kSeatsPerBlock; ++k) {
      WriteSeatRow(grid, kFirstBuyRow + k - 1, k, buys, turnover);
      WriteSeatRow(grid, kFirstSellRow + k - 1, k, sells, turnover);
    }
  }

  const double seconds = static_cast<double>(platform.TickCount() - start_time) / 1000;
  page.标签_数据耗时.SetCaption(t.elapsed + text::NumberText(seconds) + t.seconds);
}

void ShowListingDetails(program::ProgramContext& ctx, int64_t record_number) {
  ShowListingDetails(ui::DetailsPage::Of(ctx.window), ctx.platform, ctx.store,
                     ctx.state.start_time, record_number);
}

}  // namespace details
