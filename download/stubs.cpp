// Placeholders until the download module is built; replaced file by file.
#include "download/download_control.h"

namespace download {
void BuildDownloadDateList(listing::ProgramContext&) {}
void OnStartDownloadClicked(listing::ProgramContext&) {}
void OnStartDateChanged(listing::ProgramContext&) {}
void OnEndDateChanged(listing::ProgramContext&) {}
}  // namespace download
