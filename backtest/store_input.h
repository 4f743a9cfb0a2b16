// What a back-test reads from Data.edb: the listings of a range with their
// Seats as identities (kinds from the Seat book), the daily bars each
// listing's trade can reach up to the longest hold, and the watch list. Both the command line and the page read through here.
//
// How to call it (off the user-interface thread; a million listings take
// seconds):
//
//   store::Store store(path);
//   backtest::StoreInputRead read = backtest::ReadStoreInput(store, range, 20, stop);
//   if (read.error) { /* store::ErrorMessage(*read.error): nothing read */ }
//   backtest::SeatRule who;
//   backtest::SeatNames named = backtest::ResolveSeatNames(read.input, {gbk_name});
//   // named.unknown: the names no identity answers to, as given
//   who.identities = named.identities;      // or read.input.UseWatchList(who)
//   const std::string seat = read.input.SeatName(row.seat_identity);  // GBK
//   backtest::Backtester bt(std::move(read.input.data));  // record_numbers stay
//
// `max_hold` is the longest hold (trading days) a rule over this input may
// ask for; holds up to it close inside the bars read.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "backtest/market_data.h"
#include "backtest/rule.h"
#include "seats/seat_book.h"
#include "store/record_store.h"

namespace backtest {

struct StoreInput {
  // Listings of the range + bars from before the range to after it.
  MarketData data;
  // Parallel to data.Listings(): the listing's record number.
  std::vector<int64_t> record_numbers;
  // The stored Seat book with the range's new names taken in (not saved).
  seats::SeatBook book;
  // The watch list: identities and stock codes.
  std::vector<uint32_t> watched_identities;
  std::vector<std::string> watched_codes;
  // Listings of the range that were not read: a date or code that is no
  // date or code.
  int64_t unreadable = 0;

  // The shown name of an identity (its newest name, GBK); empty for none.
  std::string SeatName(uint32_t identity) const;
  // Makes `rule` follow the watch list.
  void UseWatchList(SeatRule& rule) const;

  // Every identity's newest name, made once by the reader.
  std::unordered_map<int64_t, std::string> newest_names;
};

struct StoreInputRead {
  StoreInput input;
  // The store could not be opened or failed: nothing is to be used.
  std::optional<store::StoreError> error;
  bool stopped = false;
  // The read wrote packed copies of listings to the store (which changes
  // its stamp); the listings themselves were not changed.
  bool wrote_listing_packs = false;
  // Listings that came from packs already in the store.
  int64_t listings_from_packs = 0;
  // The read wrote excerpts of the bars to the store (which changes its
  // stamp); the bars themselves were not changed.
  bool wrote_bar_excerpts = false;
};

// Reads everything a rule over `range` needs. A range without ends reads
// the whole store. `stop` is asked between listings. The listings come
// from their packed copies (backtest/packed_listings.h) unless
// `use_listing_packs` is false; the bars from their excerpts
// (store/bar_excerpts.h) unless `use_bar_excerpts` is false.
StoreInputRead ReadStoreInput(store::Store& store, const DayRange& range, int max_hold,
                              const std::function<bool()>& stop = {},
                              bool use_listing_packs = true, bool use_bar_excerpts = true);

// The bars ReadStoreInput reads for the listings already in `data`: of
// each listed stock, only the bars a trade of one of its listings can
// reach with a hold up to `max_hold` (the close before the listing day to
// the end of the hold), and the trading calendar of every bar within the
// dates read. A longer hold finds its bars missing, never others. An error
// leaves some codes' bars set and others not.
//
// With a `max_hold` up to store::kBarExcerptHold, a stock's bars come from
// its excerpt where the store has one made for its listings, else from its
// packed row or the bars table, and the read (with `use_excerpts`) writes
// excerpts of the stocks it unpacked, for the next read;
// `wrote_excerpts` says whether it did. Either way the bars kept and the
// calendar are the same.
std::optional<store::StoreError> ReadStoreInputBars(store::Store& store, const DayRange& range,
                                                    int max_hold, MarketData& data,
                                                    bool use_excerpts = true,
                                                    bool* wrote_excerpts = nullptr);

struct SeatNames {
  std::vector<uint32_t> identities;  // in the order given, each once
  std::vector<std::string> unknown;  // names that matched no identity (as given)
};
// Names, nicknames or a unique part of one (GBK) to identities.
SeatNames ResolveSeatNames(const StoreInput& input, const std::vector<std::string>& names_gbk);

// The board a stock code is listed on ("沪市", "深市", "中小板", GBK);
// empty for other codes.
std::string BoardOfStockCode(std::string_view code);

}  // namespace backtest
