// quorvane-cli seats import|export and watch: the Seat identities as CSV,
// and the watch list.
#include <fstream>
#include <sstream>

#include "cli/commands.h"
#include "cli/messages.h"
#include "ranking/seat_identities.h"
#include "cli/output_file.h"
#include "seats/seat_csv.h"
#include "text/gbk.h"

namespace cli {
namespace {

// The stored book with every name of the store taken in (and saved); the
// exit status instead when the store fails (said on ctx.err) or a stop
// comes first.
std::optional<int> SeatsCommandBook(store::Store& store, CliContext& ctx, seats::SeatBook* book) {
  ranking::DateRange whole;
  whole.whole_store = true;
  const ranking::RangeScan scan =
      ranking::ScanRange(store, whole, true, [&ctx] { return ctx.stop.stop_requested(); });
  std::optional<store::StoreError> error = scan.error;
  if (!error && !scan.stopped) error = ranking::BookWithNames(store, scan.data, true, book);
  if (error) {
    Say(ctx.err, StoreFailureLine(*error, ctx.settings.store.file));
    return kStoreFailed;
  }
  if (scan.stopped) return kInterrupted;
  return std::nullopt;
}

// Writes the book back; false after saying why it could not be.
bool SaveSeatsCommandBook(store::Store& store, const seats::SeatBook& book, CliContext& ctx) {
  store::StoreAccess access = store.OpenStore();
  if (!seats::SaveSeatBook(access, book) || access.CloseStore()) {
    Say(ctx.err,
        StoreFailureLine(access.error().value_or(store::StoreError{}), ctx.settings.store.file));
    return false;
  }
  return true;
}

void SeatsCommandPrint(std::FILE* out, const std::string& line) {
  std::fputs((line + "\n").c_str(), out);
}

}  // namespace

int RunSeatsExportCommand(const std::optional<std::filesystem::path>& output, CliContext& ctx) {
  store::Store store(ctx.settings.store.file);
  seats::SeatBook book;
  if (auto status = SeatsCommandBook(store, ctx, &book)) return *status;
  std::string open_error;
  std::optional<Output> out =
      output ? Output::ToFile(*output, &open_error) : std::optional<Output>(Output(ctx.out));
  if (!out) {
    Say(ctx.err, open_error);
    return kBadUsage;
  }
  out->Write(seats::ExportSeatCsv(book));
  if (auto error = out->Commit()) {
    Say(ctx.err, *error);
    return kBadUsage;
  }
  Say(ctx.err, std::to_string(book.rows().identities.size()) + " identities");
  return kDone;
}

int RunSeatsImportCommand(const std::filesystem::path& file, CliContext& ctx) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    Say(ctx.err, "cannot read " + file.string());
    return kBadUsage;
  }
  std::ostringstream content;
  content << in.rdbuf();
  store::Store store(ctx.settings.store.file);
  seats::SeatBook book;
  if (auto status = SeatsCommandBook(store, ctx, &book)) return *status;
  int count = 0;
  if (auto refusal = seats::ImportSeatCsv(content.str(), &book, &count)) {
    Say(ctx.err, file.string() + ":" + std::to_string(refusal->line) + ": " + refusal->message +
                     "; nothing was imported");
    return kBadUsage;
  }
  if (!SaveSeatsCommandBook(store, book, ctx)) return kStoreFailed;
  Say(ctx.err, std::to_string(count) + (count == 1 ? " identity" : " identities") + " imported");
  return kDone;
}

int RunWatchCommand(const WatchOptions& options, CliContext& ctx) {
  store::Store store(ctx.settings.store.file);
  seats::SeatBook book;
  if (auto status = SeatsCommandBook(store, ctx, &book)) return *status;
  if (options.action == WatchOptions::Action::kList) {
    for (const store::WatchRow& w : book.rows().watch) {
      if (w.kind == 1) {
        SeatsCommandPrint(ctx.out, "code\t" + w.value);
        continue;
      }
      const int64_t id = std::stoll(w.value);
      const seats::Identity* row = book.Find(id);
      SeatsCommandPrint(ctx.out, "seat\t" + text::Utf8(book.NewestName(id)) + "\t" +
                         (row ? text::Utf8(row->nickname) : std::string()));
    }
    return kDone;
  }
  const bool on = options.action == WatchOptions::Action::kAdd;
  int kind = 1;
  std::string value;
  std::string shown;
  if (options.seat) {
    const auto gbk = text::Utf8ToGbkStrict(*options.seat);
    const std::optional<int64_t> id = gbk ? book.Resolve(*gbk) : std::nullopt;
    if (!id) {
      Say(ctx.err, "no single Seat is named or nicknamed \"" + *options.seat + "\"");
      return kBadUsage;
    }
    kind = 0;
    value = std::to_string(*id);
    shown = text::Utf8(book.NewestName(*id));
  } else if (options.code) {
    value = *options.code;
    shown = value;
  } else {
    Say(ctx.err, "watch " + std::string(on ? "add" : "remove") + " needs --seat NAME or --code CODE");
    return kBadUsage;
  }
  const bool changed = book.SetWatch(kind, value, on);
  if (changed && !SaveSeatsCommandBook(store, book, ctx)) return kStoreFailed;
  Say(ctx.err, (changed ? (on ? "watching " : "no longer watching ")
                        : (on ? "already watching " : "not watching ")) +
                   shown);
  return kDone;
}

}  // namespace cli
