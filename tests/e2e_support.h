// Driving the whole program on its real Qt window, as a user would: message
// boxes and save dialogs answered from a script and recorded as asked, clicks
// on widgets,
// cells read as the views show them, and the listings the loopback sample
// source serves for a range of dates.
#pragma once

#include <QDate>
#include <QPoint>
#include <QString>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/qt_program.h"
#include "store/record_store.h"
#include "tests/test_support.h"
#include "ui/component.h"
#include "ui/qt/answer_script.h"
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
// A question of the program's with 是, 否 and 取消.
std::string AskedYesNoCancel(std::string_view text_utf8);

// Answers every message box and save dialog of the programs it is attached
// to, in the user's place (see ui::qt::AnswerScript): from a script, OK once
// the script is used up; a save dialog gets the next SaveAs name, or is
// cancelled. Nothing modal opens. Keeps each question as a BoxLine (a
// dialog as "[file dialog] title"), in order, across the programs of one
// test; a question still untaken when it ends fails the test.
class ModalScript {
 public:
  ModalScript();
  ~ModalScript();
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;

  // Call before the program starts.
  void Attach(app::QtProgram& program) { program.platform().AnswerFrom(script_); }
  void Answer(ui::MessageAnswer answer) { script_->QueueMessageAnswer(answer); }
  void SaveAs(const std::filesystem::path& file) { script_->QueueSaveFileName(file); }
  // The questions asked since the last call.
  std::vector<std::string> Take();

 private:
  std::shared_ptr<ui::qt::AnswerScript> script_ = std::make_shared<ui::qt::AnswerScript>();
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
