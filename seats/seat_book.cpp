#include "seats/seat_book.h"

#include <algorithm>
#include <array>
#include <set>

#include "store/listing_extras.h"
#include "text/gbk.h"

namespace seats {
namespace {

using text::Gbk;

// The branches of the download page's reference text, without the
// company's legal form ("股份有限公司"), which the listings print and the
// reference text leaves out.
const std::vector<std::string>& SeatBookTraderBranches() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const char* n : {"中信证券上海溧阳路证券营业部", "中国银河证券宁波解放南路证券营业部",
                          "光大证券宁波解放南路证券营业部", "国信证券深圳泰然九路证券营业部",
                          "国信证券深圳红岭中路证券营业部", "国泰君安证券上海江苏路证券营业部",
                          "国泰君安证券上海福山路证券营业部", "中国银河证券绍兴证券营业部",
                          "华泰证券深圳益田路荣超商务中心证券营业部",
                          "财通证券温岭中华路证券营业部", "光大证券杭州庆春路证券营业部",
                          "招商证券深圳蛇口工业七路证券营业部", "东吴证券苏州西北街证券营业部",
                          "国元证券上海虹桥路证券营业部", "华鑫证券上海宛平南路证券营业部",
                          "申万宏源证券上海东川路证券营业部",
                          "中国中投证券无锡清扬路证券营业部"})
      out.push_back(Gbk(n));
    std::sort(out.begin(), out.end());
    return out;
  }();
  return names;
}

// A branch name without its company's legal form.
std::string SeatBookPlainName(std::string_view name) {
  static const std::array<std::string, 3> forms = {Gbk("股份有限公司"), Gbk("有限责任公司"),
                                                   Gbk("有限公司")};
  std::string out(name);
  for (const std::string& form : forms) {
    const size_t at = out.find(form);
    if (at != std::string::npos) {
      out.erase(at, form.size());
      break;
    }
  }
  return out;
}

}  // namespace

const std::string& KindText(Kind kind) {
  static const std::array<std::string, kKindCount> texts = {Gbk("机构"), Gbk("北向"), Gbk("游资"),
                                                            Gbk("营业部")};
  return texts[static_cast<size_t>(kind)];
}

std::optional<Kind> KindFromText(std::string_view gbk) {
  for (int k = 0; k < kKindCount; ++k) {
    if (KindText(static_cast<Kind>(k)) == gbk) return static_cast<Kind>(k);
  }
  return std::nullopt;
}

Kind AutomaticKind(std::string_view name) {
  static const std::string institution = Gbk("机构专用");
  static const std::string shanghai = Gbk("沪股通专用");
  static const std::string shenzhen = Gbk("深股通专用");
  if (name == institution) return Kind::kInstitution;
  if (name == shanghai || name == shenzhen) return Kind::kNorthbound;
  const auto& traders = SeatBookTraderBranches();
  if (std::binary_search(traders.begin(), traders.end(), SeatBookPlainName(name)))
    return Kind::kTrader;
  return Kind::kBranch;
}

SeatBook::SeatBook(store::SeatBookRows rows) : rows_(std::move(rows)) {
  Reindex();
}

void SeatBook::Reindex() {
  name_index_.clear();
  identity_index_.clear();
  branch_index_.clear();
  name_index_.reserve(rows_.names.size());
  identity_index_.reserve(rows_.identities.size());
  for (size_t i = 0; i < rows_.names.size(); ++i) name_index_[rows_.names[i].name] = i;
  // Numbers once given (also to identities merged away) are not given again.
  for (const Identity& row : rows_.identities) next_id_ = std::max(next_id_, row.id + 1);
  for (const store::SeatUndoRow& step : rows_.undo) next_id_ = std::max(next_id_, step.identity + 1);
  for (size_t i = 0; i < rows_.identities.size(); ++i) {
    const Identity& row = rows_.identities[i];
    identity_index_[row.id] = i;
    if (!row.branch.empty()) branch_index_.emplace(row.branch, row.id);
  }
}

int64_t SeatBook::NextId() const {
  return next_id_;
}

const Identity* SeatBook::Find(int64_t id) const {
  const auto it = identity_index_.find(id);
  return it == identity_index_.end() ? nullptr : &rows_.identities[it->second];
}

Identity* SeatBook::FindMutable(int64_t id) {
  const auto it = identity_index_.find(id);
  return it == identity_index_.end() ? nullptr : &rows_.identities[it->second];
}

std::optional<int64_t> SeatBook::IdentityOfName(std::string_view name) const {
  const auto it = name_index_.find(std::string(name));
  if (it == name_index_.end()) return std::nullopt;
  return rows_.names[it->second].identity;
}

std::optional<int64_t> SeatBook::Resolve(std::string_view text) const {
  if (text.empty()) return std::nullopt;
  if (auto id = IdentityOfName(text)) return id;
  for (const Identity& row : rows_.identities) {
    if (row.nickname == text) return row.id;
  }
  std::optional<int64_t> found;
  auto take = [&](int64_t id) {
    if (found && *found != id) return false;
    found = id;
    return true;
  };
  for (const Identity& row : rows_.identities) {
    if (!row.nickname.empty() && row.nickname.find(text) != std::string::npos && !take(row.id))
      return std::nullopt;
  }
  for (const store::SeatNameRow& row : rows_.names) {
    if (row.name.find(text) != std::string::npos && !take(row.identity)) return std::nullopt;
  }
  return found;
}

std::vector<size_t> SeatBook::NameRowsOf(int64_t id) const {
  std::vector<size_t> out;
  for (size_t i = 0; i < rows_.names.size(); ++i) {
    if (rows_.names[i].identity == id) out.push_back(i);
  }
  return out;
}

std::vector<std::string> SeatBook::NamesOf(int64_t id) const {
  std::vector<size_t> found = NameRowsOf(id);
  std::sort(found.begin(), found.end(), [this](size_t a, size_t b) {
    const auto& x = rows_.names[a];
    const auto& y = rows_.names[b];
    if (x.last_seen != y.last_seen) return x.last_seen > y.last_seen;
    return x.name < y.name;
  });
  std::vector<std::string> out;
  for (size_t i : found) out.push_back(rows_.names[i].name);
  return out;
}

std::string SeatBook::NewestName(int64_t id) const {
  const store::SeatNameRow* best = nullptr;
  for (const store::SeatNameRow& row : rows_.names) {
    if (row.identity != id) continue;
    if (!best || row.last_seen > best->last_seen ||
        (row.last_seen == best->last_seen && row.name < best->name))
      best = &row;
  }
  return best ? best->name : std::string();
}

std::unordered_map<int64_t, std::string> SeatBook::NewestNames() const {
  std::unordered_map<int64_t, const store::SeatNameRow*> best;
  best.reserve(rows_.identities.size());
  for (const store::SeatNameRow& row : rows_.names) {
    const store::SeatNameRow*& b = best[row.identity];
    if (!b || row.last_seen > b->last_seen || (row.last_seen == b->last_seen && row.name < b->name))
      b = &row;
  }
  std::unordered_map<int64_t, std::string> out;
  out.reserve(best.size());
  for (const auto& [id, row] : best) out.emplace(id, row->name);
  return out;
}

std::optional<Kind> SeatBook::KindOf(int64_t id) const {
  const Identity* row = Find(id);
  if (!row) return std::nullopt;
  return KindFromText(row->kind);
}

int64_t SeatBook::AddIdentity(Identity row) {
  if (row.id == 0) row.id = NextId();
  rows_.identities.push_back(std::move(row));
  const Identity& added = rows_.identities.back();
  next_id_ = std::max(next_id_, added.id + 1);
  identity_index_[added.id] = rows_.identities.size() - 1;
  if (!added.branch.empty()) branch_index_.emplace(added.branch, added.id);
  return added.id;
}

void SeatBook::PlaceName(std::string_view name, int64_t identity) {
  const auto it = name_index_.find(std::string(name));
  if (it != name_index_.end()) {
    rows_.names[it->second].identity = identity;
    return;
  }
  rows_.names.push_back(store::SeatNameRow{std::string(name), identity, {}, {}});
  name_index_[rows_.names.back().name] = rows_.names.size() - 1;
}

int SeatBook::Absorb(const std::vector<SeenName>& seen) {
  int added = 0;
  for (const SeenName& s : seen) {
    if (s.name.empty()) continue;
    const auto it = name_index_.find(s.name);
    if (it != name_index_.end()) {
      store::SeatNameRow& row = rows_.names[it->second];
      if (!s.first_seen.empty() && (row.first_seen.empty() || s.first_seen < row.first_seen))
        row.first_seen = s.first_seen;
      if (s.last_seen > row.last_seen) row.last_seen = s.last_seen;
      Identity* identity = FindMutable(row.identity);
      if (identity && identity->branch.empty() && !s.branch.empty() &&
          !branch_index_.count(s.branch)) {
        identity->branch = s.branch;
        branch_index_.emplace(s.branch, identity->id);
      }
      continue;
    }
    int64_t identity = 0;
    if (!s.branch.empty()) {
      const auto b = branch_index_.find(s.branch);
      if (b != branch_index_.end()) identity = b->second;
    }
    const Kind automatic = AutomaticKind(s.name);
    if (identity == 0) {
      identity = AddIdentity(Identity{0, s.branch, KindText(automatic), {}, {}});
    } else if (Identity* joined = FindMutable(identity);
               automatic != Kind::kBranch && joined->kind == KindText(Kind::kBranch)) {
      joined->kind = KindText(automatic);  // a renamed branch known as a trader's
    }
    rows_.names.push_back(store::SeatNameRow{s.name, identity, s.first_seen, s.last_seen});
    name_index_[s.name] = rows_.names.size() - 1;
    ++added;
  }
  Normalize();
  return added;
}

bool SeatBook::Merge(int64_t from, int64_t into) {
  if (from == into) return false;
  const Identity* gone = Find(from);
  Identity* kept = FindMutable(into);
  if (!gone || !kept) return false;
  store::SeatUndoRow step;
  step.step = rows_.undo.empty() ? 1 : rows_.undo.back().step + 1;
  step.action = 0;
  step.identity = from;
  step.other = into;
  step.removed = *gone;
  step.kept_branch = kept->branch;
  for (size_t i : NameRowsOf(from)) {
    if (!step.names.empty()) step.names += '\n';
    step.names += rows_.names[i].name;
    rows_.names[i].identity = into;
  }
  if (kept->branch.empty()) kept->branch = gone->branch;
  if (kept->nickname.empty()) kept->nickname = gone->nickname;
  step.watched = Watched(from);
  step.kept_watched = Watched(into);
  if (step.watched) {
    SetWatch(0, std::to_string(from), false);
    SetWatch(0, std::to_string(into), true);
  }
  rows_.identities.erase(rows_.identities.begin() +
                         static_cast<std::ptrdiff_t>(identity_index_.at(from)));
  rows_.undo.push_back(std::move(step));
  Reindex();
  return true;
}

bool SeatBook::Split(std::string_view name) {
  const auto it = name_index_.find(std::string(name));
  if (it == name_index_.end()) return false;
  const int64_t from = rows_.names[it->second].identity;
  if (NameRowsOf(from).size() < 2) return false;
  const int64_t made = AddIdentity(Identity{NextId(), {}, KindText(AutomaticKind(name)), {}, {}});
  rows_.names[it->second].identity = made;
  store::SeatUndoRow step;
  step.step = rows_.undo.empty() ? 1 : rows_.undo.back().step + 1;
  step.action = 1;
  step.identity = made;
  step.other = from;
  step.names = std::string(name);
  rows_.undo.push_back(std::move(step));
  return true;
}

bool SeatBook::Undo() {
  if (rows_.undo.empty()) return false;
  const store::SeatUndoRow step = rows_.undo.back();
  rows_.undo.pop_back();
  std::vector<std::string> names;
  for (size_t begin = 0; begin <= step.names.size();) {
    size_t end = step.names.find('\n', begin);
    if (end == std::string::npos) end = step.names.size();
    if (end > begin) names.push_back(step.names.substr(begin, end - begin));
    begin = end + 1;
  }
  if (step.action == 0) {
    // Bring the merged-away identity back with its names.
    if (!Find(step.identity)) rows_.identities.push_back(step.removed);
    Reindex();
    if (Identity* kept = FindMutable(step.other)) {
      kept->branch = step.kept_branch;
      // Nicknames are one identity's each: the kept one has it from the merge.
      if (!step.removed.nickname.empty() && kept->nickname == step.removed.nickname)
        kept->nickname.clear();
    }
    Reindex();
    for (const std::string& n : names) PlaceName(n, step.identity);
    if (step.watched) SetWatch(0, std::to_string(step.identity), true);
    if (step.watched && !step.kept_watched) SetWatch(0, std::to_string(step.other), false);
  } else {
    for (const std::string& n : names) PlaceName(n, step.other);
    if (NameRowsOf(step.identity).empty()) {
      const auto at = identity_index_.find(step.identity);
      if (at != identity_index_.end()) {
        rows_.identities.erase(rows_.identities.begin() + static_cast<std::ptrdiff_t>(at->second));
      }
      SetWatch(0, std::to_string(step.identity), false);
    }
  }
  Normalize();
  return true;
}

void SeatBook::Normalize() {
  std::sort(rows_.identities.begin(), rows_.identities.end(),
            [](const Identity& a, const Identity& b) { return a.id < b.id; });
  std::sort(rows_.names.begin(), rows_.names.end(),
            [](const store::SeatNameRow& a, const store::SeatNameRow& b) { return a.name < b.name; });
  std::sort(rows_.watch.begin(), rows_.watch.end(),
            [](const store::WatchRow& a, const store::WatchRow& b) {
              return a.kind != b.kind ? a.kind < b.kind : a.value < b.value;
            });
  Reindex();
}

bool SeatBook::Watched(int64_t id) const {
  const std::string value = std::to_string(id);
  return std::any_of(rows_.watch.begin(), rows_.watch.end(),
                     [&](const store::WatchRow& w) { return w.kind == 0 && w.value == value; });
}

bool SeatBook::WatchedCode(std::string_view code) const {
  return std::any_of(rows_.watch.begin(), rows_.watch.end(),
                     [&](const store::WatchRow& w) { return w.kind == 1 && w.value == code; });
}

bool SeatBook::SetWatch(int kind, std::string value, bool on) {
  const auto it =
      std::find_if(rows_.watch.begin(), rows_.watch.end(), [&](const store::WatchRow& w) {
        return w.kind == kind && w.value == value;
      });
  if (on == (it != rows_.watch.end())) return false;
  if (on) {
    const store::WatchRow row{kind, std::move(value)};
    rows_.watch.insert(std::upper_bound(rows_.watch.begin(), rows_.watch.end(), row,
                                        [](const store::WatchRow& a, const store::WatchRow& b) {
                                          return a.kind != b.kind ? a.kind < b.kind
                                                                  : a.value < b.value;
                                        }),
                       row);
  } else {
    rows_.watch.erase(it);
  }
  return true;
}

bool LoadSeatBook(store::StoreAccess& access, SeatBook* book) {
  store::SeatBookRows rows;
  if (!access.ReadSeatBook(&rows)) return false;
  *book = SeatBook(std::move(rows));
  return true;
}

bool SaveSeatBook(store::StoreAccess& access, const SeatBook& book) {
  return access.WriteSeatBook(book.rows());
}

bool SeenInSeatCodes(store::StoreAccess& access, std::string_view from, std::string_view to,
                     std::vector<SeenName>* out) {
  std::vector<store::SeatCode> codes;
  if (!access.ReadSeatCodes(from, to, &codes)) return false;
  for (const store::SeatCode& c : codes) {
    if (c.name.empty()) continue;
    out->push_back(SeenName{c.name, c.date, c.date, c.branch});
  }
  return true;
}

}  // namespace seats
