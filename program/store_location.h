// Where Data.edb lives. Beside the executable when its folder is writable
// (the portable layout: unpack anywhere and run); in the user's data folder
// when it is not (the programs installed under /usr); a path given on the
// command line wins over both.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace program {

enum class StorePlace {
  kGiven,          // --store
  kBesideProgram,  // the executable's folder
  kUserData,       // $XDG_DATA_HOME/quorvane
};

struct StoreLocation {
  std::filesystem::path file;
  StorePlace place = StorePlace::kBesideProgram;
};

// What a program knows of its own place when it starts.
struct ProgramPlace {
  std::filesystem::path program_folder;  // the executable's folder
  bool program_folder_writable = false;
  // The user's data folder for this program: what the toolkit's
  // application-data location gives ($XDG_DATA_HOME/quorvane on Linux).
  std::filesystem::path user_data_folder;
};

// The store file: `given` when set (a folder there means Data.edb inside
// it), else Data.edb in the program's folder when that is writable, else
// Data.edb in the user's data folder.
StoreLocation ResolveStoreLocation(const std::optional<std::filesystem::path>& given,
                                   const ProgramPlace& place);

// The user's data folder for this program as the window's toolkit finds it
// on Linux: $XDG_DATA_HOME/quorvane when XDG_DATA_HOME is set and not
// empty, else $HOME/.local/share/quorvane.
std::filesystem::path UserDataFolder(
    const std::function<std::optional<std::string>(const char*)>& environment);

// The user's cache folder for this program: $XDG_CACHE_HOME/quorvane when
// XDG_CACHE_HOME is set and not empty, else $HOME/.cache/quorvane (on
// Windows, quorvane\cache in the local application-data folder).
std::filesystem::path UserCacheFolder(
    const std::function<std::optional<std::string>(const char*)>& environment);

// Creates the user's data folder for a store that lives there (the first
// start of an installed program). A store given on the command line or
// beside the program gets no folder made for it. English error text.
std::optional<std::string> PrepareStoreFolder(const StoreLocation& location);

// Whether this process may create and write files in `folder` (one
// platform file per system).
bool FolderWritable(const std::filesystem::path& folder);
// The folder of the running executable; nullopt when the system cannot
// tell.
std::optional<std::filesystem::path> ExecutableFolder();
// The user's home folder when HOME is not set.
std::optional<std::filesystem::path> HomeFromUserDatabase();

// "beside the program", "in the user's data folder", "given with --store".
const char* StorePlaceText(StorePlace place);

}  // namespace program
