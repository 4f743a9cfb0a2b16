#include "app/qt_program.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QStandardPaths>
#include <QString>
#include <QTranslator>
#include <utility>

#include "app/event_wiring.h"
#include "app/grid_exports.h"
#include "program/jobs.h"
#include "ui/qt/fonts.h"

namespace app {

std::filesystem::path PathFromQt(const QString& path) {
  return ui::qt::PathFromQt(path);
}

void LoadQtTranslations() {
  const QLocale locale = QLocale::system();
  if (locale.language() != QLocale::Chinese) return;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

void NameProgram() {
  QCoreApplication::setApplicationName(QStringLiteral("quorvane"));
}

program::ProgramPlace WindowPlace() {
  program::ProgramPlace place;
  place.program_folder = PathFromQt(QCoreApplication::applicationDirPath());
  place.program_folder_writable = program::FolderWritable(place.program_folder);
  place.user_data_folder =
      PathFromQt(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
  return place;
}

QtProgram::QtProgram(const std::filesystem::path& store_folder, std::string source_host,
                     std::string maker_url)
    : QtProgram(StoreFile{store::StorePath(store_folder)},
                program::ProgramSettings{.source_host = std::move(source_host)},
                std::move(maker_url)) {}

QtProgram::QtProgram(StoreFile store_file, program::ProgramSettings settings,
                     std::string maker_url)
    : settings_(std::move(settings)),
      window_(ui::WindowSettings{std::move(maker_url)}),
      store_(std::move(store_file.path)),
      ctx_{window_, platform_, store_, state_, settings_},
      wiring_(ctx_),
      view_(window_, platform_) {
  platform_.SetWindow(&view_);
  platform_.SetExportFormats({&ui::CsvExport(), &ExcelExport()});
}

QtProgram::Wiring::Wiring(program::ProgramContext& ctx) {
  WireEvents(ctx);
}

QtProgram::~QtProgram() {
  Finish();
}

void QtProgram::Start() {
  view_.show();
  window_.RaiseCreated();
}

void QtProgram::LeaveOnSignal() {
  state_.close_pending = true;
  state_.job_stop.request_stop();
  // A box waiting for an answer would hold the event loop.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) box->reject();
  // Without a job the window closes now; a job closes it when it has ended.
  if (!program::JobRunning(state_)) window_.Close();
}

void QtProgram::Finish() {
  state_.job_stop.request_stop();
  platform_.Shutdown();
  // Every worker has ended: the log goes into the main file, so a copy of
  // Data.edb alone is whole even before the last connection closes.
  store_.Checkpoint();
}

}  // namespace app
