#include "tests/e2e_support.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QtTest/QTest>

#include "tools/sample-source/sample_pages.h"
#include "ui/qt/tab_control_view.h"

namespace e2e {

QString Q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

namespace {

std::string LineOf(const QString& title, QString text, ui::MessageButtons buttons) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  const char* shown = " {OK}";
  if (buttons == ui::MessageButtons::kOkCancel) shown = " {OK,Cancel}";
  if (buttons == ui::MessageButtons::kYesNoCancel) shown = " {是,否,取消}";
  return "[" + title.toStdString() + "] " + text.toStdString() + shown;
}

}  // namespace

std::string BoxLine(std::string_view title_utf8, std::string_view text_utf8, bool ok_cancel) {
  return LineOf(Q(title_utf8), Q(text_utf8),
                ok_cancel ? ui::MessageButtons::kOkCancel : ui::MessageButtons::kOk);
}

std::string AskedYesNoCancel(std::string_view text_utf8) {
  return LineOf(Q("Ferrow提示"), Q(text_utf8), ui::MessageButtons::kYesNoCancel);
}

ModalScript::ModalScript() {
  script_->SetAnswerEveryQuestion(true);
}

ModalScript::~ModalScript() {
  // Every question asked is one the test looked at.
  for (const std::string& box : Take()) ADD_FAILURE() << "a box nobody checked: " << box;
}

std::vector<std::string> ModalScript::Take() {
  std::vector<std::string> lines;
  for (const ui::qt::AnsweredQuestion& q : script_->TakeAnswered()) {
    if (q.kind == ui::qt::AnsweredQuestion::Kind::kSaveFileName) {
      lines.push_back("[file dialog] " + q.title.toStdString());
      continue;
    }
    lines.push_back(LineOf(q.title, q.text, q.buttons));
    const bool on_the_box =
        q.buttons == ui::MessageButtons::kYesNoCancel
            ? q.answer != ui::MessageAnswer::kOk
            : q.answer == ui::MessageAnswer::kOk ||
                  (q.buttons == ui::MessageButtons::kOkCancel &&
                   q.answer == ui::MessageAnswer::kCancel);
    if (!on_the_box)
      ADD_FAILURE() << "the scripted answer is not on the box: " << lines.back();
  }
  return lines;
}

bool WaitFor(const std::function<bool()>& pred, int timeout_ms) {
  QElapsedTimer timer;
  timer.start();
  while (!pred()) {
    if (timer.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QTest::qSleep(2);
  }
  return true;
}

bool Settle(app::QtProgram& program, int timeout_ms) {
  const bool idle = WaitFor(
      [&] {
        return program.platform().running_workers() == 0 &&
               program.window().超级按钮_开始下载.enabled();
      },
      timeout_ms);
  // Whatever the workers posted before they ended runs now, and the views
  // catch up.
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return idle;
}

QString Shown(app::QtProgram& program, const ui::Component& component) {
  QWidget* w = program.view().WidgetFor(component);
  if (auto* x = qobject_cast<QLabel*>(w)) return x->text();
  if (auto* x = qobject_cast<QAbstractButton*>(w)) return x->text();
  if (auto* x = qobject_cast<QLineEdit*>(w)) return x->text();
  ADD_FAILURE() << component.name() << " shows no caption";
  return {};
}

void Click(app::QtProgram& program, const ui::Component& component) {
  QWidget* w = program.view().WidgetFor(component);
  ASSERT_NE(w, nullptr) << component.name();
  ASSERT_TRUE(w->isVisible()) << component.name();
  ASSERT_TRUE(w->isEnabled()) << component.name();
  QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

void ClickTab(app::QtProgram& program, int page) {
  const auto [heads, head] = program.view().tab_control()->HeadOf(page);
  QTest::mouseClick(heads, Qt::LeftButton, {}, heads->tabRect(head).center());
}

void TypeSearch(app::QtProgram& program, const QString& text) {
  auto* box = qobject_cast<QLineEdit*>(program.view().WidgetFor(program.window().编辑框_搜索));
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(box->isVisible());
  QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
  ASSERT_TRUE(box->text().isEmpty()) << "a click into the search box empties it";
  // ASCII comes as key presses, everything else as an input method commits
  // it (how Chinese is typed).
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.unicode() < 0x80) {
      QTest::keyClick(box, c.toLatin1());
      continue;
    }
    // A character beyond the basic plane comes as one commit of its pair.
    const qsizetype length = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    QInputMethodEvent commit;
    commit.setCommitString(text.mid(i, length));
    QApplication::sendEvent(box, &commit);
    i += length - 1;
  }
}

ui::qt::GridView& View(app::QtProgram& program, const ui::Grid& grid) {
  return *program.view().GridViewFor(grid);
}

QString CellShown(ui::qt::GridView& view, int grid_row, int column) {
  const auto* model = view.grid_model();
  return model->index(model->ModelRow(grid_row), column).data(Qt::DisplayRole).toString();
}

QPoint CellCentre(ui::qt::GridView& view, int grid_row, int column) {
  const auto* model = view.grid_model();
  const QModelIndex index = model->index(model->ModelRow(grid_row), column);
  view.scrollTo(index);
  return view.visualRect(index).center();
}

void ClickHeader(ui::qt::GridView& view, int column) {
  QHeaderView* header = view.horizontalHeader();
  const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                  header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

void ExpectArrowAt(app::QtProgram& program, ui::qt::GridView& view, int column,
                   const char* arrow_utf8) {
  EXPECT_EQ(Shown(program, program.window().透明标签_排序标), Q(arrow_utf8));
  QWidget* client = program.view().centralWidget();
  QWidget* arrow = program.view().WidgetFor(program.window().透明标签_排序标);
  QHeaderView* header = view.horizontalHeader();
  const int head_left =
      header->viewport()->mapTo(client, QPoint(header->sectionViewportPosition(column), 0)).x();
  const int left = arrow->mapTo(client, QPoint(0, 0)).x();
  EXPECT_GE(left, head_left) << "column " << column;
  EXPECT_NEAR(left + arrow->width(), head_left + header->sectionSize(column), 2)
      << "column " << column;
}

int ListingRowsShown(ui::qt::GridView& view) {
  int rows = 0;
  for (int r = 1; r < view.grid().RowCount(); ++r)
    if (!CellShown(view, r, 0).isEmpty()) ++rows;
  return rows;
}

std::vector<Record> StoredRecords(store::Store& store) {
  std::vector<Record> records;
  store::StoreAccess access = store.OpenStore();
  EXPECT_TRUE(access.ok());
  if (!access.ok()) return records;
  access.GoToFirst();
  for (int64_t i = 1; i <= access.RecordCount(); ++i) {
    Record r;
    for (int f = 1; f <= store::kFieldCount; ++f)
      r[static_cast<size_t>(f - 1)] = access.ReadField(f);
    records.push_back(std::move(r));
    access.Skip(1);
  }
  access.CloseStore();
  return records;
}

std::vector<std::string> WeekdaysBack(QDate end, int days) {
  std::vector<std::string> dates;
  for (int i = 0; i < days; ++i) {
    const QDate d = end.addDays(-i);
    if (d.dayOfWeek() >= 6) continue;
    dates.push_back(d.toString(QStringLiteral("yyyy-MM-dd")).toStdString());
  }
  return dates;
}

std::vector<Record> SampleListings(const std::vector<std::string>& dates) {
  std::vector<Record> records;
  for (int board = 0; board < sample_source::kBoardCount; ++board)
    for (const std::string& date : dates)
      for (const auto& listing : sample_source::ExpectedListings(board, date))
        records.push_back(listing);
  return records;
}

std::vector<size_t> SamplePageSizes(const std::vector<std::string>& dates) {
  std::vector<size_t> sizes;
  for (int board = 0; board < sample_source::kBoardCount; ++board)
    for (const std::string& date : dates)
      sizes.push_back(sample_source::ExpectedListings(board, date).size());
  return sizes;
}

}  // namespace e2e
