// The run that fetches the bars a range's stocks lack.
#include "prices/price_fetch.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <map>
#include <mutex>

#include "download/download_run.h"
#include "download/kept_answers.h"
#include "prices/kline_answer.h"

namespace prices {
namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

std::optional<sys_days> FetchDayOf(std::string_view t) {
  if (t.size() != 10) return std::nullopt;
  int y = 0, m = 0, d = 0;
  if (std::sscanf(std::string(t).c_str(), "%4d-%2d-%2d", &y, &m, &d) != 3) return std::nullopt;
  const year_month_day ymd{std::chrono::year(y), std::chrono::month(static_cast<unsigned>(m)),
                           std::chrono::day(static_cast<unsigned>(d))};
  if (!ymd.ok()) return std::nullopt;
  return sys_days(ymd);
}

std::string FetchDayText(sys_days day) {
  const year_month_day ymd(day);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return buffer;
}

// `count` weekdays before (negative) or after `day`.
sys_days FetchWeekdaysFrom(sys_days day, int count) {
  const int step = count < 0 ? -1 : 1;
  for (int left = count < 0 ? -count : count; left > 0;) {
    day += days(step);
    const unsigned weekday = std::chrono::weekday(day).c_encoding();
    if (weekday != 0 && weekday != 6) --left;
  }
  return day;
}

bool FetchPause(std::chrono::milliseconds how_long, const std::stop_token& stop) {
  if (how_long <= std::chrono::milliseconds::zero()) return !stop.stop_requested();
  std::mutex mutex;
  std::condition_variable_any wake;
  std::unique_lock lock(mutex);
  wake.wait_for(lock, stop, how_long, [] { return false; });
  return !stop.stop_requested();
}

std::string FetchNow() {
  return download::FetchTimeText(download::SystemLocalTime());
}

std::string FetchFailureReason(const download::FetchResult& r) {
  switch (r.failure) {
    case download::FetchFailure::kTimeout: return "time-out";
    case download::FetchFailure::kStatus: return "HTTP status " + std::to_string(r.status);
    case download::FetchFailure::kTooBig: return "answer too big";
    case download::FetchFailure::kStopped: return "stopped";
    case download::FetchFailure::kCertificate: return "certificate not trusted";
    default: return "no connection or a broken answer";
  }
}

bool FetchRefused(const download::FetchResult& r) {
  return r.failure == download::FetchFailure::kTimeout ||
         (r.failure == download::FetchFailure::kStatus && (r.status == 429 || r.status >= 500));
}

struct FetchCodeSpan {
  std::string first;
  std::string last;
};

}  // namespace

WantedSpan SpanWanted(std::string_view first_listing, std::string_view last_listing,
                      std::string_view today) {
  WantedSpan span{std::string(first_listing), std::string(last_listing)};
  if (const auto first = FetchDayOf(first_listing))
    span.from = FetchDayText(FetchWeekdaysFrom(*first, -kTradingDaysBefore) - days(7));
  if (const auto last = FetchDayOf(last_listing))
    span.to = FetchDayText(FetchWeekdaysFrom(*last, kTradingDaysAfter) + days(7));
  if (!today.empty() && span.to > today) span.to = std::string(today);
  return span;
}

std::optional<WantedSpan> SpanToAsk(const WantedSpan& wanted,
                                    const std::optional<store::PriceLogEntry>& log) {
  if (!log || log->result == store::PriceFetchResult::kFailed || log->from.empty() ||
      wanted.from < log->from)
    return wanted;
  if (wanted.to <= log->to) return std::nullopt;
  WantedSpan ask = wanted;
  if (const auto held_to = FetchDayOf(log->to)) {
    const std::string next = FetchDayText(*held_to + days(1));
    if (next > ask.from) ask.from = next;
  }
  return ask;
}

PricesSummary RunPricesFetch(store::Store& store, const PricesRequest& request,
                             PricesProgress& progress, std::stop_token stop) {
  PricesSummary summary;
  // The stocks of the range and their first and last listing.
  std::map<std::string, FetchCodeSpan> listed;
  struct Ask {
    std::string code;
    std::string secid;
    WantedSpan span;
    std::optional<store::PriceLogEntry> log;
  };
  std::vector<Ask> asks;
  {
    store::StoreAccess access = store.OpenStore();
    if (!access.ok()) {
      summary.store_error = access.error();
      return summary;
    }
    for (int64_t n : access.RecordNumbersInDateRange(request.from, request.to)) {
      if (!access.GoToRecord(n)) break;
      const std::string date(access.FieldView(store::kDate));
      const std::string code(access.FieldView(store::kCode));
      auto [it, added] = listed.try_emplace(code, FetchCodeSpan{date, date});
      if (!added) {
        it->second.first = std::min(it->second.first, date);
        it->second.last = std::max(it->second.last, date);
      }
    }
    std::vector<store::PriceLogEntry> logs;
    if (!access.ReadPriceLogs(&logs) || !access.ok()) {
      summary.store_error = access.error().value_or(store::StoreError{});
      return summary;
    }
    std::map<std::string, store::PriceLogEntry> log_of;
    for (auto& row : logs) log_of.emplace(row.code, std::move(row));
    summary.codes = static_cast<int>(listed.size());
    for (const auto& [code, dates] : listed) {
      std::string secid = SecurityId(code);
      if (secid.empty()) {
        ++summary.other_exchange;
        continue;
      }
      std::optional<store::PriceLogEntry> log;
      if (auto it = log_of.find(code); it != log_of.end()) log = it->second;
      const auto ask = SpanToAsk(SpanWanted(dates.first, dates.last, request.today), log);
      if (!ask) {
        ++summary.up_to_date;
        continue;
      }
      asks.push_back({code, std::move(secid), *ask, std::move(log)});
    }
    if (auto error = access.CloseStore()) {
      summary.store_error = error;
      return summary;
    }
  }

  const int to_ask = static_cast<int>(asks.size());
  progress.OnStart(to_ask);
  download::PageFetcher fetcher(request.host, request.limits);
  download::AnswerKeeper keeper(request.answers_folder);
  int failures_in_row = 0;
  int refusals_in_row = 0;  // 429, 5xx, time-outs: the service asks us to slow down
  int done = 0;
  for (const Ask& ask : asks) {
    if (done > 0 || failures_in_row > 0) {
      int pause = request.gap_ms;
      if (refusals_in_row > 0) pause += request.backoff_ms << std::min(refusals_in_row - 1, 4);
      if (!FetchPause(std::chrono::milliseconds(pause), stop)) {
        summary.stopped = true;
        break;
      }
    }
    if (stop.stop_requested()) {
      summary.stopped = true;
      break;
    }
    ++summary.requests;
    const download::FetchResult got =
        fetcher.Fetch(KlineAddress(request.host, ask.secid, ask.span.from, ask.span.to), stop);
    if (got.failure == download::FetchFailure::kStopped) {
      summary.stopped = true;
      break;
    }
    store::PriceLogEntry log;
    if (ask.log) log = *ask.log;
    log.code = ask.code;
    log.fetched_at = FetchNow();
    std::vector<store::PriceBar> bars;
    bool failed = false;
    refusals_in_row = !got.ok && FetchRefused(got) ? refusals_in_row + 1 : 0;
    if (!got.ok) {
      failed = true;
      log.reason = FetchFailureReason(got);
    } else {
      KlineAnswer answer = ReadKlineAnswer(got.text);
      if (answer.kind == KlineKind::kBad) {
        failed = true;
        log.reason = answer.reason;
        if (auto kept = keeper.Keep(got.text, "kline-" + ask.code)) {
          summary.kept_answers.push_back(*kept);
          log.reason += " (kept in " + kept->filename().string() + ")";
        }
      } else {
        log.result = answer.kind == KlineKind::kBars ? store::PriceFetchResult::kBars
                                                     : store::PriceFetchResult::kNoBars;
        log.reason.clear();
        // The span answered joins the one held when they meet; else it
        // stands alone (the bars held before stay in the table).
        const bool meets = !log.from.empty() && ask.span.from >= log.from &&
                           ask.span.from <= FetchDayText(FetchDayOf(log.to).value_or(sys_days{}) + days(1));
        if (meets) {
          log.to = std::max(log.to, ask.span.to);
        } else {
          log.from = ask.span.from;
          log.to = ask.span.to;
        }
        bars = std::move(answer.bars);
      }
    }
    if (failed) log.result = store::PriceFetchResult::kFailed;
    {
      store::StoreAccess access = store.OpenStore(store::AccessMode::kWriter);
      bool ok = access.ok();
      if (ok && !failed) {
        std::vector<store::CodeBars> held;
        // The count held after this answer: the span's bars replace theirs.
        ok = access.ReadPriceBars("0000-00-00", "9999-99-99", &held, ask.code);
        int64_t outside = 0;
        if (ok && !held.empty())
          for (const auto& b : held.front().bars)
            if (b.date < ask.span.from || b.date > ask.span.to) ++outside;
        log.bars = outside + static_cast<int64_t>(bars.size());
      }
      ok = ok && (failed ? access.WritePriceLog(log) : access.StorePrices(bars, log));
      std::optional<store::StoreError> error = access.CloseStore();
      if (!ok || error) {
        summary.store_error = error.value_or(access.error().value_or(store::StoreError{}));
        return summary;
      }
    }
    ++done;
    if (failed) {
      ++summary.failed;
      ++failures_in_row;
    } else {
      failures_in_row = 0;
      if (log.result == store::PriceFetchResult::kBars) {
        ++summary.fetched;
        summary.bars_stored += static_cast<int64_t>(bars.size());
      } else {
        ++summary.no_bars;
      }
    }
    progress.OnCode(done, to_ask, ask.code, failed);
    if (failures_in_row >= kFailuresInARowToStop) {
      summary.gave_up = true;
      break;
    }
  }
  summary.not_asked = to_ask - done;
  return summary;
}

}  // namespace prices
