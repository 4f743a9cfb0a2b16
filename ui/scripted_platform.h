// A Platform for tests: records every message box and save dialog and
// answers them from a script, keeps an injectable clock, pointer and window
// position, and runs the user-interface queue only when the test pumps it.
//
// The thread that creates it is the user-interface thread. Workers run on
// real threads (or inline, see set_run_workers_inline); a message box asked
// from a worker waits until the test pumps the queue.
#pragma once

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ui/platform.h"

namespace ui {

struct RecordedMessage {
  std::string text;   // UTF-8
  std::string title;  // UTF-8
  MessageButtons buttons = MessageButtons::kOk;
  MessageIcon icon = MessageIcon::kNone;
  MessageAnswer answer = MessageAnswer::kOk;
};

struct RecordedSaveDialog {
  std::string title;   // UTF-8
  std::string filter;  // UTF-8
  std::optional<std::filesystem::path> answer;
  std::string suggested;  // UTF-8: the file name offered
};

struct RecordedBalloon {
  Point point;
  std::string html;   // UTF-8
  std::string style;  // UTF-8
  int duration_ms = 0;
};

class ScriptedPlatform : public Platform {
 public:
  ScriptedPlatform();
  ~ScriptedPlatform() override;

  // --- the script ---
  // Answers for the next message boxes, in order; afterwards every box is
  // answered with its default button (kOk, or kYes for 是/否/取消).
  void QueueAnswer(MessageAnswer answer);
  // Answers for the next save dialogs, in order (none: cancelled); once
  // they are used up, every dialog is cancelled.
  void QueueSaveFileName(std::optional<std::filesystem::path> file);
  // Answers (GBK) for the next text dialogs, in order (none: cancelled);
  // once they are used up, every dialog is cancelled.
  void QueueText(std::optional<std::string> gbk);
  void SetTickCount(int64_t ms);
  void AdvanceTicks(int64_t ms);
  void SetNow(const DateTime& now);
  void SetPointer(Point p);
  void SetWindowPosition(Point p);
  // Where grids show their first data row on the screen; unset, 192 pixels
  // below the window's top edge (the place on the window's first layout).
  void SetGridDataTop(std::optional<int> screen_y);
  // Workers run synchronously inside StartWorker, on the calling thread.
  void set_run_workers_inline(bool inline_workers) { inline_workers_ = inline_workers; }

  // --- what happened ---
  std::vector<RecordedMessage> messages() const;
  std::vector<std::string> message_texts() const;
  void ClearMessages();
  std::vector<RecordedSaveDialog> save_dialogs() const;
  std::vector<RecordedBalloon> balloons() const;
  std::vector<std::string> focus_log() const;
  std::vector<std::string> opened_urls() const;

  // --- the user-interface queue ---
  // Runs what was posted, including what that posts in turn; returns how
  // many tasks ran.
  int RunPending();
  // Pumps until every worker started so far has ended and the queue is empty.
  // False on timeout.
  bool RunUntilWorkersDone(int timeout_ms = 30000);
  // Pumps until pred() holds. False on timeout.
  bool RunUntil(const std::function<bool()>& pred, int timeout_ms = 30000);
  int running_workers() const;

  // --- Platform ---
  MessageAnswer ShowMessage(std::string_view text, std::string_view title, MessageButtons buttons,
                            MessageIcon icon) override;
  std::optional<std::filesystem::path> AskSaveFileName(std::string_view title, std::string_view filter,
                                                       std::string_view suggested = {}) override;
  std::optional<std::string> AskText(std::string_view title, std::string_view prompt,
                                     std::string_view initial) override;
  int64_t TickCount() override;
  DateTime Now() override;
  Point PointerScreenPosition() override;
  Point WindowScreenPosition() override;
  std::optional<int> GridDataTopOnScreen(const Grid& grid) override;
  void ShowBalloon(Point screen, std::string_view html, std::string_view style,
                   int duration_ms) override;
  void SetFocus(Component& component) override;
  void StartWorker(std::function<void()> work) override;
  void PostToUi(std::function<void()> work) override;
  bool OnUiThread() const override;
  void OpenUrl(std::string_view url) override;

 private:
  MessageAnswer AnswerOnUi(std::string_view text, std::string_view title, MessageButtons buttons,
                           MessageIcon icon);
  bool WaitForWork(std::unique_lock<std::mutex>& lock, int timeout_ms);

  const std::thread::id ui_thread_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> queue_;
  std::deque<MessageAnswer> answers_;
  std::vector<RecordedMessage> messages_;
  std::deque<std::optional<std::filesystem::path>> save_answers_;
  std::deque<std::optional<std::string>> text_answers_;
  std::vector<RecordedSaveDialog> save_dialogs_;
  std::vector<RecordedBalloon> balloons_;
  std::vector<std::string> focus_;
  std::vector<std::string> urls_;
  std::vector<std::thread> workers_;
  int running_ = 0;
  bool inline_workers_ = false;
  int64_t ticks_ = 0;
  DateTime now_ = DateTime::FromParts(2010, 4, 9, 20, 0, 0);
  Point pointer_{};
  Point window_{50, 50};
  std::optional<int> grid_data_top_;
};

}  // namespace ui
