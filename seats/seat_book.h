// Seat identities: one identity per branch, with every name it was seen
// under, its branch code, its kind, a nickname and a note; the merges and
// splits the user made (each undoable); and the watch list. Kept in
// Data.edb's side tables (store/seat_book.h); the listings are never
// touched. Texts are GBK.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/record_store.h"
#include "store/seat_book.h"

namespace seats {

enum class Kind { kInstitution, kNorthbound, kTrader, kBranch };
inline constexpr int kKindCount = 4;

// "机构", "北向", "游资", "营业部" (GBK).
const std::string& KindText(Kind kind);
std::optional<Kind> KindFromText(std::string_view gbk);
// The kind a name starts with: 机构 for "机构专用", 北向 for "沪股通专用"
// and "深股通专用", 游资 for the well-known short-term traders' branches
// (the download page's reference text), 营业部 otherwise.
Kind AutomaticKind(std::string_view gbk_name);

// A name as the listings (and the data centre) gave it.
struct SeenName {
  std::string name;
  std::string first_seen;  // "YYYY-MM-DD"
  std::string last_seen;
  std::string branch;  // OPERATEDEPT_CODE where the data centre gave one
};

using Identity = store::SeatIdentityRow;

class SeatBook {
 public:
  SeatBook() = default;
  explicit SeatBook(store::SeatBookRows rows);
  const store::SeatBookRows& rows() const { return rows_; }

  // Takes in names: a known name widens its dates (and gives its identity a
  // code it lacked); a new name joins the identity holding its code, or
  // starts one of its own with its automatic kind. Names known before stay
  // where the user put them. Returns the number of new names.
  int Absorb(const std::vector<SeenName>& seen);

  // Moves every name of `from` to `into` and removes `from` (its watch goes
  // to `into`). False when either is unknown or they are one.
  bool Merge(int64_t from, int64_t into);
  // Gives `name` an identity of its own (its kind automatic). False when
  // the name is unknown or alone in its identity.
  bool Split(std::string_view name);
  // Undoes the newest merge or split still held. False when there is none.
  bool Undo();
  size_t UndoSteps() const { return rows_.undo.size(); }

  const Identity* Find(int64_t id) const;
  Identity* FindMutable(int64_t id);
  std::optional<int64_t> IdentityOfName(std::string_view name) const;
  // The identity a user means: an exact name or nickname, else the one
  // identity whose name or nickname holds `text` (none when several do).
  std::optional<int64_t> Resolve(std::string_view text) const;
  // Newest first (by the last date seen, then the name).
  std::vector<std::string> NamesOf(int64_t id) const;
  std::string NewestName(int64_t id) const;
  // Every identity's newest name, in one pass.
  std::unordered_map<int64_t, std::string> NewestNames() const;
  std::optional<Kind> KindOf(int64_t id) const;

  bool Watched(int64_t id) const;
  bool WatchedCode(std::string_view code) const;
  // False when it was already so.
  bool SetWatch(int kind, std::string value, bool on);

  // Adds an identity with the given row (id 0: the next free number).
  int64_t AddIdentity(Identity row);
  // Moves a name to an identity (adding the name when new); Normalize()
  // after a run of them.
  void PlaceName(std::string_view name, int64_t identity);
  // The rows in key order, as the store reads them back.
  void Normalize();

 private:
  void Reindex();
  int64_t NextId() const;
  std::vector<size_t> NameRowsOf(int64_t id) const;

  store::SeatBookRows rows_;
  std::unordered_map<std::string, size_t> name_index_;
  std::unordered_map<int64_t, size_t> identity_index_;
  std::unordered_map<std::string, int64_t> branch_index_;
  int64_t next_id_ = 1;
};

// The book as the store holds it (empty when the file has no tables yet).
bool LoadSeatBook(store::StoreAccess& access, SeatBook* book);
bool SaveSeatBook(store::StoreAccess& access, const SeatBook& book);

// The names the data centre gave codes for, over [from, to].
bool SeenInSeatCodes(store::StoreAccess& access, std::string_view from, std::string_view to,
                     std::vector<SeenName>* out);

}  // namespace seats
