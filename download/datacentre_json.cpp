#include "download/datacentre_json.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "text/gbk.h"
#include "text/text_ops.h"

namespace download {
namespace {

using Json = nlohmann::json;

struct DataCentreTexts {
  std::string mark = text::Gbk("□");
  std::string bar = text::Gbk("｜");
};

const DataCentreTexts& DataCentreT() {
  static const DataCentreTexts texts;
  return texts;
}

// Byte length of the UTF-8 sequence at `i`, 0 when none starts there.
size_t Utf8Length(std::string_view s, size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  size_t n = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0)
    n = 2;
  else if ((lead & 0xF0) == 0xE0)
    n = 3;
  else if ((lead & 0xF8) == 0xF0)
    n = 4;
  else
    return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

// Cents of an amount, nullopt when it cannot be one.
std::optional<int64_t> Cents(double value) {
  if (!std::isfinite(value) || std::fabs(value) >= 1e15) return std::nullopt;
  return static_cast<int64_t>(std::llround(value));
}

std::string CentsText(int64_t cents, bool separators) {
  const bool negative = cents < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(cents) : static_cast<uint64_t>(cents);
  const std::string whole = std::to_string(magnitude / 100);
  std::string out;
  out.reserve(whole.size() * 2 + 4);
  if (negative) out += '-';
  for (size_t i = 0; i < whole.size(); ++i) {
    if (separators && i > 0 && (whole.size() - i) % 3 == 0) out += ',';
    out += whole[i];
  }
  const unsigned rest = static_cast<unsigned>(magnitude % 100);
  out += '.';
  out += static_cast<char>('0' + rest / 10);
  out += static_cast<char>('0' + rest % 10);
  return out;
}

std::string StringField(const Json& row, const char* key) {
  const auto it = row.find(key);
  if (it == row.end() || !it->is_string()) return {};
  return it->get_ref<const std::string&>();
}

// A code given as a text or as a whole number.
std::string CodeField(const Json& row, const char* key) {
  const auto it = row.find(key);
  if (it != row.end() && (it->is_number_integer() || it->is_number_unsigned())) return it->dump();
  return StringField(row, key);
}

// A number, or a text that is one number; nullopt for null, an absent
// value, "" and "-", and for anything else, which is counted in `odd`.
std::optional<double> NumberField(const Json& row, const char* key, int& odd) {
  const auto it = row.find(key);
  if (it == row.end() || it->is_null()) return std::nullopt;
  if (it->is_number()) return it->get<double>();
  if (it->is_string()) {
    const std::string& s = it->get_ref<const std::string&>();
    if (s.empty() || s == "-") return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(s.c_str(), &end);
    if (end == s.c_str() + s.size() && std::isfinite(value)) return value;
  }
  ++odd;
  return std::nullopt;
}

// "YYYY-MM-DD" at the start of a TRADE_DATE ("2010-06-04 00:00:00"); empty
// when it does not start with one.
std::string DateField(const Json& row) {
  std::string date = StringField(row, "TRADE_DATE").substr(0, 10);
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return {};
  for (const size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (date[i] < '0' || date[i] > '9') return {};
  return date;
}

// The shape both reports share. Calls `take` with every element of "data"
// that is an object; `take` says whether it made a row of it.
template <typename Row, typename Take>
CentreAnswer<Row> ReadAnswer(std::string_view body, Take take) {
  CentreAnswer<Row> answer;
  const Json doc = Json::parse(body.begin(), body.end(), nullptr, /*allow_exceptions=*/false);
  if (doc.is_discarded()) {
    answer.problem = "not JSON";
    return answer;
  }
  if (!doc.is_object()) {
    answer.problem = "not a JSON object";
    return answer;
  }
  if (const auto code = doc.find("code"); code != doc.end() && code->is_number_integer())
    answer.code = code->get<int64_t>();
  if (const auto message = doc.find("message"); message != doc.end() && message->is_string())
    answer.message = message->get_ref<const std::string&>();
  const auto success = doc.find("success");
  const bool refused = success != doc.end() && success->is_boolean() && !success->get<bool>() &&
                       answer.code != kNoDataCode;
  const auto result = doc.find("result");
  if (result == doc.end() || result->is_null()) {
    // Nothing to read: an empty day, or a refusal with its reason.
    if (refused) {
      answer.kind = AnswerKind::kRefused;
    } else if (result != doc.end()) {
      answer.kind = AnswerKind::kNoData;
    } else {
      answer.problem = "no \"result\"";
    }
    return answer;
  }
  if (!result->is_object()) {
    answer.problem = "\"result\" is no object";
    return answer;
  }
  const auto data = result->find("data");
  if (data == result->end() || !data->is_array()) {
    answer.problem = "no \"result.data\" list";
    return answer;
  }
  answer.pages = 1;
  const auto pages = result->find("pages");
  if (pages != result->end()) {
    if (!pages->is_number_integer()) {
      answer.problem = "\"result.pages\" is no whole number";
      return answer;
    }
    const auto n = pages->get<int64_t>();
    if (n == 0 && data->empty()) {
      answer.kind = AnswerKind::kNoData;
      answer.pages = 0;
      return answer;
    }
    if (n < 1 || n > 100'000) {
      answer.problem = "\"result.pages\" is " + std::to_string(n);
      return answer;
    }
    answer.pages = static_cast<int>(n);
  }
  answer.rows.reserve(data->size());
  for (const Json& element : *data) {
    if (!element.is_object() || !take(element, answer)) ++answer.unreadable;
  }
  answer.kind = AnswerKind::kRows;
  return answer;
}

}  // namespace

const std::string& UnmappedMark() {
  return DataCentreT().mark;
}

std::string GbkWithMarks(std::string_view utf8, int& replaced) {
  std::string out;
  if (utf8.find('|') == std::string_view::npos) {
    if (auto whole = text::Utf8ToGbkStrict(utf8)) return *whole;
  }
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const size_t n = Utf8Length(utf8, i);
    if (n == 0) {
      out += DataCentreT().mark;
      ++replaced;
      ++i;
      continue;
    }
    if (utf8[i] == '|') {
      out += DataCentreT().bar;
    } else if (auto piece = text::Utf8ToGbkStrict(utf8.substr(i, n))) {
      out += *piece;
    } else {
      out += DataCentreT().mark;
      ++replaced;
    }
    i += n;
  }
  return out;
}

std::optional<Market> BoardOfCode(std::string_view code, std::string_view secucode) {
  if (code.size() != 6) return std::nullopt;
  for (const char c : code)
    if (c < '0' || c > '9') return std::nullopt;
  std::optional<Market> board;
  std::string_view exchange;
  if (code[0] == '6') {
    board = Market::kShanghai;
    exchange = "SH";
  } else if (code.substr(0, 3) == "002") {
    board = Market::kSmeBoard;
    exchange = "SZ";
  } else if (code[0] == '0' || code[0] == '3') {
    board = Market::kShenzhen;
    exchange = "SZ";
  } else {
    return std::nullopt;
  }
  if (!secucode.empty()) {
    const size_t dot = secucode.find('.');
    if (dot == std::string_view::npos || secucode.substr(0, dot) != code ||
        secucode.substr(dot + 1) != exchange)
      return std::nullopt;
  }
  return board;
}

std::string YuanText(double yuan) {
  const auto cents = Cents(yuan * 100.0);
  return cents ? CentsText(*cents, false) : std::string();
}

std::string TenThousandYuanText(double yuan) {
  // Hundredths of 10,000 yuan are hundreds of yuan.
  const auto hundredths = Cents(yuan / 100.0);
  return hundredths ? CentsText(*hundredths, true) : std::string();
}

std::string PercentText(double rate) {
  const auto hundredths = Cents(rate * 100.0);
  return hundredths ? CentsText(*hundredths, false) + "%" : std::string();
}

CentreAnswer<CentreListing> ReadListingAnswer(std::string_view body, std::string_view date) {
  return ReadAnswer<CentreListing>(body, [date](const Json& row, auto& answer) {
    CentreListing l;
    l.code = StringField(row, "SECURITY_CODE");
    l.date = DateField(row);
    if (l.code.empty() || l.date.empty() || (!date.empty() && l.date != date)) return false;
    int& odd = answer.odd_values;
    l.secucode = StringField(row, "SECUCODE");
    l.name = StringField(row, "SECURITY_NAME_ABBR");
    l.explanation = StringField(row, "EXPLANATION");
    l.change_rate = NumberField(row, "CHANGE_RATE", odd);
    l.turnover = NumberField(row, "ACCUM_AMOUNT", odd);
    l.close = NumberField(row, "CLOSE_PRICE", odd);
    l.turnover_rate = NumberField(row, "TURNOVERRATE", odd);
    l.free_market_cap = NumberField(row, "FREE_MARKET_CAP", odd);
    l.list_buy = NumberField(row, "BILLBOARD_BUY_AMT", odd);
    l.list_sell = NumberField(row, "BILLBOARD_SELL_AMT", odd);
    l.list_net = NumberField(row, "BILLBOARD_NET_AMT", odd);
    l.list_deal = NumberField(row, "BILLBOARD_DEAL_AMT", odd);
    l.net_ratio = NumberField(row, "DEAL_NET_RATIO", odd);
    l.deal_ratio = NumberField(row, "DEAL_AMOUNT_RATIO", odd);
    l.explain = StringField(row, "EXPLAIN");
    l.after_1_day = NumberField(row, "D1_CLOSE_ADJCHRATE", odd);
    l.after_2_days = NumberField(row, "D2_CLOSE_ADJCHRATE", odd);
    l.after_5_days = NumberField(row, "D5_CLOSE_ADJCHRATE", odd);
    l.after_10_days = NumberField(row, "D10_CLOSE_ADJCHRATE", odd);
    answer.rows.push_back(std::move(l));
    return true;
  });
}

CentreAnswer<CentreSeat> ReadSeatAnswer(std::string_view body, std::string_view date) {
  return ReadAnswer<CentreSeat>(body, [date](const Json& row, auto& answer) {
    CentreSeat seat;
    seat.date = DateField(row);
    if (!date.empty() && seat.date != date) return false;
    int& odd = answer.odd_values;
    seat.name = StringField(row, "OPERATEDEPT_NAME");
    seat.explanation = StringField(row, "EXPLANATION");
    seat.buy = NumberField(row, "BUY", odd);
    seat.sell = NumberField(row, "SELL", odd);
    seat.code = StringField(row, "SECURITY_CODE");
    seat.branch = CodeField(row, "OPERATEDEPT_CODE");
    seat.branch_old = CodeField(row, "OPERATEDEPT_CODE_OLD");
    answer.rows.push_back(std::move(seat));
    return true;
  });
}

std::vector<BlockSeat> BlockSeatsOf(const std::vector<CentreSeat>& seats,
                                    std::string_view explanation, int& replaced) {
  bool any_of_reason = false;
  for (const CentreSeat& s : seats) any_of_reason |= s.explanation == explanation;
  auto amount = [](const std::optional<double>& yuan) {
    std::string t = yuan ? YuanText(*yuan) : std::string();
    return t.empty() ? std::string("0.00") : t;
  };
  std::vector<BlockSeat> block;
  block.reserve(5);
  size_t bytes = 0;
  for (const CentreSeat& s : seats) {
    if (block.size() == 5) break;
    if (any_of_reason && s.explanation != explanation) continue;
    BlockSeat& b = block.emplace_back();
    b.seat = &s;
    b.name = GbkWithMarks(s.name, replaced);
    b.buy = amount(s.buy);
    b.sell = amount(s.sell);
    bytes += b.name.size() + b.buy.size() + b.sell.size();
  }
  // Fourteen separators join the fifteen values; the names give way until
  // the five fit the field, so that no amount is cut off.
  const size_t width = static_cast<size_t>(store::kListingFields[store::kBuySeats - 1].width);
  while (bytes + 14 > width) {
    BlockSeat* longest = nullptr;
    for (BlockSeat& b : block)
      if (!longest || b.name.size() > longest->name.size()) longest = &b;
    if (!longest || longest->name.empty()) break;
    const size_t before = longest->name.size();
    longest->name = std::string(text::CutToWidth(longest->name, before - 1));
    bytes -= before - longest->name.size();
  }
  return block;
}

std::string SeatBlockOf(const std::vector<CentreSeat>& seats, std::string_view explanation,
                        int& replaced) {
  const std::vector<BlockSeat> chosen = BlockSeatsOf(seats, explanation, replaced);
  std::string block;
  block.reserve(320);
  for (const BlockSeat& b : chosen) AppendSeatEntry(block, b.name, b.buy, b.sell);
  // An empty Seat is "||": its name and both amounts empty. The first one
  // of an empty block starts it without a separator before it.
  for (size_t taken = chosen.size(); taken < 5; ++taken) {
    if (taken > 0) block += '|';
    block += "||";
  }
  return block;
}

ScrapedListing MapListing(const CentreListing& listing, const std::vector<CentreSeat>& buys,
                          const std::vector<CentreSeat>& sells, int& replaced) {
  ScrapedListing row;
  row.name = GbkWithMarks(listing.name, replaced);
  row.code = GbkWithMarks(listing.code, replaced);
  row.reason = ShortenReason(GbkWithMarks(listing.explanation, replaced));
  if (listing.change_rate) row.value = PercentText(*listing.change_rate);
  if (listing.turnover) row.turnover = TenThousandYuanText(*listing.turnover);
  row.buy_seats = SeatBlockOf(buys, listing.explanation, replaced);
  row.sell_seats = SeatBlockOf(sells, listing.explanation, replaced);
  return row;
}

store::ListingExtras ExtrasOf(const CentreListing& listing, std::string_view date) {
  int replaced = 0;  // counted once, where the nine fields take the texts
  store::ListingExtras e;
  e.date = std::string(date);
  e.code = GbkWithMarks(listing.code, replaced);
  e.reason = GbkWithMarks(listing.explanation, replaced);
  e.close = listing.close;
  e.change_rate = listing.change_rate;
  e.turnover_rate = listing.turnover_rate;
  e.free_float_value = listing.free_market_cap;
  e.list_buy = listing.list_buy;
  e.list_sell = listing.list_sell;
  e.list_net = listing.list_net;
  e.list_deal = listing.list_deal;
  e.net_ratio = listing.net_ratio;
  e.deal_ratio = listing.deal_ratio;
  e.explain = GbkWithMarks(listing.explain, replaced);
  e.after_1_day = listing.after_1_day;
  e.after_2_days = listing.after_2_days;
  e.after_5_days = listing.after_5_days;
  e.after_10_days = listing.after_10_days;
  return e;
}

std::vector<store::SeatCode> SeatCodesOf(const CentreListing& listing, std::string_view date,
                                         const std::vector<CentreSeat>& buys,
                                         const std::vector<CentreSeat>& sells) {
  int replaced = 0;  // counted once, where the Seat blocks take the names
  std::vector<store::SeatCode> codes;
  const std::string code = GbkWithMarks(listing.code, replaced);
  const std::string reason = GbkWithMarks(listing.explanation, replaced);
  for (const int side : {0, 1}) {
    int position = 0;
    for (BlockSeat& b : BlockSeatsOf(side == 0 ? buys : sells, listing.explanation, replaced)) {
      store::SeatCode& c = codes.emplace_back();
      c.date = std::string(date);
      c.code = code;
      c.reason = reason;
      c.side = side;
      c.position = ++position;
      c.name = std::move(b.name);
      c.branch = GbkWithMarks(b.seat->branch, replaced);
      c.branch_old = GbkWithMarks(b.seat->branch_old, replaced);
    }
  }
  return codes;
}

}  // namespace download
