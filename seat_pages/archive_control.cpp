#include "seat_pages/archive_control.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "ranking/range_scan.h"
#include "ranking/seat_identities.h"
#include "seats/seat_book.h"
#include "text/gbk.h"
#include "ui/messages.h"

namespace seats {
namespace {

using program::ProgramContext;
using text::Gbk;
using Page = ui::SeatArchivePage;

constexpr int kArchiveEnterKey = 13;
constexpr int kArchiveLeastRows = 14;  // the title and the rows the grid shows at once

// GBK text holding `part`, compared as Unicode so that a part never
// matches across two characters' bytes.
bool ArchiveHolds(std::string_view gbk, const std::string& part_utf8) {
  return text::Utf8(gbk).find(part_utf8) != std::string::npos;
}

class ArchiveSession : public std::enable_shared_from_this<ArchiveSession> {
 public:
  ArchiveSession(Page& page, ui::Platform& platform, store::Store& store)
      : platform_(platform), store_(store), page_(page) {}
  void Wire();

 private:
  ui::Grid& grid() { return page_.高级表格_席位档案; }
  void Load();
  void Fill();
  bool Save();
  void Edited(int row, int column);
  void Entry(int index);
  std::optional<int64_t> CurrentIdentity();

  ui::Platform& platform_;
  store::Store& store_;
  Page& page_;
  SeatBook book_;
  bool loading_ = false;
  std::vector<int64_t> shown_;  // the identity of each grid row below the title
};

void ArchiveSession::Wire() {
  auto self = shared_from_this();
  ui::Grid& g = grid();
  g.SetColumnCount(Page::kColumnCount);
  g.SetRowCount(kArchiveLeastRows);
  g.SetHeaderRowCount(1);
  const std::pair<const char*, int> heads[] = {{"最新名称", 262}, {"曾用名称", 128},
                                               {"营业部代码", 70}, {"类别", 50},
                                               {"昵称", 80},       {"备注", 90},
                                               {"关注", 36}};
  for (int c = 0; c < Page::kColumnCount; ++c) {
    g.SetText(0, c, Gbk(heads[c].first));
    g.SetColumnWidth(c, heads[c].second);
  }
  g.SetAlignment(ui::CellRange{0, 0, 0, Page::kColumnCount - 1}, ui::Align::kCentre);
  g.SetStriping(ui::Striping{true, ui::kWhite, ui::kEvenRowColour});

  // Read again on every showing: downloads bring new names, and other
  // pages mark watches in the store.
  page_.on_shown = [self] {
    if (!self->loading_) self->Load();
  };
  page_.超级按钮_席位查找.on_clicked = [self] { self->Fill(); };
  page_.编辑框_席位搜索.on_key_down = [self](int key) {
    if (key == kArchiveEnterKey) self->Fill();
  };
  g.on_cell_edited = [self](int row, int column) { self->Edited(row, column); };
  g.on_context_entry = [self](int index) { self->Entry(index); };
}

void ArchiveSession::Load() {
  loading_ = true;
  page_.标签_席位档案统计.SetCaption(Gbk("正在读取席位……"));
  auto self = shared_from_this();
  platform_.StartWorker([self] {
    // The stored identities first: the page opens on them at once, however
    // long the store. Then the names of listings the book has not taken in
    // yet (a download brings new ones), found by a pass over the whole store.
    auto book = std::make_shared<SeatBook>();
    bool failed = false;
    {
      store::StoreAccess access = self->store_.OpenStore();
      failed = !LoadSeatBook(access, book.get()) || access.CloseStore().has_value();
    }
    self->platform_.PostToUi([self, book, failed] {
      if (failed) {
        self->loading_ = false;
        self->page_.标签_席位档案统计.SetCaption(Gbk("席位读取失败"));
        return;
      }
      self->book_ = std::move(*book);
      self->Fill();
    });
    if (failed) return;
    ranking::DateRange whole;
    whole.whole_store = true;
    const ranking::RangeScan scan = ranking::ScanRange(self->store_, whole, true);
    auto seen = std::make_shared<std::vector<SeenName>>();
    bool scan_failed = scan.error.has_value();
    if (!scan_failed) {
      store::StoreAccess access = self->store_.OpenStore();
      scan_failed = !SeenInSeatCodes(access, "0000-00-00", "9999-99-99", seen.get());
      access.CloseStore();
      for (SeenName& name : ranking::SeenInRange(scan.data)) seen->push_back(std::move(name));
    }
    self->platform_.PostToUi([self, seen, scan_failed] {
      self->loading_ = false;
      if (scan_failed) return;
      // Taken in here, on the book the user may have edited meanwhile.
      const bool any_new = std::any_of(seen->begin(), seen->end(), [&](const SeenName& n) {
        return !n.name.empty() && !self->book_.IdentityOfName(n.name);
      });
      if (any_new && self->book_.Absorb(*seen) > 0 && self->Save()) self->Fill();
    });
  });
}

void ArchiveSession::Fill() {
  const store::SeatBookRows& rows = book_.rows();
  // Every identity's names, newest first, in one pass.
  std::unordered_map<int64_t, std::vector<const store::SeatNameRow*>> names;
  names.reserve(rows.identities.size());
  for (const store::SeatNameRow& n : rows.names) names[n.identity].push_back(&n);
  for (auto& [id, list] : names) {
    std::sort(list.begin(), list.end(), [](const auto* a, const auto* b) {
      if (a->last_seen != b->last_seen) return a->last_seen > b->last_seen;
      return a->name < b->name;
    });
  }
  static const std::string no_name;
  const auto newest = [&names](int64_t id) -> const std::string& {
    const auto f = names.find(id);
    return f == names.end() || f->second.empty() ? no_name : f->second.front()->name;
  };
  const std::string part = text::Utf8(page_.编辑框_席位搜索.caption());
  // The identities kept, in the order of their newest names (each name
  // looked up once, not at every comparison).
  std::vector<std::pair<const std::string*, const Identity*>> kept;
  kept.reserve(rows.identities.size());
  for (const Identity& identity : rows.identities) {
    const auto found = names.find(identity.id);
    bool keep = part.empty() || ArchiveHolds(identity.nickname, part);
    if (!keep && found != names.end()) {
      for (const auto* n : found->second) keep = keep || ArchiveHolds(n->name, part);
    }
    if (keep) kept.emplace_back(&newest(identity.id), &identity);
  }
  std::stable_sort(kept.begin(), kept.end(),
                   [](const auto& a, const auto& b) { return *a.first < *b.first; });
  std::unordered_set<int64_t> watched_ids;
  for (const store::WatchRow& w : rows.watch)
    if (w.kind == 0) watched_ids.insert(std::atoll(w.value.c_str()));

  // The rows built whole and swapped in at once.
  const int count = static_cast<int>(kept.size());
  const int row_count = std::max(count + 1, kArchiveLeastRows);
  const size_t width = Page::kColumnCount;
  std::vector<ui::Cell> cells(static_cast<size_t>(row_count) * width);
  const auto put = [&](int row, int column, std::string text, ui::Align align) {
    ui::Cell& cell = cells[static_cast<size_t>(row) * width + static_cast<size_t>(column)];
    cell.text = std::move(text);
    cell.align = static_cast<uint32_t>(align);
  };
  for (int row = 1; row < row_count; ++row) {
    for (int column : {Page::kBranchCode, Page::kKind, Page::kWatched})
      put(row, column, {}, ui::Align::kCentre);
  }
  std::vector<std::pair<int, std::string>> tips;
  shown_.clear();
  shown_.reserve(kept.size());
  size_t watched = 0;
  for (int r = 0; r < count; ++r) {
    const Identity& identity = *kept[static_cast<size_t>(r)].second;
    shown_.push_back(identity.id);
    const int row = r + 1;
    std::string others;
    const auto found = names.find(identity.id);
    if (found != names.end()) {
      for (size_t i = 1; i < found->second.size(); ++i) {
        if (!others.empty()) others += Gbk("；");
        others += found->second[i]->name;
      }
    }
    if (!others.empty()) tips.emplace_back(row, others);
    put(row, Page::kNewestName, *kept[static_cast<size_t>(r)].first, ui::Align::kDefault);
    put(row, Page::kOtherNames, std::move(others), ui::Align::kDefault);
    put(row, Page::kBranchCode, identity.branch, ui::Align::kCentre);
    put(row, Page::kKind, identity.kind, ui::Align::kCentre);
    put(row, Page::kNickname, identity.nickname, ui::Align::kDefault);
    put(row, Page::kNote, identity.note, ui::Align::kDefault);
    if (watched_ids.contains(identity.id)) {
      put(row, Page::kWatched, Gbk("关注"), ui::Align::kCentre);
      ++watched;
    }
  }
  ui::Grid& g = grid();
  {
    ui::Grid::UpdateScope scope(g);
    g.ReplaceRowsBelowTitle(std::move(cells));
    for (const auto& [row, tip] : tips) g.SetToolTip(row, Page::kOtherNames, tip);
  }
  page_.标签_席位档案统计.SetCaption(
      Gbk("共 " + std::to_string(rows.identities.size()) + " 个席位，显示 " +
          std::to_string(count) + " 个，关注 " + std::to_string(watched) + " 个"));
}

bool ArchiveSession::Save() {
  store::StoreAccess access = store_.OpenStore();
  const bool saved = SaveSeatBook(access, book_);
  const bool closed = !access.CloseStore();
  if (saved && closed) return true;
  ui::Tell(platform_, Gbk("席位档案保存失败，修改未写入数据文件。"), ui::MessageIcon::kError);
  return false;
}

std::optional<int64_t> ArchiveSession::CurrentIdentity() {
  const int row = grid().CurrentRow();
  if (row < 1 || row > static_cast<int>(shown_.size())) return std::nullopt;
  return shown_[static_cast<size_t>(row - 1)];
}

void ArchiveSession::Edited(int row, int column) {
  if (row < 1 || row > static_cast<int>(shown_.size())) {
    grid().SetText(row, column, {});
    return;
  }
  Identity* identity = book_.FindMutable(shown_[static_cast<size_t>(row - 1)]);
  if (!identity) return;
  const std::string value = grid().Text(row, column);
  std::string refusal;
  switch (column) {
    case Page::kKind:
      if (KindFromText(value)) {
        identity->kind = value;
      } else {
        refusal = "类别只能是 机构、北向、游资 或 营业部。";
      }
      break;
    case Page::kNickname:
      for (const Identity& other : book_.rows().identities) {
        if (!value.empty() && other.id != identity->id && other.nickname == value)
          refusal = "这个昵称已属于另一个席位。";
      }
      if (refusal.empty()) identity->nickname = value;
      break;
    case Page::kNote:
      identity->note = value;
      break;
    default:
      return;
  }
  if (!refusal.empty()) {
    ui::Tell(platform_, Gbk(refusal), ui::MessageIcon::kWarning);
    grid().SetText(row, column,
                   column == Page::kKind ? identity->kind : identity->nickname);
    return;
  }
  Save();
}

void ArchiveSession::Entry(int index) {
  const std::optional<int64_t> id = CurrentIdentity();
  if (index == Page::kUndo) {
    if (!book_.Undo()) {
      ui::Tell(platform_, Gbk("没有可以撤销的合并或拆分。"), ui::MessageIcon::kInformation);
      return;
    }
    Save();
    Fill();
    return;
  }
  if (!id) return;
  switch (index) {
    case Page::kMerge: {
      const std::optional<std::string> answer =
          platform_.AskText(Gbk("合并席位"),
                            Gbk("把“" + text::Utf8(book_.NewestName(*id)) +
                                "”并入哪个席位？（名称、昵称或其中一段）"),
                            {});
      if (!answer || answer->empty()) return;
      const std::optional<int64_t> into = book_.Resolve(*answer);
      if (!into || *into == *id) {
        ui::Tell(platform_, Gbk("没有找到唯一的另一个席位，未合并。"), ui::MessageIcon::kWarning);
        return;
      }
      book_.Merge(*id, *into);
      break;
    }
    case Page::kSplit: {
      const std::vector<std::string> names = book_.NamesOf(*id);
      if (names.size() < 2) {
        ui::Tell(platform_, Gbk("这个席位只有一个名称，无需拆分。"), ui::MessageIcon::kInformation);
        return;
      }
      const std::optional<std::string> answer =
          platform_.AskText(Gbk("拆分席位"), Gbk("拆出哪个名称，成为单独的席位？"), names.back());
      if (!answer) return;
      if (!book_.Split(*answer)) {
        ui::Tell(platform_, Gbk("这个席位没有这个名称，未拆分。"), ui::MessageIcon::kWarning);
        return;
      }
      break;
    }
    case Page::kWatch:
      book_.SetWatch(0, std::to_string(*id), !book_.Watched(*id));
      break;
    default:
      return;
  }
  Save();
  Fill();
}

}  // namespace

void WireSeatArchivePage(ProgramContext& ctx) {
  std::make_shared<ArchiveSession>(ctx.window.seat_archive, ctx.platform, ctx.store)->Wire();
}

}  // namespace seats
