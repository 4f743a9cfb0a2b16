// Answers given in the user's place, for tests. While a QtPlatform's script
// holds an answer for a message box or a save dialog, the platform records
// the question and returns the answer without opening anything modal, so a
// test needs no timer that waits for a box to come up. With no answer
// queued the real box or dialog opens, unless the script answers every
// question (a box then gets OK, a dialog is cancelled).
#pragma once

#include <QString>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "ui/platform.h"

namespace ui::qt {

struct AnsweredQuestion {
  enum class Kind { kMessage, kSaveFileName };
  Kind kind = Kind::kMessage;
  QString title;   // as the box or the dialog would show it
  QString text;    // a message box's text, its line breaks "\n"
  QString filter;  // a save dialog's file filter
  ui::MessageButtons buttons = ui::MessageButtons::kOk;
  ui::MessageIcon icon = ui::MessageIcon::kNone;
  ui::MessageAnswer answer = ui::MessageAnswer::kOk;
  std::optional<std::filesystem::path> file;  // a save dialog's answer; none: cancelled
};

class AnswerScript {
 public:
  // The answer of the next message box that finds no earlier one queued.
  void QueueMessageAnswer(ui::MessageAnswer answer);
  // The answer of the next save dialog (none: cancelled).
  void QueueSaveFileName(std::optional<std::filesystem::path> file);
  // On: a box or dialog that finds its queue empty is answered too.
  void SetAnswerEveryQuestion(bool on);
  // The questions answered so far, in order; the record starts anew.
  std::vector<AnsweredQuestion> TakeAnswered();

  // For the platform: the scripted answer, recorded; none when the real
  // box or dialog is to open.
  std::optional<ui::MessageAnswer> AnswerMessage(const QString& title, const QString& text,
                                                 ui::MessageButtons buttons, ui::MessageIcon icon);
  std::optional<std::optional<std::filesystem::path>> AnswerSaveFileName(const QString& title,
                                                                         const QString& filter);

 private:
  mutable std::mutex mutex_;
  std::deque<ui::MessageAnswer> message_answers_;
  std::deque<std::optional<std::filesystem::path>> file_answers_;
  bool answer_every_ = false;
  std::vector<AnsweredQuestion> answered_;
};

}  // namespace ui::qt
