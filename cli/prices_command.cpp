// quorvane-cli prices: the daily bars of every stock listed in a range,
// fetched from the K-line service into the store, one stock at a time.
#include <cmath>
#include <cstdio>
#include <string>

#include "cli/command_store.h"
#include "cli/commands.h"
#include "cli/download_progress.h"
#include "cli/messages.h"
#include "prices/price_fetch.h"
#include "text/numbers.h"

namespace cli {
namespace {

// One line per stock off a terminal; a bar redrawn in place on one.
class PricesCliProgress : public prices::PricesProgress {
 public:
  PricesCliProgress(std::FILE* stream, bool terminal) : stream_(stream), terminal_(terminal) {}
  void OnStart(int to_ask) override { failed_ = 0, to_ask_ = to_ask; }
  void OnCode(int done, int to_ask, std::string_view code, bool failed) override {
    if (failed) ++failed_;
    if (terminal_) {
      std::fprintf(stream_, "\r%s", DownloadProgress::BarText(done, to_ask, failed_,
                                                              SteadySeconds() - started_)
                                        .c_str());
      if (done == to_ask) std::fputc('\n', stream_);
    } else {
      std::fprintf(stream_, "[%d/%d] %.*s%s\n", done, to_ask, static_cast<int>(code.size()),
                   code.data(), failed ? ": failed" : "");
    }
    std::fflush(stream_);
  }

 private:
  std::FILE* stream_;
  bool terminal_;
  int failed_ = 0;
  int to_ask_ = 0;
  double started_ = SteadySeconds();
};

}  // namespace

int RunPricesCommand(const PricesOptions& options, CliContext& ctx) {
  const FilterOrRefusal range = ExportFilter(options.range, ctx.now);
  if (range.refusal) {
    Say(ctx.err, *range.refusal);
    return kBadUsage;
  }
  const program::StoreLocation& location = ctx.settings.store;
  store::Store store(location.file);
  if (!MakeStoreReady(store, ctx)) return kStoreFailed;
  prices::PricesRequest request;
  request.host = ctx.settings.prices_host.value;
  request.from = range.filter.from.empty() ? "0000-00-00" : range.filter.from;
  request.to = range.filter.to.empty() ? "9999-99-99" : range.filter.to;
  request.today = ctx.now.DateText();
  request.gap_ms = ctx.settings.prices_gap_ms;
  request.limits.ca_file = ctx.settings.ca_file;
  request.answers_folder = ctx.settings.answers_folder;
  Say(ctx.err, "daily prices of the stocks listed " +
                   (range.filter.from.empty() && range.filter.to.empty()
                        ? std::string("in the whole store")
                        : "from " + request.from + " to " + request.to) +
                   " from " + request.host + " (" +
                   program::OriginText(ctx.settings.prices_host, program::kPricesHostNames) +
                   ") into " + location.file.string());

  PricesCliProgress progress(ctx.err, ctx.err_is_terminal);
  const double started = SteadySeconds();
  const prices::PricesSummary s = prices::RunPricesFetch(store, request, progress, ctx.stop);
  const double seconds = SteadySeconds() - started;
  if (s.store_error) {
    Say(ctx.err, StoreFailureLine(*s.store_error, location.file));
    return kStoreFailed;
  }
  if (s.stopped) {
    Say(ctx.err, "stopped after " + std::to_string(s.fetched + s.no_bars + s.failed) + " of " +
                     std::to_string(s.fetched + s.no_bars + s.failed + s.not_asked) +
                     " stocks; what they held is stored");
    return kInterrupted;
  }
  std::string line = std::to_string(s.codes) + " stocks listed: " + std::to_string(s.fetched) +
                     " fetched (" + std::to_string(s.bars_stored) + " bars), " +
                     std::to_string(s.up_to_date) + " already held, " +
                     std::to_string(s.no_bars) + " without bars, " + std::to_string(s.failed) +
                     " failed";
  if (s.other_exchange > 0)
    line += ", " + std::to_string(s.other_exchange) + " of other exchanges skipped";
  line += " in " + text::NumberText(std::round(seconds * 10) / 10) + " s";
  Say(ctx.err, line);
  if (s.gave_up)
    Say(ctx.err, "stopped after " + std::to_string(prices::kFailuresInARowToStop) +
                     " failures in a row (the service may be blocking us); " +
                     std::to_string(s.not_asked) + " stocks not asked: run prices again later");
  if (!s.kept_answers.empty())
    Say(ctx.err, std::to_string(s.kept_answers.size()) +
                     " answers could not be read; they are kept in " +
                     s.kept_answers.back().parent_path().string() + " (please show them to us)");
  if (s.failed > 0 && !s.gave_up)
    Say(ctx.err, "the failed stocks are asked again by the next run of prices");
  return s.failed > 0 || s.gave_up ? kPagesFailed : kDone;
}

}  // namespace cli
