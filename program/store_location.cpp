#include "program/store_location.h"

#include <system_error>

#include "store/record_store.h"

namespace program {

StoreLocation ResolveStoreLocation(const std::optional<std::filesystem::path>& given,
                                   const ProgramPlace& place) {
  if (given) {
    std::error_code ec;
    if (std::filesystem::is_directory(*given, ec))
      return {store::StorePath(*given), StorePlace::kGiven};
    return {*given, StorePlace::kGiven};
  }
  if (place.program_folder_writable)
    return {store::StorePath(place.program_folder), StorePlace::kBesideProgram};
  return {store::StorePath(place.user_data_folder), StorePlace::kUserData};
}

std::optional<std::string> PrepareStoreFolder(const StoreLocation& location) {
  if (location.place != StorePlace::kUserData) return std::nullopt;
  const std::filesystem::path folder = location.file.parent_path();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return "cannot create the data folder " + folder.string() + ": " + ec.message();
  return std::nullopt;
}

const char* StorePlaceText(StorePlace place) {
  switch (place) {
    case StorePlace::kGiven:
      return "given with --store";
    case StorePlace::kBesideProgram:
      return "beside the program";
    case StorePlace::kUserData:
      return "in the user's data folder";
  }
  return "";
}

}  // namespace program
