#include "ui/scripted_platform.h"

#include <chrono>
#include <future>

#include "text/gbk.h"
#include "ui/component.h"

namespace ui {

ScriptedPlatform::ScriptedPlatform() : ui_thread_(std::this_thread::get_id()) {}

ScriptedPlatform::~ScriptedPlatform() {
  // Let workers finish; answer whatever they still ask.
  RunUntilWorkersDone(60000);
  for (auto& t : workers_)
    if (t.joinable()) t.join();
}

void ScriptedPlatform::QueueAnswer(MessageAnswer answer) {
  std::lock_guard lock(mutex_);
  answers_.push_back(answer);
}

void ScriptedPlatform::QueueSaveFileName(std::optional<std::filesystem::path> file) {
  std::lock_guard lock(mutex_);
  save_answers_.push_back(std::move(file));
}

void ScriptedPlatform::SetTickCount(int64_t ms) {
  std::lock_guard lock(mutex_);
  ticks_ = ms;
}

void ScriptedPlatform::AdvanceTicks(int64_t ms) {
  std::lock_guard lock(mutex_);
  ticks_ += ms;
}

void ScriptedPlatform::SetNow(const DateTime& now) {
  std::lock_guard lock(mutex_);
  now_ = now;
}

void ScriptedPlatform::SetPointer(Point p) {
  std::lock_guard lock(mutex_);
  pointer_ = p;
}

void ScriptedPlatform::SetWindowPosition(Point p) {
  std::lock_guard lock(mutex_);
  window_ = p;
}

std::vector<RecordedMessage> ScriptedPlatform::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<std::string> ScriptedPlatform::message_texts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> texts;
  for (const auto& m : messages_) texts.push_back(m.text);
  return texts;
}

void ScriptedPlatform::ClearMessages() {
  std::lock_guard lock(mutex_);
  messages_.clear();
}

std::vector<RecordedSaveDialog> ScriptedPlatform::save_dialogs() const {
  std::lock_guard lock(mutex_);
  return save_dialogs_;
}

std::vector<RecordedBalloon> ScriptedPlatform::balloons() const {
  std::lock_guard lock(mutex_);
  return balloons_;
}

std::vector<std::string> ScriptedPlatform::focus_log() const {
  std::lock_guard lock(mutex_);
  return focus_;
}

std::vector<std::string> ScriptedPlatform::opened_urls() const {
  std::lock_guard lock(mutex_);
  return urls_;
}

int ScriptedPlatform::running_workers() const {
  std::lock_guard lock(mutex_);
  return running_;
}

int ScriptedPlatform::RunPending() {
  int ran = 0;
  while (true) {
    std::function<void()> task;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) break;
      task = std::move(queue_.front());
      queue_.pop_front();
    }
    task();
    ++ran;
  }
  return ran;
}

bool ScriptedPlatform::WaitForWork(std::unique_lock<std::mutex>& lock, int timeout_ms) {
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return !queue_.empty() || running_ == 0; });
}

bool ScriptedPlatform::RunUntilWorkersDone(int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (true) {
    RunPending();
    std::unique_lock lock(mutex_);
    if (running_ == 0 && queue_.empty()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    changed_.wait_until(lock, deadline, [&] { return !queue_.empty() || running_ == 0; });
  }
}

bool ScriptedPlatform::RunUntil(const std::function<bool()>& pred, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (true) {
    RunPending();
    if (pred()) return true;
    std::unique_lock lock(mutex_);
    if (std::chrono::steady_clock::now() >= deadline) return false;
    changed_.wait_until(
        lock, std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5)),
        [&] { return !queue_.empty(); });
  }
}

MessageAnswer ScriptedPlatform::AnswerOnUi(std::string_view text, std::string_view title,
                                           MessageButtons buttons, MessageIcon icon) {
  std::lock_guard lock(mutex_);
  RecordedMessage m;
  m.text = text::Utf8(text);
  m.title = text::Utf8(title);
  m.buttons = buttons;
  m.icon = icon;
  if (!answers_.empty()) {
    m.answer = answers_.front();
    answers_.pop_front();
  } else if (buttons == MessageButtons::kYesNoCancel) {
    m.answer = MessageAnswer::kYes;  // the default button, as Enter would answer
  }
  messages_.push_back(m);
  return m.answer;
}

MessageAnswer ScriptedPlatform::ShowMessage(std::string_view text, std::string_view title,
                                            MessageButtons buttons, MessageIcon icon) {
  if (OnUiThread()) return AnswerOnUi(text, title, buttons, icon);
  // From a worker: the box belongs to the user-interface thread.
  auto answer = std::make_shared<std::promise<MessageAnswer>>();
  std::future<MessageAnswer> result = answer->get_future();
  PostToUi([this, answer, t = std::string(text), ti = std::string(title), buttons, icon] {
    answer->set_value(AnswerOnUi(t, ti, buttons, icon));
  });
  return result.get();
}

std::optional<std::filesystem::path> ScriptedPlatform::AskSaveFileName(std::string_view title,
                                                                       std::string_view filter,
                                                                       std::string_view suggested) {
  std::lock_guard lock(mutex_);
  RecordedSaveDialog dialog{text::Utf8(title), text::Utf8(filter), std::nullopt,
                            text::Utf8(suggested)};
  if (!save_answers_.empty()) {
    dialog.answer = std::move(save_answers_.front());
    save_answers_.pop_front();
  }
  save_dialogs_.push_back(dialog);
  return dialog.answer;
}

void ScriptedPlatform::QueueText(std::optional<std::string> gbk) {
  std::lock_guard lock(mutex_);
  text_answers_.push_back(std::move(gbk));
}

std::optional<std::string> ScriptedPlatform::AskText(std::string_view, std::string_view,
                                                     std::string_view) {
  std::lock_guard lock(mutex_);
  if (text_answers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(text_answers_.front());
  text_answers_.pop_front();
  return answer;
}

int64_t ScriptedPlatform::TickCount() {
  std::lock_guard lock(mutex_);
  return ticks_;
}

DateTime ScriptedPlatform::Now() {
  std::lock_guard lock(mutex_);
  return now_;
}

Point ScriptedPlatform::PointerScreenPosition() {
  std::lock_guard lock(mutex_);
  return pointer_;
}

Point ScriptedPlatform::WindowScreenPosition() {
  std::lock_guard lock(mutex_);
  return window_;
}

void ScriptedPlatform::SetGridDataTop(std::optional<int> screen_y) {
  std::lock_guard lock(mutex_);
  grid_data_top_ = screen_y;
}

std::optional<int> ScriptedPlatform::GridDataTopOnScreen(const Grid&) {
  std::lock_guard lock(mutex_);
  return grid_data_top_ ? *grid_data_top_ : window_.y + 192;
}

void ScriptedPlatform::ShowBalloon(Point screen, std::string_view html, std::string_view style,
                                   int duration_ms) {
  std::lock_guard lock(mutex_);
  balloons_.push_back(RecordedBalloon{screen, text::Utf8(html), text::Utf8(style), duration_ms});
}

void ScriptedPlatform::SetFocus(Component& component) {
  std::lock_guard lock(mutex_);
  focus_.push_back(component.name());
}

void ScriptedPlatform::StartWorker(std::function<void()> work) {
  if (inline_workers_) {
    work();
    return;
  }
  std::lock_guard lock(mutex_);
  ++running_;
  workers_.emplace_back([this, work = std::move(work)] {
    work();
    std::lock_guard inner(mutex_);
    --running_;
    changed_.notify_all();
  });
}

void ScriptedPlatform::PostToUi(std::function<void()> work) {
  std::lock_guard lock(mutex_);
  queue_.push_back(std::move(work));
  changed_.notify_all();
}

bool ScriptedPlatform::OnUiThread() const {
  return std::this_thread::get_id() == ui_thread_;
}

void ScriptedPlatform::OpenUrl(std::string_view url) {
  std::lock_guard lock(mutex_);
  urls_.emplace_back(url);
}

}  // namespace ui
