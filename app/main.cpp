// Quorvane: the program's entry. Resolves the run-time settings (the source
// host and the store file, from --source/--store, the environment or the
// build), builds the whole program around its Qt window and runs the event
// loop.
#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

#include "app/qt_program.h"
#include "program/run_settings.h"
#include "program/store_location.h"
#include "quorvane/version.h"
#include "ui/qt/program_icon.h"

namespace {

const char* const kHelp =
    "Usage: quorvane [--source HOST[:PORT]] [--source-kind pages|datacenter] [--store PATH]\n"
    "Quorvane: the 龙虎榜 lists of the Shanghai and Shenzhen exchanges.\n\n"
    "  --source HOST[:PORT]  host[:port] of the source; else the environment\n"
    "                        variable QUORVANE_SOURCE_HOST, else the installed\n"
    "                        default, else the build's host\n"
    "  --source-kind KIND    pages (the list pages) or datacenter (the JSON data\n"
    "                        centre); else QUORVANE_SOURCE_KIND, else the installed\n"
    "                        default (datacenter), else pages\n"
    "  --request-gap MS      milliseconds between two data-centre requests (0 to\n"
    "                        60000, default 300); else QUORVANE_REQUEST_GAP_MS\n"
    "  --store PATH          the store file Data.edb (or its folder)\n"
    "  -h, --help            this help\n"
    "  -v, --version         the version\n\n"
    "The daily prices (更新行情) come from the environment variable QUORVANE_PRICES_HOST\n"
    "(host[:port] or an http(s) address of the K-line service), else the installed\n"
    "default, else the build's host.\n\n"
    "Data.edb lives beside the program when its folder is writable, else in the user's\n"
    "data folder ($XDG_DATA_HOME/quorvane, ~/.local/share/quorvane when XDG_DATA_HOME is\n"
    "not set); --store overrides both. quorvane-cli uses the same file.\n";

// Help and version need no screen: they are answered before the toolkit
// starts.
bool AnsweredWithoutWindow(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      // Which source a start without options would use, and why.
      program::ProgramPlace place;
      place.program_folder = program::ExecutableFolder().value_or(std::filesystem::path());
      const program::ResolvedRunSettings resolved =
          program::ResolveRunSettings({}, place, program::ProcessEnvironment);
      std::printf("\nSource: %s\n", program::SourceInForce(resolved.settings).c_str());
      return true;
    }
    if (arg == "--version" || arg == "-v") {
      std::printf("quorvane %s\n", quorvane::kVersion);
      return true;
    }
  }
  return false;
}

int ProgramMain(int argc, char** argv) {
  if (AnsweredWithoutWindow(argc, argv)) return 0;
  QApplication application(argc, argv);
  application.setWindowIcon(ui::qt::ProgramIcon());
  app::NameProgram();
  app::LoadQtTranslations();

  QCommandLineParser parser;
  const QCommandLineOption source_option(QStringLiteral("source"),
                                         QStringLiteral("host[:port] of the listing pages"),
                                         QStringLiteral("HOST[:PORT]"));
  const QCommandLineOption store_option(QStringLiteral("store"),
                                        QStringLiteral("the store file Data.edb (or its folder)"),
                                        QStringLiteral("PATH"));
  const QCommandLineOption kind_option(QStringLiteral("source-kind"),
                                       QStringLiteral("pages or datacenter"),
                                       QStringLiteral("KIND"));
  const QCommandLineOption gap_option(
      QStringLiteral("request-gap"),
      QStringLiteral("milliseconds between two requests to the data centre (300)"),
      QStringLiteral("MS"));
  parser.addOption(source_option);
  parser.addOption(kind_option);
  parser.addOption(gap_option);
  parser.addOption(store_option);
  parser.process(application);

  program::LaunchOptions launch;
  if (parser.isSet(source_option)) launch.source_host = parser.value(source_option).toStdString();
  if (parser.isSet(kind_option)) launch.source_kind = parser.value(kind_option).toStdString();
  if (parser.isSet(gap_option)) launch.request_gap = parser.value(gap_option).toStdString();
  if (parser.isSet(store_option)) launch.store = app::PathFromQt(parser.value(store_option));
  const program::ResolvedRunSettings resolved =
      program::ResolveRunSettings(launch, app::WindowPlace(), program::ProcessEnvironment);
  if (resolved.error) {
    std::fprintf(stderr, "quorvane: %s\n", resolved.error->c_str());
    return 1;
  }
  // The first start of an installed program makes its data folder; should
  // that fail, the store's own message says so on the window.
  if (auto error = program::PrepareStoreFolder(resolved.settings.store))
    std::fprintf(stderr, "quorvane: %s\n", error->c_str());

  program::ProgramSettings settings = program::ProgramSettingsOf(resolved.settings);
  app::QtProgram program(app::StoreFile{resolved.settings.store.file}, std::move(settings),
                         QUORVANE_MAKER_URL);
  program.Start();
  application.exec();
  program.Finish();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return ProgramMain(argc, argv);
}
