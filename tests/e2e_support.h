// Driving the whole program on its real Qt window, as a user would: message
// boxes answered from a script and recorded as shown, clicks on widgets,
// cells read as the views show them, and the listings the loopback sample
// source serves for a range of dates.
#pragma once

#include "tests/test_support.h"

#include <QDate>
#include <QMessageBox>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <array>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/qt_program.h"
#include "store/record_store.h"
#include "ui/component.h"
#include "ui/qt/grid_view.h"

namespace e2e {

QString Q(std::string_view utf8);

// A message box as one line: "[title] text {buttons}", the text with the
// line breaks the box shows ("\n"). Expected lines are written with the
// program's "\r\n".
std::string BoxLine(std::string_view title_utf8, std::string_view text_utf8,
                    bool ok_cancel = false);
inline std::string Told(std::string_view text_utf8) {
  return BoxLine("Ferrow提示", text_utf8);
}

// Answers every modal message box that comes up, from a script (OK once the
// script is used up), and keeps each box as a BoxLine, in order. A file
// dialog is given the path of SaveAs and accepted. Runs as long as it lives,
// also inside the boxes' own event loops; a box still untaken when it ends
// fails the test.
class ModalScript {
 public:
  ModalScript();
  ~ModalScript();
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;

  void Answer(QMessageBox::StandardButton button) { answers_.push_back(button); }
  void SaveAs(const QString& path) { save_path_ = path; }
  // The boxes seen since the last call.
  std::vector<std::string> Take();

 private:
  void Poll();
  QTimer timer_;
  std::deque<QMessageBox::StandardButton> answers_;
  std::vector<std::string> seen_;
  QString save_path_;
};

// Processes events until pred() holds; false on timeout.
bool WaitFor(const std::function<bool()>& pred, int timeout_ms = 30000);
// Until no worker runs, the start button is enabled and what the workers
// posted has run: the program is idle.
bool Settle(app::QtProgram& program, int timeout_ms = 60000);

// The text a widget shows as its caption (labels, buttons, edit boxes).
QString Shown(app::QtProgram& program, const ui::Component& component);
// A real left click in the middle of a component's widget.
void Click(app::QtProgram& program, const ui::Component& component);
// A real click on a page's head of the tab control.
void ClickTab(app::QtProgram& program, int page);
// Clicks into the search box (which empties it) and types `utf8`.
void TypeSearch(app::QtProgram& program, const QString& text);

// Cells of a grid view, by grid row (the title row is row 0, the header).
ui::qt::GridView& View(app::QtProgram& program, const ui::Grid& grid);
QString CellShown(ui::qt::GridView& view, int grid_row, int column);
// The cell's centre in viewport coordinates, scrolled into view first.
QPoint CellCentre(ui::qt::GridView& view, int grid_row, int column);
// A real click on a column head.
void ClickHeader(ui::qt::GridView& view, int column);
// The sort arrow shows `arrow_utf8` in the column's head, against its right
// edge.
void ExpectArrowAt(app::QtProgram& program, ui::qt::GridView& view, int column,
                   const char* arrow_utf8);
// Data rows shown (the rows below the title holding a date).
int ListingRowsShown(ui::qt::GridView& view);

// The nine fields of one StockListing, GBK.
using Record = std::array<std::string, store::kFieldCount>;
std::vector<Record> StoredRecords(store::Store& store);
// Weekdays from `end` back over `days` calendar days, latest first.
std::vector<std::string> WeekdaysBack(QDate end, int days);
// What a download of `dates` stores from the sample source: boards in page
// order outside, dates inside.
std::vector<Record> SampleListings(const std::vector<std::string>& dates);
// Listings in each page of such a download, in order.
std::vector<size_t> SamplePageSizes(const std::vector<std::string>& dates);

using testing_support::ParseCsv;

}  // namespace e2e
