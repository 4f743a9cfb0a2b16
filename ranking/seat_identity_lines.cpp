#include "ranking/seat_identity_lines.h"

#include <algorithm>
#include <unordered_map>

#include "text/gbk.h"
#include "text/numbers.h"
#include "text/text_ops.h"

namespace ranking {
namespace {

using text::Gbk;

// The hidden last column of a ranking's lines holds the row's Seat number.
uint32_t SeatOfLine(const GridLines& lines, int row) {
  const ui::Cell& key = lines.cells[static_cast<size_t>(row) * lines.columns + (lines.columns - 1)];
  return static_cast<uint32_t>(text::IntegerFromText(key.text));
}

}  // namespace

SeatRowFacts MakeSeatRowFacts(const RangeData& d, const std::vector<int64_t>& identities,
                              const seats::SeatBook& book) {
  const size_t count = d.seats.size();
  SeatRowFacts facts;
  facts.kinds.resize(count);
  facts.identities = identities;
  facts.identities.resize(count, 0);
  facts.tips.resize(count);
  // The names of the identities the range holds, gathered in one pass over
  // the book (a book of many thousand identities must not be walked per Seat).
  std::unordered_map<int64_t, std::vector<const store::SeatNameRow*>> names;
  for (size_t s = 0; s < count; ++s)
    if (facts.identities[s] != 0) names[facts.identities[s]];
  for (const store::SeatNameRow& row : book.rows().names) {
    auto it = names.find(row.identity);
    if (it != names.end()) it->second.push_back(&row);
  }
  static const std::string heading = Gbk("曾用名：");
  for (size_t s = 0; s < count; ++s) {
    const int64_t id = facts.identities[s];
    std::optional<seats::Kind> kind = id ? book.KindOf(id) : std::nullopt;
    facts.kinds[s] = kind.value_or(seats::AutomaticKind(d.seats[static_cast<uint32_t>(s)]));
    if (!id) continue;
    std::vector<const store::SeatNameRow*>& rows = names[id];
    if (rows.size() < 2) continue;
    std::sort(rows.begin(), rows.end(), [](const auto* x, const auto* y) {
      if (x->last_seen != y->last_seen) return x->last_seen > y->last_seen;
      return x->name < y->name;
    });
    // The newest is the row's own name; the others, newest first, one a line.
    std::string tip = heading;
    for (size_t k = 1; k < rows.size(); ++k) {
      tip += "\n" + rows[k]->name;
      if (!rows[k]->last_seen.empty()) tip += Gbk("（至 ") + rows[k]->last_seen + Gbk("）");
    }
    facts.tips[s] = std::move(tip);
  }
  return facts;
}

void AddNicknames(GridLines& lines, const std::vector<int64_t>& identities,
                  const seats::SeatBook& book) {
  static const std::string open = Gbk("（"), close = Gbk("）");
  for (int r = 0; r < lines.rows(); ++r) {
    const uint32_t seat = SeatOfLine(lines, r);
    if (seat >= identities.size() || identities[seat] == 0) continue;
    const seats::Identity* identity = book.Find(identities[seat]);
    if (!identity || identity->nickname.empty()) continue;
    lines.cells[static_cast<size_t>(r) * lines.columns].text += open + identity->nickname + close;
  }
}

std::optional<seats::Kind> SeatKindOfChoice(int choice) {
  if (choice < 1 || choice > seats::kKindCount) return std::nullopt;
  return static_cast<seats::Kind>(choice - 1);
}

GridLines KeepKindLines(const GridLines& lines, const SeatRowFacts& facts, seats::Kind kind) {
  GridLines kept;
  kept.columns = lines.columns;
  kept.titles = lines.titles;
  kept.widths = lines.widths;
  const size_t width = static_cast<size_t>(lines.columns);
  for (int r = 0; r < lines.rows(); ++r) {
    const uint32_t seat = SeatOfLine(lines, r);
    if (seat >= facts.kinds.size() || facts.kinds[seat] != kind) continue;
    const auto first = lines.cells.begin() + static_cast<ptrdiff_t>(r * width);
    kept.cells.insert(kept.cells.end(), first, first + static_cast<ptrdiff_t>(width));
  }
  return kept;
}

void PutSeatTips(ui::Grid& grid, int rows, const SeatRowFacts& facts) {
  const int key_column = grid.ColumnCount() - 1;
  for (int r = 1; r <= rows && r < grid.RowCount(); ++r) {
    const auto seat = static_cast<size_t>(text::IntegerFromText(grid.Text(r, key_column)));
    grid.SetToolTip(r, 0, seat < facts.tips.size() ? facts.tips[seat] : std::string());
  }
}

int FindSeatRow(const ui::Grid& grid, int rows, const RangeData& d, const SeatRowFacts& facts,
                const seats::SeatBook& book, std::string_view text) {
  if (text.empty()) return 0;
  const int key_column = grid.ColumnCount() - 1;
  auto seat_of = [&](int r) {
    return static_cast<uint32_t>(text::IntegerFromText(grid.Text(r, key_column)));
  };
  // The identity meant (an exact name or nickname, or a part only one
  // holds), then the first row shown whose name or nickname holds the text.
  if (const std::optional<int64_t> id = book.Resolve(text)) {
    for (int r = 1; r <= rows; ++r) {
      const uint32_t s = seat_of(r);
      if (s < facts.identities.size() && facts.identities[s] == *id) return r;
    }
  }
  for (int r = 1; r <= rows; ++r) {
    const uint32_t s = seat_of(r);
    if (s < d.seats.size() && text::ContainsText(d.seats[s], text)) return r;
    if (text::ContainsText(grid.Text(r, 0), text)) return r;
  }
  return 0;
}

}  // namespace ranking
