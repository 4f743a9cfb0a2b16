#include "listing/search.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "listing/listing_grid.h"
#include "listing/listing_records.h"
#include "listing/statistics_query.h"
#include "text/gbk.h"
#include "text/numbers.h"
#include "text/text_ops.h"
#include "ui/messages.h"

namespace listing {
namespace {

struct Messages {
  std::string no_keyword = text::Gbk("请输入要搜索的关键字");
  std::string code_length = text::Gbk("请输入6位数的股票代码");
  std::string code_start = text::Gbk("请输入正确的股票代码");
  std::string date_form = text::Gbk("请输入正确的日期格式如:2010-06-26");
  std::string name_length = text::Gbk("请输入正确股票名称");
  std::string nothing_found = text::Gbk("系统没找到相关记录");
};

const Messages& M() {
  static const Messages messages;
  return messages;
}

void Tell(const ListingScope& scope, const std::string& message) {
  ui::Tell(scope.platform, message, ui::MessageIcon::kInformation);
}

// The blocks of records two threads share when marking a search's hits.
struct SearchMarkingBlocks {
  std::atomic<size_t> next{0};  // the next block to take
  std::atomic<size_t> done{0};  // blocks marked
};
constexpr size_t kSearchMarkingBlock = size_t{1} << 14;

// record_hit[i] = hit[text id of record i in column c]. A helper thread
// shares the work block by block: this thread takes blocks until none is
// left and then waits only for a block the helper is in the middle of, so a
// helper slow to start on a busy machine costs nothing. The helper touches
// the records only inside a block it took, all of which are done when this
// returns.
void MarkFoundRecords(const std::vector<ListingRecord>& records, size_t c,
                      const std::vector<uint8_t>& hit, std::vector<uint8_t>& record_hit) {
  const size_t n = records.size();
  const size_t blocks = (n + kSearchMarkingBlock - 1) / kSearchMarkingBlock;
  const auto mark = [&records, &hit, &record_hit, c, n](size_t block) {
    const size_t end = std::min(n, (block + 1) * kSearchMarkingBlock);
    for (size_t i = block * kSearchMarkingBlock; i < end; ++i)
      record_hit[i] = hit[records[i].text[c]];
  };
  auto shared = std::make_shared<SearchMarkingBlocks>();
  const auto take_blocks = [shared, blocks, mark] {
    for (size_t b; (b = shared->next.fetch_add(1)) < blocks;) {
      mark(b);
      shared->done.fetch_add(1, std::memory_order_release);
    }
  };
  if (blocks >= 8) {
    try {
      std::thread(take_blocks).detach();
    } catch (const std::system_error&) {
      // No second thread: this one marks every block.
    }
  }
  take_blocks();
  while (shared->done.load(std::memory_order_acquire) < blocks) std::this_thread::yield();
}

bool ByteIs(std::string_view keyword, size_t position, char c) {
  return keyword.size() >= position && keyword[position - 1] == c;  // position counts from 1
}

}  // namespace

std::vector<int64_t> FindListings(const ui::Grid& grid, int column, std::string_view keyword,
                                  int first_row) {
  std::vector<int64_t> found;
  first_row = std::max(first_row, 0);
  int r = first_row;
  const ListingRowSource* source = ListingSourceOf(grid);
  if (source && first_row >= 1 && column >= 0 && column < kInternedColumns) {
    // Each distinct text is matched once; the listings then only look up
    // their text's answer.
    const ListingTable& table = source->table();
    const size_t c = static_cast<size_t>(column);
    const auto& texts = table.texts[c];
    std::vector<uint8_t> hit(texts.size());
    bool some_hit = false;
    for (size_t t = 0; t < texts.size(); ++t) {
      hit[t] = text::ContainsText(texts[t], keyword);
      some_hit = some_hit || hit[t] != 0;
    }
    const int end = std::max(r, std::min(source->count() + 1, grid.RowCount()));
    if (some_hit) {
      // The records are read in their own order into one byte each, and
      // the rows look up those bytes: read in the order shown after a
      // sort, the records would be fetched from all over the memory.
      const std::vector<ListingRecord>& records = table.records;
      std::vector<uint8_t> record_hit(records.size());
      MarkFoundRecords(records, c, hit, record_hit);
      for (; r < end; ++r) {
        const size_t i = source->RecordIndexAt(r);
        if (record_hit[i]) found.push_back(records[i].record_number);
      }
    }
    r = end;
  }
  for (; r < grid.RowCount(); ++r) {
    if (text::ContainsText(grid.Text(r, column), keyword))
      found.push_back(text::IntegerFromText(grid.Text(r, kRecordNumberColumn)));
  }
  return found;
}

void RunSearch(const ListingScope& scope) {
  const ui::ListingPages& window = scope.pages;
  const std::string keyword(text::TrimBlanks(window.编辑框_搜索.caption()));
  scope.state.search_keyword = keyword;
  if (keyword.empty()) return Tell(scope, M().no_keyword);

  int column = kSeatColumn;
  if (window.单选框_代码.checked()) {
    column = kCodeColumn;
    if (keyword.size() != 6) return Tell(scope, M().code_length);
    if (std::string_view("6530").find(keyword[0]) == std::string_view::npos)
      return Tell(scope, M().code_start);
  } else if (window.单选框_日期.checked()) {
    column = kDateColumn;
    if (!ByteIs(keyword, 5, '-') && !ByteIs(keyword, 8, '-')) return Tell(scope, M().date_form);
  } else if (window.单选框_股名.checked()) {
    column = kNameColumn;
    if (keyword.size() > 8) return Tell(scope, M().name_length);
  }

  // The title row is not a listing: the scan starts below it.
  std::vector<int64_t>& found = scope.state.search_record_numbers;
  found.clear();
  found = FindListings(window.高级表格_龙虎统计, column, keyword, 1);
  if (found.empty()) return Tell(scope, M().nothing_found);

  const std::optional<int> shown =
      FillListingGridCounting(scope, window.高级表格_搜索结果, scope.state.search_record_numbers);
  // Opening the search page sets the count of rows that a header click
  // sorts; a search on that page changes what it shows, so the count
  // follows.
  if (shown && window.高级选择夹1.current_page() == ui::MainWindow::kSearchPage)
    scope.state.shown_row_count = *shown + 1;
}

void RunSearch(program::ProgramContext& ctx) {
  RunSearch(ListingScope::Of(ctx));
}

}  // namespace listing
