#include "seats/summary.h"

#include <cstdio>

#include "text/gbk.h"
#include "text/numbers.h"

namespace seats {
namespace {

double SummaryWan(double yuan) {
  return text::RoundHalfAway(yuan / 10000, 2);
}

SummaryItem SummaryAmounts(SummaryItem item, double buy_yuan, double sell_yuan) {
  item.buy = SummaryWan(buy_yuan);
  item.sell = SummaryWan(sell_yuan);
  item.net = text::RoundHalfAway(item.buy - item.sell, 2);
  return item;
}

std::string SummaryFigure(double wan) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.2f", wan);
  return buffer;
}

void SummaryJsonString(std::string_view utf8, std::string& out) {
  out += '"';
  for (const char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
      out += buffer;
    } else {
      out += c;
    }
  }
  out += '"';
}

std::string SummaryHtmlEscape(std::string_view utf8) {
  std::string out;
  for (const char c : utf8) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

// Markdown table cells: a bar or a line break would end the cell.
std::string SummaryMarkdownCell(std::string_view utf8) {
  std::string out;
  for (const char c : utf8) {
    if (c == '|') out += "\\|";
    else if (c == '\n' || c == '\r') out += ' ';
    else if (c == '<') out += "&lt;";
    else out += c;
  }
  return out;
}

std::string SummaryNothing(const Summary& s) {
  if (s.watched_seats == 0 && s.watched_codes == 0)
    return "Nothing is watched: add Seats or codes with quorvane-cli watch add (--seat NAME | "
           "--code CODE).";
  return "No listing of " + s.date + " involves a watched Seat or code (" +
         std::to_string(s.watched_seats) + " Seats and " + std::to_string(s.watched_codes) +
         " codes watched).";
}

}  // namespace

Summary MakeSummary(const std::string& date, const std::vector<DayListing>& listings,
                    const SeatBook& book) {
  Summary s;
  s.date = date;
  for (const store::WatchRow& w : book.rows().watch) (w.kind == 0 ? s.watched_seats : s.watched_codes)++;
  for (const DayListing& l : listings) {
    const size_t first_item = s.items.size();
    if (book.WatchedCode(l.code)) {
      SummaryItem item;
      item.code = l.code;
      item.name = l.name;
      item.buy_side = l.buying >= l.selling;
      s.items.push_back(SummaryAmounts(std::move(item), l.buying, l.selling));
    }
    for (const DaySeat& seat : l.seats) {
      const std::optional<int64_t> id = book.IdentityOfName(seat.name);
      if (!id || !book.Watched(*id)) continue;
      const Identity* row = book.Find(*id);
      SummaryItem item;
      item.code = l.code;
      item.name = l.name;
      item.seat = seat.name;
      if (row) {
        item.nickname = row->nickname;
        item.kind = row->kind;
      }
      item.buy_side = seat.in_buy;
      s.items.push_back(SummaryAmounts(std::move(item), seat.buy, seat.sell));
    }
    const double listing_net =
        text::RoundHalfAway(SummaryWan(l.buying) - SummaryWan(l.selling), 2);
    for (size_t i = first_item; i < s.items.size(); ++i) {
      s.items[i].listing_net = listing_net;
      s.items[i].listing = static_cast<size_t>(&l - listings.data());
    }
  }
  return s;
}

std::string SummaryJson(const Summary& summary) {
  std::string out = "{\"date\": ";
  SummaryJsonString(summary.date, out);
  out += ", \"items\": [";
  bool first = true;
  for (const SummaryItem& item : summary.items) {
    out += first ? "" : ", ";
    first = false;
    out += "{\"code\": ";
    SummaryJsonString(item.code, out);
    out += ", \"name\": ";
    SummaryJsonString(text::Utf8(item.name), out);
    out += ", \"seat\": ";
    SummaryJsonString(text::Utf8(item.seat), out);
    out += ", \"nickname\": ";
    SummaryJsonString(text::Utf8(item.nickname), out);
    out += ", \"kind\": ";
    SummaryJsonString(text::Utf8(item.kind), out);
    out += std::string(", \"side\": \"") + (item.buy_side ? "buy" : "sell") + "\"";
    out += ", \"buy\": " + SummaryFigure(item.buy);
    out += ", \"sell\": " + SummaryFigure(item.sell);
    out += ", \"net\": " + SummaryFigure(item.net) + "}";
  }
  out += "]}\n";
  return out;
}

std::string FormatSummary(const Summary& s, SummaryFormat format) {
  if (format == SummaryFormat::kJson) return SummaryJson(s);
  const char* const headers[] = {"code", "name", "seat", "nickname", "kind",
                                 "side", "buy",  "sell", "net"};
  auto cells = [](const SummaryItem& item) {
    return std::vector<std::string>{item.code,
                                    text::Utf8(item.name),
                                    text::Utf8(item.seat),
                                    text::Utf8(item.nickname),
                                    text::Utf8(item.kind),
                                    item.buy_side ? "buy" : "sell",
                                    SummaryFigure(item.buy),
                                    SummaryFigure(item.sell),
                                    SummaryFigure(item.net)};
  };
  std::string out;
  switch (format) {
    case SummaryFormat::kText:
      out = "Watched on " + s.date + "\n";
      if (s.items.empty()) return out + SummaryNothing(s) + "\n";
      for (const SummaryItem& item : s.items) {
        const auto c = cells(item);
        out += c[0] + " " + c[1] + "  " + (c[2].empty() ? std::string("(code)") : c[2]) +
               (c[3].empty() ? std::string() : " [" + c[3] + "]") + "  " + c[5] + "  buy " +
               c[6] + "  sell " + c[7] + "  net " + c[8] + "\n";
      }
      return out;
    case SummaryFormat::kMarkdown: {
      out = "## Watched on " + s.date + "\n\n";
      if (s.items.empty()) return out + SummaryNothing(s) + "\n";
      std::string rule = "|";
      out += "|";
      for (const char* h : headers) {
        out += std::string(" ") + h + " |";
        rule += " --- |";
      }
      out += "\n" + rule + "\n";
      for (const SummaryItem& item : s.items) {
        out += "|";
        for (const std::string& c : cells(item)) out += " " + SummaryMarkdownCell(c) + " |";
        out += "\n";
      }
      return out;
    }
    case SummaryFormat::kHtml: {
      out = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Watched on " + s.date +
            "</title></head><body>\n<h2>Watched on " + s.date + "</h2>\n";
      if (s.items.empty()) return out + "<p>" + SummaryHtmlEscape(SummaryNothing(s)) + "</p>\n</body></html>\n";
      out += "<table>\n<tr>";
      for (const char* h : headers) out += std::string("<th>") + h + "</th>";
      out += "</tr>\n";
      for (const SummaryItem& item : s.items) {
        out += "<tr>";
        for (const std::string& c : cells(item)) out += "<td>" + SummaryHtmlEscape(c) + "</td>";
        out += "</tr>\n";
      }
      return out + "</table>\n</body></html>\n";
    }
    case SummaryFormat::kJson:
      break;
  }
  return SummaryJson(s);
}

}  // namespace seats
