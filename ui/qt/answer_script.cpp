#include "ui/qt/answer_script.h"

namespace ui::qt {

void AnswerScript::QueueMessageAnswer(ui::MessageAnswer answer) {
  std::lock_guard lock(mutex_);
  message_answers_.push_back(answer);
}

void AnswerScript::QueueSaveFileName(std::optional<std::filesystem::path> file) {
  std::lock_guard lock(mutex_);
  file_answers_.push_back(std::move(file));
}

void AnswerScript::SetAnswerEveryQuestion(bool on) {
  std::lock_guard lock(mutex_);
  answer_every_ = on;
}

std::vector<AnsweredQuestion> AnswerScript::TakeAnswered() {
  std::lock_guard lock(mutex_);
  std::vector<AnsweredQuestion> answered;
  answered.swap(answered_);
  return answered;
}

std::optional<ui::MessageAnswer> AnswerScript::AnswerMessage(const QString& title,
                                                             const QString& text,
                                                             ui::MessageButtons buttons,
                                                             ui::MessageIcon icon) {
  std::lock_guard lock(mutex_);
  if (message_answers_.empty() && !answer_every_) return std::nullopt;
  AnsweredQuestion q;
  q.kind = AnsweredQuestion::Kind::kMessage;
  q.title = title;
  q.text = text;
  q.buttons = buttons;
  q.icon = icon;
  if (!message_answers_.empty()) {
    q.answer = message_answers_.front();
    message_answers_.pop_front();
  } else if (buttons == ui::MessageButtons::kYesNoCancel) {
    q.answer = ui::MessageAnswer::kYes;  // the default button
  }
  answered_.push_back(q);
  return q.answer;
}

std::optional<std::optional<std::filesystem::path>> AnswerScript::AnswerSaveFileName(
    const QString& title, const QString& filter) {
  std::lock_guard lock(mutex_);
  if (file_answers_.empty() && !answer_every_) return std::nullopt;
  AnsweredQuestion q;
  q.kind = AnsweredQuestion::Kind::kSaveFileName;
  q.title = title;
  q.filter = filter;
  if (!file_answers_.empty()) {
    q.file = std::move(file_answers_.front());
    file_answers_.pop_front();
  }
  answered_.push_back(q);
  return q.file;
}

}  // namespace ui::qt
