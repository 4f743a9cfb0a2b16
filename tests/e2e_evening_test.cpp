// A user's evening with the whole program on its real window: the first
// start, a week's download from the loopback sample source, the statistics
// page, sorting, every kind of search, the double-clicks, the Seat pop-up,
// the same week again and the duplicate removal, a replacing download from
// a failing source, and leaving during a download. Every message box is
// checked as it appears, in order.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCursor>
#include <QHeaderView>
#include <QProgressBar>
#include <QTabBar>
#include <QTextDocument>
#include <QtTest/QTest>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <numeric>
#include <set>

#include "tests/e2e_support.h"
#include "tests/test_support.h"
#include "tools/sample-source/sample_server.h"
#include "ui/qt/balloon_popup.h"
#include "ui/qt/tab_control_view.h"

namespace {

using namespace e2e;
using testing_support::U;

constexpr const char* kClosing =
    "龙虎榜数据下载完毕，如要过滤每日多次上榜\r\n\r\n  的重复数据，请点击[删除重复数据]按钮。";
constexpr const char* kLeaveQuestion =
    "系统数据下载未完成，是否真的要退出系统？\r\n\r\n      强行退出有可能会造成数据异常！";
constexpr const char* kNoDataYet = "系统初次使用暂无龙虎榜数据\r\n\r\n      请下载最新数据";

std::vector<std::string> Pieces(const std::string& block) {
  std::vector<std::string> out;
  size_t start = 0;
  while (true) {
    const size_t bar = block.find('|', start);
    out.push_back(block.substr(start, bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return out;
}

// "1234.56" in hundredths.
int64_t Cents(const std::string& amount) {
  std::string digits;
  for (char c : amount)
    if (c != '.' && c != ',') digits += c;
  return std::stoll(digits);
}

// Buying (offset 1) or selling (offset 2) amounts of all ten Seats, in
// hundredths of 10,000 yuan, halves rounded up.
int64_t TotalHundredths(const Record& r, size_t offset) {
  int64_t cents = 0;
  for (const std::string* block : {&r[7], &r[8]}) {
    const auto pieces = Pieces(*block);
    for (size_t i = offset; i < pieces.size(); i += 3) cents += Cents(pieces[i]);
  }
  return (cents + 5000) / 10000;
}

std::string ThreeDecimals(int64_t hundredths) {
  const int64_t magnitude = hundredths < 0 ? -hundredths : hundredths;
  char text[40];
  std::snprintf(text, sizeof text, "%s%lld.%02lld0", hundredths < 0 ? "-" : "",
                static_cast<long long>(magnitude / 100), static_cast<long long>(magnitude % 100));
  return text;
}

// The Seat names of a listing: five buyers, then five sellers.
std::vector<std::string> SeatNames(const Record& r) {
  std::vector<std::string> names;
  for (const std::string* block : {&r[7], &r[8]}) {
    const auto pieces = Pieces(*block);
    for (size_t i = 0; i < 15; i += 3) names.push_back(U(pieces.at(i)));
  }
  return names;
}

std::vector<Record> WithoutRepeats(const std::vector<Record>& records) {
  std::set<std::string> seen;
  std::vector<Record> kept;
  for (const Record& r : records)
    if (seen.insert(r[0] + r[1]).second) kept.push_back(r);
  return kept;
}

class UserEvening : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(source.Start(0), 0); }
  void TearDown() override { source.Stop(); }

  std::unique_ptr<app::QtProgram> StartProgram() {
    auto program =
        std::make_unique<app::QtProgram>(folder.path(), source.Host(), "http://127.0.0.1:9/");
    boxes.Attach(*program);
    program->Start();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&program->view()));
    EXPECT_TRUE(Settle(*program));
    return program;
  }

  app::QtProgram& p() { return *program; }
  ui::MainWindow& w() { return program->window(); }
  ui::qt::GridView& Statistics() { return View(p(), w().高级表格_龙虎统计); }
  ui::qt::GridView& Results() { return View(p(), w().高级表格_搜索结果); }

  // 近一周 with the checkboxes as they stand; waits until the start button
  // is usable again. The dates it asks for are kept in `dates`.
  void DownloadWeek() {
    ClickTab(p(), ui::MainWindow::kDownloadPage);
    ASSERT_NO_FATAL_FAILURE(Click(p(), w().单选框_周));
    ASSERT_TRUE(w().单选框_周.checked());
    const ui::DateTime end = w().日期框2.value();
    dates = WeekdaysBack(QDate(end.Year(), end.Month(), end.Day()), 7);
    ASSERT_NO_FATAL_FAILURE(Click(p(), w().超级按钮_开始下载));
    EXPECT_FALSE(p().view().WidgetFor(w().超级按钮_开始下载)->isEnabled());
    ASSERT_TRUE(Settle(p()));
    EXPECT_EQ(p().state().download_date_list, dates);
    ASSERT_EQ(dates.size(), 5u);
  }

  // The statistics page shows `records` (the store, in record order):
  // newest date first, every figure right, the total and the newest date.
  void ExpectStatisticsShow(const std::vector<Record>& records) {
    const int n = static_cast<int>(records.size());
    EXPECT_EQ(Shown(p(), w().标签_上榜数), Q("上榜总计(" + std::to_string(n) + ")条"));
    ASSERT_EQ(ListingRowsShown(Statistics()), n);
    if (n == 0) {
      EXPECT_EQ(Shown(p(), w().标签_上榜日期), Q("最新更新：（）"));
      return;
    }
    // Newest first; within one date the later stored listing comes first.
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 1);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      return records[static_cast<size_t>(a - 1)][0] < records[static_cast<size_t>(b - 1)][0];
    });
    std::reverse(order.begin(), order.end());
    for (int row = 1; row <= n; ++row) {
      SCOPED_TRACE("row " + std::to_string(row));
      ASSERT_EQ(CellShown(Statistics(), row, 9).toInt(), order[static_cast<size_t>(row - 1)]);
      ExpectRowShowsItsListing(Statistics(), row, records);
    }
    EXPECT_EQ(Shown(p(), w().标签_上榜日期),
              Q("最新更新：（" + records[static_cast<size_t>(order[0] - 1)][0] + "）"));
  }

  // A listing row holds the listing its record number names, with its
  // totals, net and strength.
  void ExpectRowShowsItsListing(ui::qt::GridView& view, int row,
                                const std::vector<Record>& records) {
    const int number = CellShown(view, row, 9).toInt();
    ASSERT_GE(number, 1);
    ASSERT_LE(number, static_cast<int>(records.size()));
    const Record& r = records[static_cast<size_t>(number - 1)];
    EXPECT_EQ(CellShown(view, row, 0).toStdString(), r[0]);
    EXPECT_EQ(CellShown(view, row, 1).toStdString(), U(r[1]));
    EXPECT_EQ(CellShown(view, row, 2).toStdString(), r[2]);
    EXPECT_EQ(CellShown(view, row, 3).toStdString(), SeatNames(r)[0]);
    const int64_t buy = TotalHundredths(r, 1);
    const int64_t sell = TotalHundredths(r, 2);
    EXPECT_EQ(CellShown(view, row, 4).toStdString(), ThreeDecimals(buy));
    EXPECT_EQ(CellShown(view, row, 5).toStdString(), ThreeDecimals(sell));
    EXPECT_EQ(CellShown(view, row, 6).toStdString(), ThreeDecimals(buy - sell));
    const double turnover = static_cast<double>(Cents(r[6])) / 100.0;
    const double strength = static_cast<double>(buy - sell) / 100.0 / turnover;
    EXPECT_NEAR(CellShown(view, row, 7).toDouble(), strength, 0.0005 + 1e-9);
    EXPECT_EQ(CellShown(view, row, 8), Q("查看>>"));
  }

  // The search page lists, in the statistics page's order, the rows whose
  // cell in `column` contains `keyword`.
  void ExpectResultsFor(int column, const QString& keyword) {
    std::vector<int> expected;
    for (int row = 1; row < w().高级表格_龙虎统计.RowCount(); ++row)
      if (CellShown(Statistics(), row, column).contains(keyword))
        expected.push_back(CellShown(Statistics(), row, 9).toInt());
    ASSERT_FALSE(expected.empty());
    std::vector<int> shown;
    for (int row = 1; row <= ListingRowsShown(Results()); ++row) {
      shown.push_back(CellShown(Results(), row, 9).toInt());
      ExpectRowShowsItsListing(Results(), row, stored);
    }
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(Shown(p(), w().标签_搜索标题), keyword + Q("(上榜统计)"));
  }

  void Search(const ui::RadioButton& kind, const QString& keyword, bool by_enter = false) {
    ASSERT_NO_FATAL_FAILURE(Click(p(), kind));
    ASSERT_NO_FATAL_FAILURE(TypeSearch(p(), keyword));
    if (by_enter) {
      QTest::keyClick(p().view().WidgetFor(w().编辑框_搜索), Qt::Key_Return);
    } else {
      ASSERT_NO_FATAL_FAILURE(Click(p(), w().超级按钮_查询));
    }
  }

  // After a header click: the arrow and the order of the column's numbers.
  void ExpectSortedBy(int column, bool ascending) {
    ExpectArrowAt(p(), Statistics(), column, ascending ? "↑" : "↓");

    const int n = ListingRowsShown(Statistics());
    for (int row = 2; row <= n; ++row) {
      const double before = CellShown(Statistics(), row - 1, column).toDouble();
      const double here = CellShown(Statistics(), row, column).toDouble();
      if (ascending) {
        ASSERT_LE(before, here) << "row " << row;
      } else {
        ASSERT_GE(before, here) << "row " << row;
      }
      ExpectRowShowsItsListing(Statistics(), row, stored);
    }
  }

  testing_support::TempDir folder;
  sample_source::SampleSource source;
  ModalScript boxes;
  std::unique_ptr<app::QtProgram> program;
  std::vector<std::string> dates;
  std::vector<Record> stored;  // what the store should hold, in record order
};

TEST_F(UserEvening, FromTheFirstStartToLeavingDuringADownload) {
  const std::filesystem::path store_file = folder / "Data.edb";
  ASSERT_FALSE(std::filesystem::exists(store_file));

  // First start: the store is created and the statistics page says it is empty.
  program = StartProgram();
  EXPECT_TRUE(std::filesystem::exists(store_file));
  EXPECT_EQ(p().view().windowTitle(), Q("Quorvane V1.3"));
  EXPECT_EQ(Shown(p(), w().标签_版本号), Q("版本号：V1.3"));
  ASSERT_NO_FATAL_FAILURE(ExpectStatisticsShow({}));
  ClickTab(p(), ui::MainWindow::kDetailsPage);
  EXPECT_EQ(boxes.Take(), std::vector{Told(kNoDataYet)});

  // 近一周, keeping the stored data (保留原数据 is checked at start).
  EXPECT_TRUE(qobject_cast<QCheckBox*>(p().view().WidgetFor(w().选择框_保留))->isChecked());
  ASSERT_NO_FATAL_FAILURE(DownloadWeek());
  EXPECT_EQ(boxes.Take(), std::vector{Told(kClosing)});
  stored = SampleListings(dates);
  ASSERT_GE(stored.size(), 15u);
  ASSERT_EQ(StoredRecords(p().store()), stored);
  const std::vector<Record> first_week = stored;
  EXPECT_EQ(Shown(p(), w().标签_下载标题), Q("数据下载完毕！"));
  EXPECT_TRUE(p().view().WidgetFor(w().标签_耗时)->isVisible());
  EXPECT_TRUE(Shown(p(), w().标签_耗时).startsWith(Q("下载耗时：")));

  ClickTab(p(), ui::MainWindow::kStatisticsPage);
  EXPECT_EQ(Shown(p(), w().标签_统计标题), Q("沪深两市成交龙虎榜统计列表"));
  ASSERT_NO_FATAL_FAILURE(ExpectStatisticsShow(stored));
  const QString newest_date = CellShown(Statistics(), 1, 0);

  // A header click sorts by the bought totals, the next one reverses.
  ClickHeader(Statistics(), 4);
  ASSERT_NO_FATAL_FAILURE(ExpectSortedBy(4, true));
  ClickHeader(Statistics(), 4);
  ASSERT_NO_FATAL_FAILURE(ExpectSortedBy(4, false));
  EXPECT_TRUE(boxes.Take().empty());

  // A search of each kind, and a keyword each kind refuses.
  ClickTab(p(), ui::MainWindow::kSearchPage);
  const QString code = CellShown(Statistics(), 3, 2);
  Search(w().单选框_代码, Q("  ") + code + Q(" "));
  ASSERT_NO_FATAL_FAILURE(ExpectResultsFor(2, code));
  Search(w().单选框_代码, Q("60000"));
  Search(w().单选框_代码, Q("700000"));
  Search(w().单选框_代码, Q("   "));
  EXPECT_EQ(boxes.Take(), (std::vector{Told("请输入6位数的股票代码"), Told("请输入正确的股票代码"),
                                       Told("请输入要搜索的关键字")}));
  ASSERT_NO_FATAL_FAILURE(ExpectResultsFor(2, code));  // a refused search changes nothing

  Search(w().单选框_日期, newest_date, true);
  ASSERT_NO_FATAL_FAILURE(ExpectResultsFor(0, newest_date));
  Search(w().单选框_日期, QString(newest_date).replace('-', '/'), true);
  EXPECT_EQ(boxes.Take(), std::vector{Told("请输入正确的日期格式如:2010-06-26")});

  const QString name = CellShown(Statistics(), 2, 1);
  Search(w().单选框_股名, name);
  ASSERT_NO_FATAL_FAILURE(ExpectResultsFor(1, name));
  Search(w().单选框_股名, Q("上海浦东发展银行"));
  EXPECT_EQ(boxes.Take(), std::vector{Told("请输入正确股票名称")});

  const QString seat = CellShown(Statistics(), 1, 3);
  Search(w().单选框_席位, seat);
  ASSERT_NO_FATAL_FAILURE(ExpectResultsFor(3, seat));
  Search(w().单选框_席位, Q("不存在的证券营业部"));
  EXPECT_EQ(boxes.Take(), std::vector{Told("系统没找到相关记录")});
  ASSERT_NO_FATAL_FAILURE(ExpectResultsFor(3, seat));

  // A double-click on a date lists that date's listings on the search page.
  ClickTab(p(), ui::MainWindow::kStatisticsPage);
  const QString clicked_date = CellShown(Statistics(), 2, 0);
  QTest::mouseDClick(Statistics().viewport(), Qt::LeftButton, {}, CellCentre(Statistics(), 2, 0));
  EXPECT_EQ(p().view().tab_control()->heads()->currentIndex(), ui::MainWindow::kSearchPage);
  ASSERT_NO_FATAL_FAILURE(ExpectResultsFor(0, clicked_date));

  // "查看>>" opens that row's listing on the details page.
  ClickTab(p(), ui::MainWindow::kStatisticsPage);
  const Record& shown_in_row3 =
      stored[static_cast<size_t>(CellShown(Statistics(), 3, 9).toInt() - 1)];
  QTest::mouseDClick(Statistics().viewport(), Qt::LeftButton, {}, CellCentre(Statistics(), 3, 8));
  EXPECT_EQ(p().view().tab_control()->heads()->currentIndex(), ui::MainWindow::kDetailsPage);
  EXPECT_EQ(Shown(p(), w().标签_明细标题).toStdString(),
            U(shown_in_row3[1]) + "(" + shown_in_row3[2] + ")成交明细 " + shown_in_row3[0]);
  ui::qt::GridView& details = View(p(), w().高级表格_上榜明细);
  // The heading on one line, or where that is wider than the grid (116 GBK
  // bytes: a long reason), on two.
  const std::string lead = "  " + shown_in_row3[0] + "上榜原因：" + U(shown_in_row3[3]);
  const std::string figures = U(shown_in_row3[4]) + "  成交量：" + shown_in_row3[5] +
                              "万股  成交额：" + shown_in_row3[6] + "万元";
  const bool one_line = testing_support::G(lead + "   " + figures).size() <= 116;
  EXPECT_EQ(CellShown(details, 0, 0).toStdString(),
            lead + (one_line ? "   " : "\n  ") + figures);
  const std::vector<std::string> seats = SeatNames(shown_in_row3);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(CellShown(details, 3 + k, 1).toStdString(), seats[static_cast<size_t>(k)]);
    EXPECT_EQ(CellShown(details, 10 + k, 1).toStdString(), seats[static_cast<size_t>(5 + k)]);
  }
  EXPECT_TRUE(boxes.Take().empty());

  // A click on a Seat cell pops up the listing's ten Seats beside the grid.
  ClickTab(p(), ui::MainWindow::kStatisticsPage);
  const Record& shown_in_row4 =
      stored[static_cast<size_t>(CellShown(Statistics(), 4, 9).toInt() - 1)];
  const QPoint cell = CellCentre(Statistics(), 4, 3);
  const QPoint pointer = Statistics().viewport()->mapToGlobal(cell);
  QCursor::setPos(pointer);
  ASSERT_EQ(QCursor::pos(), pointer);
  const QPoint window = p().view().frameGeometry().topLeft();
  QTest::mouseClick(Statistics().viewport(), Qt::LeftButton, {}, cell);
  ui::qt::BalloonPopup& balloon = p().view().balloon();
  ASSERT_TRUE(WaitFor([&] { return balloon.isVisible(); }, 2000));
  EXPECT_EQ(balloon.pos().x(), window.x() + 210);
  // Its top at the top of the clicked row.
  const QModelIndex clicked = Statistics().indexAt(cell);
  EXPECT_EQ(balloon.pos().y(),
            Statistics().viewport()->mapToGlobal(Statistics().visualRect(clicked).topLeft()).y());
  // The heading, then one Seat a line.
  const QStringList lines = balloon.document().toPlainText().split(QChar('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 11) << balloon.document().toPlainText().toStdString();
  EXPECT_TRUE(lines[0].contains(Q(shown_in_row4[0] + " [" + U(shown_in_row4[1]) + "]")))
      << lines[0].toStdString();
  const std::vector<std::string> popped = SeatNames(shown_in_row4);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(lines[i + 1].trimmed().toStdString(),
              std::to_string(i + 1) + ". " + popped[static_cast<size_t>(i)]);
  EXPECT_TRUE(boxes.Take().empty());

  // The same week again, and 否 to skipping its stored pages: every
  // listing twice.
  boxes.Answer(ui::MessageAnswer::kNo);
  ASSERT_NO_FATAL_FAILURE(DownloadWeek());
  EXPECT_EQ(boxes.Take(),
            (std::vector{AskedYesNoCancel("所选日期中有 15 页已保存，再次下载将重复保存。"
                                          "是否跳过已保存的页？"),
                         Told(kClosing)}));
  stored.insert(stored.end(), first_week.begin(), first_week.end());
  ASSERT_EQ(StoredRecords(p().store()), stored);
  ASSERT_NO_FATAL_FAILURE(ExpectStatisticsShow(stored));

  // "删除重复数据" keeps the listings stored first.
  ASSERT_NO_FATAL_FAILURE(Click(p(), w().超级按钮_去重复));
  ASSERT_TRUE(Settle(p()));
  EXPECT_EQ(boxes.Take(), std::vector{Told("系统已为你清除了重复上榜的龙虎榜数据，共删除 " +
                                            std::to_string(first_week.size()) + " 条。")});
  stored = WithoutRepeats(stored);
  EXPECT_EQ(stored, WithoutRepeats(first_week));
  EXPECT_EQ(stored.size(), first_week.size());  // one board's page never repeats a stock
  ASSERT_EQ(StoredRecords(p().store()), stored);
  ASSERT_NO_FATAL_FAILURE(ExpectStatisticsShow(stored));

  // "更新原数据" from a source that fails every page: the store is emptied
  // first, as the user chose, and nothing comes in.
  ASSERT_NO_FATAL_FAILURE(Click(p(), w().选择框_更新));
  EXPECT_FALSE(qobject_cast<QCheckBox*>(p().view().WidgetFor(w().选择框_保留))->isChecked());
  source.SetFault(sample_source::Fault::kError);
  ASSERT_NO_FATAL_FAILURE(DownloadWeek());
  // The closing message says that the pages failed.
  EXPECT_EQ(boxes.Take(),
            std::vector{Told(std::string(kClosing) +
                             "\r\n\r\n其中 15 页下载失败，请稍后重新下载这些日期。")});
  EXPECT_EQ(Shown(p(), w().标签_下载标题), Q("数据下载完毕，15 页下载失败！"));
  stored.clear();
  EXPECT_EQ(StoredRecords(p().store()), stored);
  ASSERT_NO_FATAL_FAILURE(ExpectStatisticsShow(stored));
  auto* progress = qobject_cast<QProgressBar*>(p().view().WidgetFor(w().download_progress));
  EXPECT_EQ(progress->text(), Q("已完成 15/15 页，失败 15 页"));

  // Leaving during a slow download: Cancel keeps the window and the
  // download, OK ends the program once the page being stored is complete.
  source.SetFault(sample_source::Fault::kSlow);
  source.SetSlowMs(250);
  ASSERT_NO_FATAL_FAILURE(Click(p(), w().选择框_保留));
  ASSERT_NO_FATAL_FAILURE(Click(p(), w().超级按钮_开始下载));
  // The bar still shows the failed run until this one reports its first page.
  const auto pages_done = [&] {
    return progress->text().endsWith(Q("失败 0 页")) ? progress->value() : -1;
  };
  ASSERT_TRUE(WaitFor([&] { return pages_done() >= 2; }));
  ClickTab(p(), ui::MainWindow::kStatisticsPage);
  EXPECT_EQ(p().view().tab_control()->heads()->currentIndex(), ui::MainWindow::kSearchPage);
  EXPECT_EQ(boxes.Take(), std::vector{Told("数据下载中……，请勿操作，稍候！")});

  boxes.Answer(ui::MessageAnswer::kCancel);
  EXPECT_FALSE(p().view().close());
  EXPECT_EQ(boxes.Take(), std::vector{BoxLine("确认退出", kLeaveQuestion, true)});
  const int pages_at_cancel = pages_done();
  ASSERT_GE(pages_at_cancel, 2);
  ASSERT_TRUE(WaitFor([&] { return pages_done() > pages_at_cancel; }));
  EXPECT_TRUE(p().view().isVisible());

  boxes.Answer(ui::MessageAnswer::kOk);
  p().view().close();
  EXPECT_EQ(boxes.Take(), std::vector{BoxLine("确认退出", kLeaveQuestion, true)});
  ASSERT_TRUE(WaitFor([&] { return !p().view().isVisible(); }));
  EXPECT_TRUE(w().超级按钮_开始下载.enabled());
  p().Finish();
  EXPECT_TRUE(boxes.Take().empty());  // a stopped download says nothing more
  const std::vector<Record> kept = StoredRecords(p().store());
  program.reset();

  // What was stored before leaving is whole pages, in download order.
  const std::vector<Record> week = SampleListings(dates);
  ASSERT_GE(kept.size(), 9u);  // three pages at least, of three listings or more
  ASSERT_LT(kept.size(), week.size());
  EXPECT_TRUE(std::equal(kept.begin(), kept.end(), week.begin()));
  std::set<size_t> page_ends;
  size_t sum = 0;
  for (size_t size : SamplePageSizes(dates)) page_ends.insert(sum += size);
  EXPECT_TRUE(page_ends.count(kept.size())) << kept.size() << " listings are not whole pages";

  // The next start shows them.
  program = StartProgram();
  stored = kept;
  ASSERT_NO_FATAL_FAILURE(ExpectStatisticsShow(stored));
  EXPECT_TRUE(boxes.Take().empty());
  p().Finish();
}

}  // namespace
