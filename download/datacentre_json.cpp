#include "download/datacentre_json.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "text/gbk.h"

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

// A number, or a text that is one whole number; nullopt for null, "-" and
// anything else.
std::optional<double> NumberField(const Json& row, const char* key) {
  const auto it = row.find(key);
  if (it == row.end()) return std::nullopt;
  if (it->is_number()) return it->get<double>();
  if (!it->is_string()) return std::nullopt;
  const std::string& s = it->get_ref<const std::string&>();
  if (s.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size()) return std::nullopt;
  return value;
}

// The shape both reports share. Calls `take` with every element of "data".
template <typename Row, typename Take>
CentreAnswer<Row> ReadAnswer(std::string_view body, Take take) {
  CentreAnswer<Row> answer;
  const Json doc = Json::parse(body.begin(), body.end(), nullptr, /*allow_exceptions=*/false);
  if (doc.is_discarded() || !doc.is_object()) return answer;
  const auto result = doc.find("result");
  if (result == doc.end()) return answer;
  if (result->is_null()) {
    answer.ok = true;
    return answer;
  }
  if (!result->is_object()) return answer;
  const auto data = result->find("data");
  if (data == result->end() || !data->is_array()) return answer;
  answer.pages = 1;
  const auto pages = result->find("pages");
  if (pages != result->end() && pages->is_number_integer()) {
    const auto n = pages->get<int64_t>();
    if (n < 1 || n > 100'000) return answer;
    answer.pages = static_cast<int>(n);
  }
  answer.rows.reserve(data->size());
  for (const Json& element : *data) {
    if (!element.is_object() || !take(element, answer.rows)) ++answer.unreadable;
  }
  answer.ok = true;
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

CentreAnswer<CentreListing> ReadListingAnswer(std::string_view body) {
  return ReadAnswer<CentreListing>(body, [](const Json& row, std::vector<CentreListing>& rows) {
    CentreListing listing;
    listing.code = StringField(row, "SECURITY_CODE");
    if (listing.code.empty()) return false;
    listing.secucode = StringField(row, "SECUCODE");
    listing.name = StringField(row, "SECURITY_NAME_ABBR");
    listing.date = StringField(row, "TRADE_DATE").substr(0, 10);
    listing.explanation = StringField(row, "EXPLANATION");
    listing.change_rate = NumberField(row, "CHANGE_RATE");
    listing.turnover = NumberField(row, "ACCUM_AMOUNT");
    rows.push_back(std::move(listing));
    return true;
  });
}

CentreAnswer<CentreSeat> ReadSeatAnswer(std::string_view body) {
  return ReadAnswer<CentreSeat>(body, [](const Json& row, std::vector<CentreSeat>& rows) {
    CentreSeat seat;
    seat.name = StringField(row, "OPERATEDEPT_NAME");
    seat.explanation = StringField(row, "EXPLANATION");
    seat.buy = NumberField(row, "BUY");
    seat.sell = NumberField(row, "SELL");
    rows.push_back(std::move(seat));
    return true;
  });
}

std::string SeatBlockOf(const std::vector<CentreSeat>& seats, std::string_view explanation,
                        int& replaced) {
  bool any_of_reason = false;
  for (const CentreSeat& s : seats) any_of_reason |= s.explanation == explanation;
  std::string block;
  block.reserve(320);
  int taken = 0;
  auto amount = [](const std::optional<double>& yuan) {
    std::string t = yuan ? YuanText(*yuan) : std::string();
    return t.empty() ? std::string("0.00") : t;
  };
  for (const CentreSeat& s : seats) {
    if (taken == 5) break;
    if (any_of_reason && s.explanation != explanation) continue;
    AppendSeatEntry(block, GbkWithMarks(s.name, replaced), amount(s.buy), amount(s.sell));
    ++taken;
  }
  // An empty Seat is "||": its name and both amounts empty. The first one
  // of an empty block starts it without a separator before it.
  for (; taken < 5; ++taken) {
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

}  // namespace download
