// The event table of the main window: every component event the program
// handles, routed to its handler.
#pragma once

#include <functional>

#include "program/program_context.h"
#include "ui/grid.h"

namespace app {

// The handlers the events are routed to. The defaults are the program's
// own; tests put recorders in their place to check the routing.
struct EventHandlers {
  using Plain = std::function<void(program::ProgramContext&)>;
  using OnGrid = std::function<void(program::ProgramContext&, ui::Grid&)>;

  Plain created;
  std::function<bool(program::ProgramContext&)> close_query;
  Plain page_changed;
  Plain run_search;
  OnGrid header_clicked;
  OnGrid seat_tooltip;
  OnGrid follow_cell;
  Plain remove_duplicates;
  Plain start_download;
  Plain start_date_changed;
  Plain end_date_changed;

  // The program's handlers.
  static EventHandlers Program();
};

// Hangs what follows a download on its hooks: the page "下载记录" follows
// the log, and the statistics grid is refreshed after a run. WireEvents
// calls it; ctx must outlive every download.
void WireDownloadFollowUps(program::ProgramContext& ctx);

// Binds every event of ctx.window. ctx and what it refers to must outlive
// the window's events.
void WireEvents(program::ProgramContext& ctx,
                const EventHandlers& handlers = EventHandlers::Program());

}  // namespace app
