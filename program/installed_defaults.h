// The installed programs' defaults: a small file of key=value lines that
// the install step puts beside them (share/quorvane/defaults, seen from
// their folder bin/). Only a program that finds it there reads it, so
// programs run from a build tree, and every test, keep the values built in.
// Nothing is decided by probing the network or the machine.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace program {

// Where an installed program's defaults file lies, seen from the program's
// folder; empty for an empty folder.
std::filesystem::path InstalledDefaultsFile(const std::filesystem::path& program_folder);

// The key=value lines of a defaults file: blanks around keys and values
// dropped, lines that are empty, start with '#' or hold no '=' skipped; a
// later line wins. Empty when the file cannot be read.
std::map<std::string, std::string, std::less<>> ReadDefaultsFile(const std::filesystem::path& file);

// The value of `key` in the defaults installed beside `program_folder`;
// nullopt when there is no such file or no such key (or it is empty).
std::optional<std::string> InstalledDefault(std::string_view key,
                                            const std::filesystem::path& program_folder);
// The same for the running program ("source_host", "source_kind",
// "prices_host").
std::optional<std::string> InstalledDefault(std::string_view key);

}  // namespace program
