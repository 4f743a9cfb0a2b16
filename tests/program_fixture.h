// A whole program for handler tests: the window model, a scripted platform,
// a real store in a temporary folder and the program-wide values.
#pragma once

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "program/program_context.h"
#include "program/program_state.h"
#include "store/price_bars.h"
#include "store/record_store.h"
#include "tests/test_support.h"
#include "ui/main_window.h"
#include "ui/scripted_platform.h"

namespace testing_support {

// One Seat: name, buying amount, selling amount (GBK or ASCII texts).
using Seat = std::tuple<std::string, std::string, std::string>;

// The nine fields of one StockListing, GBK.
struct ListingRecord {
  std::array<std::string, store::kFieldCount> fields;
  std::string& operator[](int field) { return fields[static_cast<size_t>(field - 1)]; }
};

// A Seat block: the seats' values joined by "|".
std::string SeatBlock(const std::vector<Seat>& seats);

// A listing with five buying and five selling seats named "买1".."买5",
// "卖1".."卖5", each with the given amounts. name is UTF-8.
ListingRecord MakeListing(const std::string& date, const std::string& name_utf8,
                          const std::string& code, const std::string& turnover,
                          const std::string& buy_amount = "100000.00",
                          const std::string& sell_amount = "50000.00");

// A listing as MakeListing makes it with turnover "10000", but with these
// buying and selling Seats.
ListingRecord SeatsListing(const std::string& date, const std::string& name_utf8,
                           const std::string& code, const std::vector<Seat>& buys,
                           const std::vector<Seat>& sells);

// A daily bar opening and closing as given, its high and low the larger and
// smaller of the two, volume and amount 1.
store::PriceBar DailyBar(const std::string& date, double open, double close);

// Appends the records to the store, one batch.
void WriteListings(store::Store& store, const std::vector<ListingRecord>& records);

// Field `field` of every record, in record order.
std::vector<std::string> ReadColumn(store::Store& store, int field);

struct TestProgram {
  TestProgram();
  TempDir dir;
  store::Store store;
  ui::MainWindow window;
  ui::ScriptedPlatform platform;
  program::ProgramState state;
  program::ProgramSettings settings;
  program::ProgramContext ctx;
};

}  // namespace testing_support
