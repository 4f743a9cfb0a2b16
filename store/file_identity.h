// Which file a path names right now, so a kept connection is never reused on
// a file that was replaced in the meantime.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace store {

// A number that differs between two different files at the path; nullopt
// when the path names no file or the system cannot tell.
std::optional<uint64_t> FileIdentity(const std::filesystem::path& path);

// Whether this user may change the file at `path` and make files beside it
// (the engine's log needs both).
bool MayWriteFileAndFolder(const std::filesystem::path& path);

}  // namespace store
