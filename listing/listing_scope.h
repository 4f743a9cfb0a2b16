// What the listing handlers work on: the statistics and search pages, the
// system, the store and the program-wide values, and nothing else of the
// window.
#pragma once

#include "program/program_context.h"
#include "ui/listing_pages.h"

namespace listing {

struct ListingScope {
  ui::ListingPages pages;
  ui::Platform& platform;
  store::Store& store;
  program::ProgramState& state;

  static ListingScope Of(program::ProgramContext& ctx) {
    return ListingScope{.pages = ui::ListingPages::Of(ctx.window),
                        .platform = ctx.platform,
                        .store = ctx.store,
                        .state = ctx.state};
  }
};

}  // namespace listing
