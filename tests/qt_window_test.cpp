// The real window under the offscreen platform: every component is a widget
// at its place with its caption, and widgets and components follow each
// other both ways.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabBar>
#include <QtTest/QTest>
#include <set>

#include "app/event_wiring.h"
#include "program/jobs.h"
#include "tests/program_fixture.h"
#include "tests/qt_test_support.h"
#include "ui/qt/fonts.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/tab_control_view.h"
#include "ui/qt/window_view.h"

namespace {

using namespace testing_support;
using ui::qt::FromGbk;

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

template <typename W>
W* Widget(ui::qt::WindowView& view, const ui::Component& c) {
  return qobject_cast<W*>(view.WidgetFor(c));
}

// The text a widget shows as its caption.
QString ShownCaption(QWidget* w) {
  if (auto* x = qobject_cast<QLabel*>(w)) return x->text();
  if (auto* x = qobject_cast<QAbstractButton*>(w)) return x->text();
  if (auto* x = qobject_cast<QGroupBox*>(w)) return x->title();
  if (auto* x = qobject_cast<QLineEdit*>(w)) return x->text();
  if (auto* x = qobject_cast<QPlainTextEdit*>(w)) return x->toPlainText();
  return {};
}

bool HasCaption(const ui::Component& c) {
  switch (c.kind()) {
    case ui::Kind::kLabel:
    case ui::Kind::kTransparentLabel:
      return c.place().height > 2 && c.place().width > 2;
    case ui::Kind::kEditBox:
    case ui::Kind::kRadioButton:
    case ui::Kind::kCheckBox:
    case ui::Kind::kGroupBox:
    case ui::Kind::kSuperButton:
    case ui::Kind::kHyperlinkBox:
      return true;
    default:
      return false;
  }
}

class QtWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    app::WireEvents(p.ctx);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  }
  TestProgram p;
  ui::qt::WindowView view{p.window, p.platform};
};

TEST_F(QtWindow, EveryComponentIsAWidgetAtItsPlaceWithItsCaption) {
  EXPECT_EQ(view.size(), QSize(760, 540));
  EXPECT_EQ(view.pos(), QPoint(50, 50));
  std::set<QString> names;
  for (ui::Component* c : p.window.components()) {
    const QString name = QString::fromStdString(c->name());
    SCOPED_TRACE(c->name());
    QWidget* w =
        c->kind() == ui::Kind::kBalloonTip ? &view.balloon() : view.findChild<QWidget*>(name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w, view.WidgetFor(*c));
    EXPECT_EQ(w->objectName(), name);
    EXPECT_TRUE(names.insert(name).second);
    if (c->kind() == ui::Kind::kBalloonTip) continue;
    const ui::Rect& r = c->place();
    EXPECT_EQ(w->geometry(), QRect(r.left, r.top, r.width, r.height));
    if (HasCaption(*c)) {
      EXPECT_EQ(ShownCaption(w), FromGbk(c->caption()));
    }
    // Page components lie on their page's widget, which covers the whole
    // tab control, heads included.
    if (c->container() == &p.window.高级选择夹1) {
      EXPECT_EQ(w->parentWidget(), view.tab_control()->page(c->page()));
      EXPECT_EQ(w->parentWidget()->geometry(), QRect(0, 0, 741, 443));
    } else if (c->container() != &p.window) {
      EXPECT_EQ(w->parentWidget(), view.WidgetFor(*c->container()));
    }
  }
  EXPECT_EQ(ShownCaption(view.WidgetFor(p.window.标签_上榜日期)), Q("最新更新(2010-04-09)"));
  EXPECT_EQ(ShownCaption(view.WidgetFor(p.window.超级按钮_开始下载)), Q("开始下载"));
}

TEST_F(QtWindow, AGrownWindowGrowsTheGridsAndKeepsTheOtherControlsInPlace) {
  const auto shown = [this](const ui::Component& c) { return view.WidgetFor(c)->geometry(); };
  const auto at = [](const ui::Component& c, int dx, int dy, int dw, int dh) {
    const ui::Rect& r = c.place();
    return QRect(r.left + dx, r.top + dy, r.width + dw, r.height + dh);
  };
  view.resize(760 + 200, 540 + 120);
  QApplication::processEvents();
  ASSERT_EQ(view.size(), QSize(960, 660));
  ui::MainWindow& w = p.window;
  EXPECT_EQ(shown(w.高级选择夹1), at(w.高级选择夹1, 0, 0, 200, 120));
  EXPECT_EQ(shown(w.外形框_统计列表), at(w.外形框_统计列表, 0, 0, 200, 120));
  EXPECT_EQ(shown(w.高级表格_龙虎统计), at(w.高级表格_龙虎统计, 0, 0, 200, 120));
  EXPECT_EQ(shown(w.高级表格_上榜明细), at(w.高级表格_上榜明细, 0, 0, 200, 120));
  // The log's grid grows; the line of text under it moves down with it.
  EXPECT_EQ(shown(w.download_log.高级表格_下载记录),
            at(w.download_log.高级表格_下载记录, 0, 0, 200, 120));
  EXPECT_EQ(shown(w.download_log.标签_下载记录来源),
            at(w.download_log.标签_下载记录来源, 0, 120, 0, 0));
  // Two grids stacked and a chart beside the lower one: neither grid runs
  // over the other or the chart.
  EXPECT_EQ(shown(w.ranking.高级表格_席位排行), at(w.ranking.高级表格_席位排行, 0, 0, 200, 0));
  EXPECT_EQ(shown(w.ranking.高级表格_排行明细), at(w.ranking.高级表格_排行明细, 0, 0, 0, 120));
  EXPECT_EQ(shown(w.ranking.图表_席位净额), at(w.ranking.图表_席位净额, 0, 0, 0, 0));
  // Controls keep their places; the window's bottom row follows the edge.
  EXPECT_EQ(shown(w.超级按钮_开始下载), at(w.超级按钮_开始下载, 0, 0, 0, 0));
  EXPECT_EQ(shown(w.编辑框_搜索), at(w.编辑框_搜索, 0, 0, 0, 0));
  EXPECT_EQ(shown(w.标签_版权信息), at(w.标签_版权信息, 0, 120, 0, 0));

  // Back at the first size everything stands where the layout puts it.
  view.resize(760, 540);
  QApplication::processEvents();
  for (ui::Component* c : w.components()) {
    if (c->kind() == ui::Kind::kBalloonTip) continue;
    SCOPED_TRACE(c->name());
    EXPECT_EQ(shown(*c), at(*c, 0, 0, 0, 0));
  }
}

TEST_F(QtWindow, InitialStatesFontsLinesAndHeads) {
  EXPECT_TRUE(Widget<QRadioButton>(view, p.window.单选框_代码)->isChecked());
  EXPECT_TRUE(Widget<QRadioButton>(view, p.window.单选框_日)->isChecked());
  EXPECT_FALSE(Widget<QRadioButton>(view, p.window.单选框_周)->isChecked());
  EXPECT_TRUE(Widget<QCheckBox>(view, p.window.选择框_保留)->isChecked());
  EXPECT_FALSE(Widget<QCheckBox>(view, p.window.选择框_更新)->isChecked());
  EXPECT_TRUE(view.WidgetFor(p.window.标签_数据耗时)->isHidden());
  EXPECT_FALSE(view.balloon().isVisible());
  EXPECT_TRUE(view.WidgetFor(p.window.download_progress)->isHidden());
  EXPECT_FALSE(view.WidgetFor(p.window.高级表格_上榜明细)->isEnabled());

  const QFont title = view.WidgetFor(p.window.标签_软件名)->font();
  EXPECT_EQ(title.pixelSize(), 20);
  EXPECT_TRUE(title.bold());
  EXPECT_FALSE(ui::qt::ResolveFamily("楷体_GB2312").isEmpty());
  EXPECT_EQ(view.WidgetFor(p.window.标签_软件名)->palette().color(QPalette::WindowText),
            QColor(213, 0, 0));

  // A two-pixel label is a coloured line without text.
  QLabel* line = Widget<QLabel>(view, p.window.标签5);
  EXPECT_TRUE(line->autoFillBackground());
  EXPECT_EQ(line->palette().color(QPalette::Window), QColor(0, 128, 192));
  EXPECT_TRUE(line->text().isEmpty());
  EXPECT_EQ(view.centralWidget()->palette().color(QPalette::Window), QColor(236, 236, 236));

  QTabBar* heads = view.tab_control()->heads();
  ASSERT_EQ(heads->count(), 4);
  EXPECT_EQ(heads->tabText(0), Q("龙虎统计"));
  EXPECT_EQ(heads->tabToolTip(3), Q("下载更新数据"));
  EXPECT_EQ(heads->currentIndex(), 0);
  EXPECT_TRUE(view.tab_control()->page(0)->isVisible());
  EXPECT_FALSE(view.tab_control()->page(3)->isVisible());

  // The date boxes hold the moment the window opened.
  EXPECT_EQ(p.window.日期框1.value(), p.platform.Now());
  EXPECT_EQ(Widget<QDateTimeEdit>(view, p.window.日期框2)->date(), QDate(2010, 4, 9));
}

TEST_F(QtWindow, FramesClipTheirGrids) {
  for (const ui::Grid* g :
       {&p.window.高级表格_龙虎统计, &p.window.高级表格_搜索结果, &p.window.高级表格_上榜明细}) {
    SCOPED_TRACE(g->name());
    QWidget* grid = view.WidgetFor(*g);
    QWidget* frame = grid->parentWidget();
    ASSERT_EQ(frame, view.WidgetFor(*g->container()));
    EXPECT_EQ(grid->geometry(), QRect(-2, -1, 760, 410));
    // Two pixels at the left, one at the top, 19 at the right and 25 at
    // the bottom lie outside the frame, which clips its children.
    const QRect shown = grid->geometry().intersected(frame->rect());
    // In the grid's own coordinates.
    EXPECT_EQ(shown.translated(2, 1), QRect(2, 1, 739, 384));
    EXPECT_EQ(grid->geometry().right() - frame->rect().right(), 19);
    EXPECT_EQ(grid->geometry().bottom() - frame->rect().bottom(), 25);
  }
  // With enough rows the grid's own scroll bar shows, outside the frame.
  p.window.高级表格_龙虎统计.SetColumnCount(10);
  p.window.高级表格_龙虎统计.SetRowCount(200);
  auto* table = qobject_cast<QAbstractScrollArea*>(view.WidgetFor(p.window.高级表格_龙虎统计));
  QApplication::processEvents();
  ASSERT_TRUE(table->verticalScrollBar()->isVisible());
  QWidget* frame = table->parentWidget();
  EXPECT_GE(table->verticalScrollBar()->mapTo(frame, QPoint(0, 0)).x(), frame->width());
}

TEST_F(QtWindow, WindowLevelLabelsLieAboveTheTabControl) {
  QWidget* client = view.centralWidget();
  const QObjectList& order = client->children();
  const auto position = [&](const ui::Component& c) { return order.indexOf(view.WidgetFor(c)); };
  for (const ui::Component* c : std::initializer_list<const ui::Component*>{
           &p.window.标签_上榜日期, &p.window.标签_横线, &p.window.透明标签_排序标})
    EXPECT_GT(position(*c), position(p.window.高级选择夹1)) << c->name();
  EXPECT_EQ(client->childAt(260, 47), view.WidgetFor(p.window.标签_上榜日期));
}

TEST_F(QtWindow, TitleAndVersionCaptionAfterStart) {
  p.window.RaiseCreated();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(view.windowTitle(), Q("Quorvane V1.3"));
  EXPECT_EQ(ShownCaption(view.WidgetFor(p.window.标签_版本号)), Q("版本号：V1.3"));
}

TEST_F(QtWindow, ComingBackToTheWindowReadsAStoreWrittenMeanwhile) {
  p.window.RaiseCreated();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  {
    store::Store elsewhere(p.store.Path());
    WriteListings(elsewhere, {MakeListing("2010-04-07", "甲", "600001", "10000")});
  }
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  view.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(p.state.statistics_listing_count, 1);
}

// The heading of 上榜明细 in the window's own font: a long reason moves the
// figures to a second line, and both lines fit the grid's width and row.
TEST_F(QtWindow, TheDetailsHeadingFitsItsRowWithALongReason) {
  ListingRecord r = MakeListing("2010-04-09", "乙", "600002", "123,456,789.01");
  r[store::kReason] = G("连续三个交易日内日收盘价格涨幅偏离值累计达到20%");
  r[store::kVolume] = "77,916.30";
  WriteListings(p.store, {r});
  p.window.RaiseCreated();
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  p.window.高级选择夹1.UserSelectPage(ui::MainWindow::kDetailsPage);
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  ui::qt::GridView* details = view.GridViewFor(p.window.高级表格_上榜明细);
  ASSERT_NE(details, nullptr);
  const QString heading = details->model()->index(0, 0).data().toString();
  ASSERT_TRUE(heading.contains(Q("成交额：123,456,789.01万元"))) << heading.toStdString();
  int width = 0;
  for (int c = 0; c < details->model()->columnCount(); ++c) width += details->columnWidth(c);
  const QFontMetrics metrics(details->font());
  const QStringList lines = heading.split(QRegularExpression(QStringLiteral("[\\n\\x{2028}]")));
  EXPECT_EQ(lines.size(), 2);
  for (const QString& line : lines)
    EXPECT_LT(metrics.horizontalAdvance(line), width - 4) << line.toStdString();
  EXPECT_LE(lines.size() * metrics.height(), details->rowHeight(0));
}

TEST_F(QtWindow, ACheckboxClickReachesItsHandler) {
  p.window.高级选择夹1.SetCurrentPage(3);
  auto* keep = Widget<QCheckBox>(view, p.window.选择框_保留);
  auto* replace = Widget<QCheckBox>(view, p.window.选择框_更新);
  ASSERT_TRUE(replace->isVisible());
  QTest::mouseClick(replace, Qt::LeftButton, {}, replace->rect().center());
  EXPECT_TRUE(p.window.选择框_更新.checked());
  EXPECT_FALSE(p.window.选择框_保留.checked());
  EXPECT_TRUE(replace->isChecked());
  EXPECT_FALSE(keep->isChecked());
  // The checked box clicked: both end up unchecked.
  QTest::mouseClick(replace, Qt::LeftButton, {}, replace->rect().center());
  EXPECT_FALSE(replace->isChecked());
  EXPECT_FALSE(keep->isChecked());
  EXPECT_FALSE(p.window.选择框_更新.checked());
}

TEST_F(QtWindow, RadioButtonsFollowTheGroupsOfTheModel) {
  p.window.高级选择夹1.SetCurrentPage(3);
  auto* week = Widget<QRadioButton>(view, p.window.单选框_周);
  auto* today = Widget<QRadioButton>(view, p.window.单选框_日);
  QTest::mouseClick(week, Qt::LeftButton, {}, week->rect().center());
  EXPECT_TRUE(p.window.单选框_周.checked());
  EXPECT_FALSE(p.window.单选框_日.checked());
  EXPECT_FALSE(today->isChecked());
  // Clicking the checked one keeps it checked.
  QTest::mouseClick(week, Qt::LeftButton, {}, week->rect().center());
  EXPECT_TRUE(week->isChecked());
  // A date change unchecks every quick range, which the widgets show.
  auto* start = Widget<QDateTimeEdit>(view, p.window.日期框1);
  start->setDate(QDate(2010, 3, 1));
  EXPECT_EQ(p.window.日期框1.value().DateText(), "2010-03-01");
  EXPECT_FALSE(week->isChecked());
  EXPECT_FALSE(today->isChecked());
}

TEST_F(QtWindow, TabHeadsAndPagesFollowEachOtherWithoutEchoes) {
  int changes = 0;
  auto wired = p.window.高级选择夹1.on_page_changed;
  p.window.高级选择夹1.on_page_changed = [&] {
    ++changes;
    wired();
  };
  QTabBar* heads = view.tab_control()->heads();
  QTest::mouseClick(heads, Qt::LeftButton, {}, heads->tabRect(3).center());
  EXPECT_EQ(p.window.高级选择夹1.current_page(), 3);
  EXPECT_TRUE(view.tab_control()->page(3)->isVisible());
  EXPECT_FALSE(view.tab_control()->page(0)->isVisible());
  EXPECT_EQ(changes, 1);
  p.window.高级选择夹1.SetCurrentPage(1);
  EXPECT_EQ(heads->currentIndex(), 1);
  EXPECT_EQ(changes, 2);
  p.window.高级选择夹1.SetPageEnabled(2, false);
  EXPECT_FALSE(heads->isTabEnabled(2));
  QTest::mouseClick(heads, Qt::LeftButton, {}, heads->tabRect(2).center());
  EXPECT_EQ(p.window.高级选择夹1.current_page(), 1);
  EXPECT_EQ(heads->currentIndex(), 1);
  EXPECT_EQ(changes, 2);
}

TEST_F(QtWindow, APickListFollowsItsModelBothWaysAndIsNamedByItsCaption) {
  ui::ComboBox& hold = p.window.backtest.组合框_持有天数;
  p.window.高级选择夹1.SetCurrentPage(ui::MainWindow::kBacktestPage);
  auto* combo = Widget<QComboBox>(view, hold);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->accessibleName(), Q("持有天数"));
  ASSERT_EQ(combo->count(), 6);
  EXPECT_EQ(combo->currentText(), Q("5"));
  int picks = 0;
  hold.on_selection_changed = [&] { ++picks; };
  // The program's own change shows without an event.
  hold.SetSelected(4);
  EXPECT_EQ(combo->currentText(), Q("10"));
  EXPECT_EQ(picks, 0);
  // The user's pick reaches the model and its event.
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(hold.selected(), 5);
  EXPECT_EQ(hold.SelectedText(), "20");
  EXPECT_EQ(picks, 1);
}

// Types text that no key of the keyboard makes, as an input method hands it over.
void TypeText(QWidget* w, const QString& text) {
  for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), {});
}

TEST_F(QtWindow, AnEditablePickListTakesTypedTextCompletesAndKeepsItsTextOverNewItems) {
  ui::ComboBox& who = p.window.backtest.组合框_回测席位;
  p.window.高级选择夹1.SetCurrentPage(ui::MainWindow::kBacktestPage);
  auto* combo = Widget<QComboBox>(view, who);
  ASSERT_NE(combo, nullptr);
  ASSERT_TRUE(combo->isEditable());
  EXPECT_EQ(combo->accessibleName(), Q("席位"));
  // What the user types reaches the model, several names at once too.
  combo->setFocus();
  TypeText(combo->lineEdit(), Q("甲, 乙"));
  EXPECT_EQ(who.text(), G("甲, 乙"));
  // New items from the store leave the typed text as it is.
  who.SetItems({G("老华"), G("华泰证券南京中山路营业部"), G("中信证券上海溧阳路营业部")});
  ASSERT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->currentText(), Q("甲, 乙"));
  // Completion offers the items holding the typed text anywhere.
  combo->lineEdit()->clear();
  TypeText(combo->lineEdit(), Q("中山"));
  QCompleter* completer = combo->completer();
  ASSERT_NE(completer, nullptr);
  EXPECT_EQ(completer->completionCount(), 1);
  EXPECT_EQ(completer->currentCompletion(), Q("华泰证券南京中山路营业部"));
  // A pick from the list becomes the text; the program's own text shows.
  emit combo->activated(0);
  EXPECT_EQ(who.text(), G("老华"));
  who.SetText(G("中信"));
  EXPECT_EQ(combo->currentText(), Q("中信"));
  EXPECT_EQ(who.text(), G("中信"));
}

TEST_F(QtWindow, EditBoxesAndDateBoxesFollowBothWays) {
  p.window.高级选择夹1.SetCurrentPage(1);
  auto* search = Widget<QLineEdit>(view, p.window.编辑框_搜索);
  std::vector<int> keys;
  p.window.编辑框_搜索.on_key_down = [&](int key) { keys.push_back(key); };
  QTest::keyClicks(search, Q("60"));
  QTest::keyClick(search, Qt::Key_Return);
  EXPECT_EQ(p.window.编辑框_搜索.caption(), "60");
  EXPECT_EQ(keys, (std::vector<int>{'6', '0', 13}));
  p.window.编辑框_搜索.SetCaption(G("浦发"));
  EXPECT_EQ(search->text(), Q("浦发"));
  // A left press empties the box (the wired handler).
  QTest::mousePress(search, Qt::LeftButton, {}, search->rect().center());
  QTest::mouseRelease(search, Qt::LeftButton, {}, search->rect().center());
  EXPECT_EQ(search->text(), QString());
  EXPECT_EQ(p.window.编辑框_搜索.caption(), "");

  int date_events = 0;
  p.window.日期框2.on_date_changed = [&] { ++date_events; };
  p.window.日期框2.SetValue(ui::DateTime::FromParts(2010, 2, 1, 9, 30));
  auto* end = Widget<QDateTimeEdit>(view, p.window.日期框2);
  EXPECT_EQ(end->date(), QDate(2010, 2, 1));
  EXPECT_EQ(date_events, 0);
  end->setDate(QDate(2010, 2, 3));
  EXPECT_EQ(date_events, 1);
  EXPECT_EQ(p.window.日期框2.value(), ui::DateTime::FromParts(2010, 2, 3, 9, 30));

  // The multi-line text keeps its CR LF line ends in the model.
  auto* text = Widget<QPlainTextEdit>(view, p.window.编辑框_敢死队信息);
  EXPECT_TRUE(text->toPlainText().contains(Q("\n17，")));
  EXPECT_FALSE(text->toPlainText().contains(QChar('\r')));
  text->setPlainText(Q("a\nb"));
  EXPECT_EQ(p.window.编辑框_敢死队信息.caption(), "a\r\nb");
}

TEST_F(QtWindow, HyperlinkOpensItsAddressAndProgressShowsItsCaption) {
  QWidget* link = view.WidgetFor(p.window.超级链接框1);
  QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
  EXPECT_EQ(p.platform.opened_urls(), std::vector<std::string>{p.window.超级链接框1.url()});

  p.window.download_progress.SetVisible(true);
  p.window.download_progress.SetCaption(G("沪市 3/66 页 50%"));
  p.window.download_progress.SetProgress(3, 66);
  auto* bar = Widget<QProgressBar>(view, p.window.download_progress);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->text(), Q("沪市 3/66 页 50%"));
  EXPECT_EQ(bar->value(), 3);
  EXPECT_EQ(bar->maximum(), 66);
}

// Only the user-interface thread writes the window model; workers post.
// A worker that writes a caption or a grid cell directly stops the program
// at the write, before any widget reads the half-written text.
using QtWindowDeathTest = QtWindow;
TEST_F(QtWindowDeathTest, AWorkerWritingTheModelDirectlyStopsTheProgram) {
  if (!ui::ThreadChecksOn()) GTEST_SKIP() << "this build does not check the model's thread";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(std::thread([&] { p.window.标签_上榜数.SetCaption(G("上榜总计：3")); }).join(),
               "标签_上榜数 written off the user-interface thread");
  EXPECT_DEATH(std::thread([&] { p.window.高级表格_龙虎统计.SetText(1, 1, G("浦发银行")); }).join(),
               "高级表格_龙虎统计 written off the user-interface thread");
  // Posted, the same change reaches the widget.
  p.platform.StartWorker(
      [&] { p.platform.PostToUi([&] { p.window.标签_上榜数.SetCaption(G("上榜总计：3")); }); });
  ASSERT_TRUE(p.platform.RunUntilWorkersDone());
  EXPECT_EQ(Widget<QLabel>(view, p.window.标签_上榜数)->text(), Q("上榜总计：3"));
}

// The close query with the real message box.
class QtCloseQuery : public ::testing::Test {
 protected:
  void SetUp() override {
    app::WireEvents(ctx);
    platform.SetWindow(&view);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  }
  void TearDown() override { platform.Shutdown(); }
  TestProgram p;
  ui::qt::QtPlatform platform;
  program::ProgramContext ctx{p.window, platform, p.store, p.state, p.settings};
  ui::qt::WindowView view{p.window, platform};
};

// The real box: its title, text and buttons, and Cancel keeps the window.
TEST_F(QtCloseQuery, CancelKeepsTheWindow) {
  program::BeginJob(ctx, program::Job::kDownload);
  qt_testing::BoxAnswerer answer(QMessageBox::Cancel);
  EXPECT_FALSE(view.close());
  EXPECT_TRUE(answer.seen().seen);
  EXPECT_EQ(answer.seen().title, Q("确认退出"));
  EXPECT_EQ(answer.seen().text,
            Q("系统数据下载未完成，是否真的要退出系统？\n\n      强行退出有可能会造成数据异常！"));
  EXPECT_EQ(answer.seen().buttons, QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(answer.seen().icon, QMessageBox::Question);
  EXPECT_TRUE(view.isVisible());
  EXPECT_FALSE(p.state.job_stop.stop_requested());
}

TEST_F(QtCloseQuery, OkClosesOnceTheDownloadHasStopped) {
  std::stop_token stop = program::BeginJob(ctx, program::Job::kDownload);
  std::atomic<bool> ended{false};
  platform.StartWorker([&, stop] {
    while (!stop.stop_requested()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the last page
    ended = true;
    program::PostJobFinished(ctx);
  });
  platform.QueueMessageAnswer(ui::MessageAnswer::kOk);
  EXPECT_FALSE(view.close());
  const auto asked = platform.TakeAnsweredQuestions();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].title, Q("确认退出"));
  EXPECT_TRUE(view.isVisible());
  EXPECT_TRUE(qt_testing::WaitUntil([&] { return !view.isVisible(); }));
  EXPECT_TRUE(ended);
}

}  // namespace
