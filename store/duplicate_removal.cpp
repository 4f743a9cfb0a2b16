#include "store/duplicate_removal.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace store {
namespace {

// The distinct keys seen so far, packed into one buffer: a million listings
// cost two allocations instead of a million.
class KeyList {
 public:
  void Reserve(size_t count) {
    ends_.reserve(count);
    bytes_.reserve(count * 16);
  }
  // A key is built from pieces: Append them, then End it.
  void Append(std::string_view piece) { bytes_.append(piece); }
  void End() { ends_.push_back(bytes_.size()); }
  // Forgets the key ended last (a repeat needs no room of its own).
  void DropLast() {
    ends_.pop_back();
    bytes_.resize(ends_.empty() ? 0 : ends_.back());
  }
  size_t size() const { return ends_.size(); }
  std::string_view operator[](size_t i) const {
    const size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(bytes_).substr(begin, ends_[i] - begin);
  }

 private:
  std::string bytes_;
  std::vector<size_t> ends_;
};

// The set of seen keys: open addressing over indices into the key list, with
// exact byte comparison. Sized once for every key of the run, so it never
// rehashes and holds no per-key allocation.
class SeenKeys {
 public:
  SeenKeys(const KeyList& keys, size_t most_keys) : keys_(keys) {
    size_t capacity = 16;
    while (capacity < most_keys * 2) capacity *= 2;
    slots_.assign(capacity, kEmpty);
    mask_ = capacity - 1;
  }

  // Adds key i; true when an equal key was added before (key i is then not
  // kept).
  bool AddAndCheckSeen(size_t i) {
    const std::string_view key = keys_[i];
    size_t slot = std::hash<std::string_view>{}(key)&mask_;
    while (slots_[slot] != kEmpty) {
      if (keys_[slots_[slot]] == key) return true;
      slot = (slot + 1) & mask_;
    }
    slots_[slot] = i;
    return false;
  }

 private:
  static constexpr size_t kEmpty = static_cast<size_t>(-1);
  const KeyList& keys_;
  std::vector<size_t> slots_;
  size_t mask_ = 0;
};

}  // namespace

DuplicateRemovalResult RemoveDuplicates(Store& store, std::stop_token stop) {
  DuplicateRemovalResult result;
  // The scan reads, the purge alone writes, as one transaction of its own:
  // a failure anywhere leaves the file as it was. Marks name records by
  // their row identity, so the rows deleted are exactly the ones read, even
  // if another writer appended meanwhile. (Nesting the purge inside a
  // snapshot transaction would make the engine journal every page it
  // changes a second time, almost a second per 100,000 duplicates.)
  StoreAccess access = store.OpenStore(AccessMode::kWriter);
  if (!access.ok()) {
    result.error = access.error();
    if (!result.error) result.error = StoreError{};
    return result;
  }

  // Keys are taken in record order, so the first stored of every key is
  // the one that stays. A repeat is marked while the scan stands on it:
  // going back to it later would cost a seek (and a page read) per
  // duplicate. Marking does not renumber, so the scan goes on undisturbed.
  const int64_t count = access.RecordCount();
  KeyList keys;
  keys.Reserve(static_cast<size_t>(count));
  SeenKeys seen(keys, static_cast<size_t>(count));
  bool marked_all = true;
  access.GoToFirst();
  for (int64_t i = 1; i <= count && marked_all && access.ok(); ++i) {
    // A stop is looked at now and then: a few thousand records are read
    // within a millisecond.
    if (i % 4096 == 0 && stop.stop_requested()) break;
    if (i > 1) access.Skip(1);
    keys.Append(access.FieldView(kDate));  // copied before the next read
    keys.Append(access.FieldView(kName));
    keys.End();
    ++result.examined;
    if (!seen.AddAndCheckSeen(keys.size() - 1)) continue;
    keys.DropLast();
    marked_all = access.MarkDeleted();
    ++result.removed;
  }
  // Asked to stop before the purge: nothing is changed at all.
  result.stopped = stop.stop_requested();
  if (access.ok() && marked_all && !result.stopped) access.PurgeDeleted();

  // The first failure of the access, if any; a failed purge has already
  // rolled itself back.
  result.error = access.CloseStore();
  if (!result.error && !marked_all) {
    // Nothing was purged: the marks die with the access.
    result.error = StoreError{ErrorKind::kOther, 0, "a duplicate could not be marked"};
  }
  if (result.error || result.stopped) result.removed = 0;
  // Into the main file with the purge: Data.edb alone then holds the result.
  if (result.removed > 0) store.Checkpoint();
  return result;
}

}  // namespace store
