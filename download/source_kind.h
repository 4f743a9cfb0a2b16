// Where the listings come from: the list pages (GBK, cut by markers) or the
// public JSON data centre. The run-time settings name one of them.
#pragma once

#include <optional>
#include <string_view>

namespace download {

enum class SourceKind {
  kPages,
  kDataCentre,
};

// The environment variable that chooses the kind when no argument does.
inline constexpr const char* kSourceKindEnvironment = "QUORVANE_SOURCE_KIND";

// "pages" or "datacenter"; nullopt for anything else.
inline std::optional<SourceKind> ParseSourceKind(std::string_view name) {
  if (name == "pages") return SourceKind::kPages;
  if (name == "datacenter") return SourceKind::kDataCentre;
  return std::nullopt;
}

inline const char* SourceKindName(SourceKind kind) {
  return kind == SourceKind::kDataCentre ? "datacenter" : "pages";
}

}  // namespace download
