// The Platform on Qt: message boxes, clock, pointer, balloon, focus, worker
// threads and the user-interface queue.
//
// Workers are std::threads that the platform tracks. A message box asked
// from a worker is shown on the user-interface thread while the worker
// waits; once the program is shutting down every such question is answered
// kCancel at once, so the user-interface thread never waits for a worker
// that waits for it.
//
// For tests, the platform answers from an AnswerScript in the user's place
// while the script holds an answer: no modal box or dialog opens then.
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ui/platform.h"
#include "ui/qt/answer_script.h"

namespace ui::qt {

class WindowView;

class QtPlatform : public ui::Platform {
 public:
  // Create on the user-interface thread, after the QApplication.
  QtPlatform();
  ~QtPlatform() override;
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;

  // The window the boxes belong to, whose widgets take the focus and whose
  // balloon pops up.
  void SetWindow(WindowView* view);

  // Ends the run: from now on questions are answered kCancel and no new
  // worker starts; runs what the workers still post until every worker has
  // ended, then joins them. Call on the user-interface thread after the
  // event loop (and after asking the workers to stop). Idempotent.
  void Shutdown();
  bool shutting_down() const;

  // --- answers in the user's place, for tests (see AnswerScript) ---
  void QueueMessageAnswer(ui::MessageAnswer answer) { script_->QueueMessageAnswer(answer); }
  void QueueSaveFileName(std::optional<std::filesystem::path> file) {
    script_->QueueSaveFileName(std::move(file));
  }
  std::vector<AnsweredQuestion> TakeAnsweredQuestions() { return script_->TakeAnswered(); }
  // Answers from `script` from now on; a test that runs one program after
  // another keeps one script, and one record, for all of them. Call on the
  // user-interface thread.
  void AnswerFrom(std::shared_ptr<AnswerScript> script) { script_ = std::move(script); }

  ui::MessageAnswer ShowMessage(std::string_view text, std::string_view title,
                                ui::MessageButtons buttons, ui::MessageIcon icon) override;
  std::optional<std::string> AskText(std::string_view title, std::string_view prompt,
                                     std::string_view initial) override;
  std::optional<std::filesystem::path> AskSaveFileName(std::string_view title,
                                                       std::string_view filter,
                                                       std::string_view suggested = {}) override;
  int64_t TickCount() override;
  ui::DateTime Now() override;
  ui::Point PointerScreenPosition() override;
  ui::Point WindowScreenPosition() override;
  std::optional<int> GridDataTopOnScreen(const ui::Grid& grid) override;
  void ShowBalloon(ui::Point screen, std::string_view html, std::string_view style,
                   int duration_ms) override;
  void SetFocus(ui::Component& component) override;
  void StartWorker(std::function<void()> work) override;
  void PostToUi(std::function<void()> work) override;
  bool OnUiThread() const override;
  void OpenUrl(std::string_view url) override;

  int running_workers() const;

 private:
  struct Question {
    std::promise<ui::MessageAnswer> answer;
    bool answered = false;  // guarded by mutex_
  };
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  // Wakes the user-interface thread for posted work. The work itself waits
  // in posted_ under mutex_, so handing it over is plainly synchronised; the
  // wake-up event carries nothing.
  class UiQueue : public QObject {
   public:
    explicit UiQueue(QtPlatform& platform) : platform_(platform) {}

   protected:
    void customEvent(QEvent*) override { platform_.RunPosted(); }

   private:
    QtPlatform& platform_;
  };

  ui::MessageAnswer AskOnUi(std::string_view text, std::string_view title,
                            ui::MessageButtons buttons, ui::MessageIcon icon);
  void Answer(const std::shared_ptr<Question>& question, ui::MessageAnswer answer);
  void JoinFinishedWorkers();
  void RunPosted();

  const std::thread::id ui_thread_;
  UiQueue queue_{*this};  // lives on the user-interface thread
  QPointer<WindowView> view_;
  std::shared_ptr<AnswerScript> script_ = std::make_shared<AnswerScript>();

  mutable std::mutex mutex_;
  std::condition_variable workers_changed_;
  bool shutting_down_ = false;
  int running_ = 0;
  std::vector<std::shared_ptr<Question>> open_questions_;
  std::vector<Worker> workers_;
  std::deque<std::function<void()>> posted_;
};

}  // namespace ui::qt
