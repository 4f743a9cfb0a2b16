// Everything the program takes from the system besides the window itself.
// The Qt front implements it for real; tests use ScriptedPlatform.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/date_time.h"
#include "ui/geometry.h"

namespace ui {

class Component;
class Grid;

// kYesNoCancel shows 是, 否 and 取消, 是 the default.
enum class MessageButtons { kOk, kOkCancel, kYesNoCancel };
enum class MessageIcon { kNone, kInformation, kWarning, kError, kQuestion };
enum class MessageAnswer { kOk, kCancel, kYes, kNo };

struct ExportFormat;

class Platform {
 public:
  virtual ~Platform() = default;

  // The file formats a listing grid's context menu offers after "复制", in
  // order. The program sets them at its start; the CSV export alone when
  // none are set.
  void SetExportFormats(std::vector<const ExportFormat*> formats) {
    export_formats_ = std::move(formats);
  }
  const std::vector<const ExportFormat*>& export_formats() const { return export_formats_; }

  // A modal message box; texts are GBK. Called from a worker thread it asks
  // the user-interface thread and waits for the answer. When the program is
  // shutting down it answers kCancel at once.
  virtual MessageAnswer ShowMessage(std::string_view text, std::string_view title,
                                    MessageButtons buttons, MessageIcon icon) = 0;

  // The save dialog: asks the user for the name of a file to write, with a
  // title and a file filter such as "CSV (*.csv)" (both GBK). None when the
  // user cancels. The path comes from the toolkit's own form of the name,
  // never through a narrow code page. Call on the user-interface thread.
  // `suggested` (GBK) is the file name the dialog offers; none when empty.
  virtual std::optional<std::filesystem::path> AskSaveFileName(std::string_view title,
                                                               std::string_view filter,
                                                               std::string_view suggested = {}) = 0;

  // A one-line text the user types in a small dialog, with a title, a
  // prompt and the text it starts with (all GBK). None when the user
  // cancels, or where no dialog can be shown.
  virtual std::optional<std::string> AskText(std::string_view /*title*/,
                                             std::string_view /*prompt*/,
                                             std::string_view /*initial*/) {
    return std::nullopt;
  }

  // Milliseconds since the system started.
  virtual int64_t TickCount() = 0;
  // The current local date and time.
  virtual DateTime Now() = 0;

  // Screen position of the mouse pointer.
  virtual Point PointerScreenPosition() = 0;
  // Screen position of the main window's top-left corner (its left edge and
  // top edge).
  virtual Point WindowScreenPosition() = 0;
  // Screen row of the top edge of a grid's first data row (the row below
  // its title row) as the grid shows it, also when it is scrolled out of
  // sight; none when the grid is not on screen.
  virtual std::optional<int> GridDataTopOnScreen(const Grid& grid) = 0;

  // Pops up the balloon at a screen point with an HTML text (GBK) styled by a
  // style sheet; it hides itself after duration_ms.
  virtual void ShowBalloon(Point screen, std::string_view html, std::string_view style,
                           int duration_ms) = 0;

  virtual void SetFocus(Component& component) = 0;

  // Runs work on a thread of its own and returns at once.
  virtual void StartWorker(std::function<void()> work) = 0;
  // Runs work on the user-interface thread, after what was posted before.
  virtual void PostToUi(std::function<void()> work) = 0;
  virtual bool OnUiThread() const = 0;

  // Opens a web address in the system's browser.
  virtual void OpenUrl(std::string_view url) = 0;

 private:
  std::vector<const ExportFormat*> export_formats_;
};

}  // namespace ui
