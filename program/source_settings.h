// The download's source as the run-time settings name it: its kind, host,
// politeness and the folder for answers that could not be read.
#pragma once

#include <memory>

#include "download/listing_source.h"
#include "program/program_settings.h"

namespace program {

// The politeness the settings ask for.
inline download::DataCentrePoliteness PolitenessOf(const ProgramSettings& settings) {
  download::DataCentrePoliteness p;
  p.gap_ms = settings.datacentre_gap_ms;
  p.max_retries = settings.datacentre_retries;
  p.backoff_ms = settings.datacentre_backoff_ms;
  return p;
}

// The source the settings name.
inline std::unique_ptr<download::ListingSource> MakeListingSource(
    const ProgramSettings& settings, const download::FetchLimits& limits = {}) {
  return download::MakeListingSource(settings.source_kind, settings.source_host, limits,
                                     PolitenessOf(settings), settings.answers_folder);
}

}  // namespace program
