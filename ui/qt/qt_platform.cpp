#include "ui/qt/qt_platform.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDateTime>
#include <QDesktopServices>
#include <QEvent>
#include <QFileDialog>
#include <QAbstractButton>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <chrono>

#include "text/gbk.h"
#include "ui/qt/fonts.h"
#include "ui/qt/grid_model.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/window_view.h"

namespace ui::qt {

QtPlatform::QtPlatform() : ui_thread_(std::this_thread::get_id()) {}

QtPlatform::~QtPlatform() {
  Shutdown();
}

void QtPlatform::SetWindow(WindowView* view) {
  view_ = view;
}

bool QtPlatform::shutting_down() const {
  std::lock_guard lock(mutex_);
  return shutting_down_;
}

int QtPlatform::running_workers() const {
  std::lock_guard lock(mutex_);
  return running_;
}

void QtPlatform::Shutdown() {
  std::vector<std::shared_ptr<Question>> open;
  {
    std::lock_guard lock(mutex_);
    shutting_down_ = true;
    open.swap(open_questions_);
  }
  for (auto& q : open) Answer(q, ui::MessageAnswer::kCancel);

  // Workers may still post window updates (or wait for one to run): keep
  // running the queue until they have all ended.
  while (true) {
    RunPosted();
    std::unique_lock lock(mutex_);
    if (running_ == 0) break;
    workers_changed_.wait_for(lock, std::chrono::milliseconds(10));
  }
  RunPosted();

  std::vector<Worker> workers;
  {
    std::lock_guard lock(mutex_);
    workers.swap(workers_);
  }
  for (auto& w : workers)
    if (w.thread.joinable()) w.thread.join();
}

void QtPlatform::Answer(const std::shared_ptr<Question>& question, ui::MessageAnswer answer) {
  {
    std::lock_guard lock(mutex_);
    if (question->answered) return;
    question->answered = true;
    std::erase(open_questions_, question);
  }
  question->answer.set_value(answer);
}

ui::MessageAnswer QtPlatform::AskOnUi(std::string_view text, std::string_view title,
                                      ui::MessageButtons buttons, ui::MessageIcon icon) {
  if (shutting_down()) return ui::MessageAnswer::kCancel;
  const QString shown_title = FromGbk(title);
  const QString shown_text = FromGbk(text);
  if (auto scripted = script_->AnswerMessage(shown_title, shown_text, buttons, icon))
    return *scripted;
  QMessageBox::Icon qt_icon = QMessageBox::NoIcon;
  switch (icon) {
    case ui::MessageIcon::kNone:
      break;
    case ui::MessageIcon::kInformation:
      qt_icon = QMessageBox::Information;
      break;
    case ui::MessageIcon::kWarning:
      qt_icon = QMessageBox::Warning;
      break;
    case ui::MessageIcon::kError:
      qt_icon = QMessageBox::Critical;
      break;
    case ui::MessageIcon::kQuestion:
      qt_icon = QMessageBox::Question;
      break;
  }
  if (buttons == ui::MessageButtons::kYesNoCancel) {
    QMessageBox box(qt_icon, shown_title, shown_text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, view_.data());
    box.setObjectName(QStringLiteral("message_box"));
    box.setTextFormat(Qt::PlainText);
    // The captions are the program's own, whatever translations are loaded.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    if (box.clickedButton() == box.button(QMessageBox::Yes)) return ui::MessageAnswer::kYes;
    if (box.clickedButton() == box.button(QMessageBox::No)) return ui::MessageAnswer::kNo;
    return ui::MessageAnswer::kCancel;
  }
  const bool ok_cancel = buttons == ui::MessageButtons::kOkCancel;
  QMessageBox box(qt_icon, shown_title, shown_text,
                  ok_cancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                  view_.data());
  box.setObjectName(QStringLiteral("message_box"));
  box.setTextFormat(Qt::PlainText);
  // Our messages are Chinese: so are their buttons, whatever the system's
  // language.
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  if (ok_cancel) box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(ok_cancel ? QMessageBox::Cancel : QMessageBox::Ok);
  box.exec();
  return box.clickedButton() == box.button(QMessageBox::Ok) ? ui::MessageAnswer::kOk
                                                            : ui::MessageAnswer::kCancel;
}

ui::MessageAnswer QtPlatform::ShowMessage(std::string_view text, std::string_view title,
                                          ui::MessageButtons buttons, ui::MessageIcon icon) {
  if (OnUiThread()) return AskOnUi(text, title, buttons, icon);

  auto question = std::make_shared<Question>();
  std::future<ui::MessageAnswer> answer = question->answer.get_future();
  {
    std::lock_guard lock(mutex_);
    if (shutting_down_) return ui::MessageAnswer::kCancel;
    open_questions_.push_back(question);
  }
  PostToUi([this, question, t = std::string(text), ti = std::string(title), buttons, icon] {
    {
      std::lock_guard lock(mutex_);
      if (question->answered) return;
    }
    Answer(question, AskOnUi(t, ti, buttons, icon));
  });
  return answer.get();
}

std::optional<std::filesystem::path> QtPlatform::AskSaveFileName(std::string_view title,
                                                                 std::string_view filter,
                                                                 std::string_view suggested) {
  if (!OnUiThread() || shutting_down()) return std::nullopt;
  const QString shown_title = FromGbk(title);
  const QString shown_filter = FromGbk(filter);
  if (auto scripted = script_->AnswerSaveFileName(shown_title, shown_filter)) return *scripted;
  const QString file =
      QFileDialog::getSaveFileName(view_.data(), shown_title, FromGbk(suggested), shown_filter);
  if (file.isEmpty()) return std::nullopt;
  return PathFromQt(file);
}

std::optional<std::string> QtPlatform::AskText(std::string_view title, std::string_view prompt,
                                               std::string_view initial) {
  if (!OnUiThread() || shutting_down()) return std::nullopt;
  bool ok = false;
  const QString answer = QInputDialog::getText(view_.data(), FromGbk(title), FromGbk(prompt),
                                               QLineEdit::Normal, FromGbk(initial), &ok);
  if (!ok) return std::nullopt;
  return ToGbk(answer);
}

int64_t QtPlatform::TickCount() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

ui::DateTime QtPlatform::Now() {
  return FromQDateTime(QDateTime::currentDateTime());
}

ui::Point QtPlatform::PointerScreenPosition() {
  const QPoint p = QCursor::pos();
  return ui::Point{p.x(), p.y()};
}

ui::Point QtPlatform::WindowScreenPosition() {
  if (!view_) return ui::Point{};
  const QPoint p = view_->frameGeometry().topLeft();
  return ui::Point{p.x(), p.y()};
}

std::optional<int> QtPlatform::GridDataTopOnScreen(const ui::Grid& grid) {
  if (!view_) return std::nullopt;
  GridView* shown = view_->GridViewFor(grid);
  if (!shown || !shown->isVisible()) return std::nullopt;
  const int model_row = shown->grid_model()->ModelRow(1);
  if (model_row < 0 || model_row >= shown->grid_model()->rowCount()) return std::nullopt;
  // Negative above the viewport when scrolled: rows are all of one height,
  // so bands counted from there still meet every row's top.
  const int y = shown->rowViewportPosition(model_row);
  return shown->viewport()->mapToGlobal(QPoint(0, y)).y();
}

void QtPlatform::ShowBalloon(ui::Point screen, std::string_view html, std::string_view style,
                             int duration_ms) {
  if (!OnUiThread()) {
    PostToUi([this, screen, h = std::string(html), s = std::string(style), duration_ms] {
      ShowBalloon(screen, h, s, duration_ms);
    });
    return;
  }
  if (view_) view_->balloon().Pop(QPoint(screen.x, screen.y), html, style, duration_ms);
}

void QtPlatform::SetFocus(ui::Component& component) {
  if (!view_) return;
  if (QWidget* w = view_->WidgetFor(component)) w->setFocus(Qt::MouseFocusReason);
}

void QtPlatform::JoinFinishedWorkers() {
  std::vector<Worker> finished;
  {
    std::lock_guard lock(mutex_);
    auto it = std::partition(workers_.begin(), workers_.end(),
                             [](const Worker& w) { return !w.done->load(); });
    std::move(it, workers_.end(), std::back_inserter(finished));
    workers_.erase(it, workers_.end());
  }
  for (auto& w : finished) w.thread.join();
}

void QtPlatform::StartWorker(std::function<void()> work) {
  JoinFinishedWorkers();
  std::lock_guard lock(mutex_);
  if (shutting_down_) return;  // the program is ending: nothing new starts
  auto done = std::make_shared<std::atomic<bool>>(false);
  ++running_;
  workers_.push_back(Worker{std::thread([this, done, work = std::move(work)] {
                              work();
                              std::lock_guard inner(mutex_);
                              --running_;
                              done->store(true);
                              workers_changed_.notify_all();
                            }),
                            done});
}

void QtPlatform::PostToUi(std::function<void()> work) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(work));
    workers_changed_.notify_all();  // a shutting-down user-interface thread runs it too
  }
  QCoreApplication::postEvent(&queue_, new QEvent(QEvent::User));
}

void QtPlatform::RunPosted() {
  // One wake-up runs everything posted so far, in order; later wake-ups
  // find the queue empty.
  while (true) {
    std::function<void()> work;
    {
      std::lock_guard lock(mutex_);
      if (posted_.empty()) return;
      work = std::move(posted_.front());
      posted_.pop_front();
    }
    work();
  }
}

bool QtPlatform::OnUiThread() const {
  return std::this_thread::get_id() == ui_thread_;
}

void QtPlatform::OpenUrl(std::string_view url) {
  QDesktopServices::openUrl(QUrl(QString::fromStdString(text::Utf8(url))));
}

}  // namespace ui::qt
