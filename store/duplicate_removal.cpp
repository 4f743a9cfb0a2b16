#include "store/duplicate_removal.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace store {
namespace {

// The keys of one run in record order, packed into one buffer: a million
// listings cost two allocations instead of a million.
class KeyList {
 public:
  void Reserve(size_t count) {
    ends_.reserve(count);
    bytes_.reserve(count * 16);
  }
  // A key is built from pieces: Append them, then End it.
  void Append(std::string_view piece) { bytes_.append(piece); }
  void End() { ends_.push_back(bytes_.size()); }
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
  explicit SeenKeys(const KeyList& keys) : keys_(keys) {
    size_t capacity = 16;
    while (capacity < keys.size() * 2) capacity *= 2;
    slots_.assign(capacity, kEmpty);
    mask_ = capacity - 1;
  }

  // Adds key i; true when an equal key was added before.
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

DuplicateRemovalResult RemoveDuplicates(Store& store) {
  DuplicateRemovalResult result;
  // A snapshot access: the reads and the purge are one transaction, so a
  // failure anywhere leaves the file as it was.
  StoreAccess access = store.OpenStore(AccessMode::kSnapshot);
  if (!access.ok()) {
    result.error = access.error();
    if (!result.error) result.error = StoreError{};
    return result;
  }

  // First pass: the key of every record, in record order.
  const int64_t count = access.RecordCount();
  KeyList keys;
  keys.Reserve(static_cast<size_t>(count));
  access.GoToFirst();
  for (int64_t i = 1; i <= count; ++i) {
    if (i > 1) access.Skip(1);
    keys.Append(access.FieldView(kDate));  // copied before the next read
    keys.Append(access.FieldView(kName));
    keys.End();
  }
  result.examined = static_cast<int64_t>(keys.size());

  // Second pass: every record whose key was seen before is marked. Marking
  // does not renumber, so record i is still the one whose key is keys[i-1].
  bool marked_all = true;
  if (access.ok()) {
    SeenKeys seen(keys);
    for (size_t i = 0; i < keys.size() && marked_all; ++i) {
      if (!seen.AddAndCheckSeen(i)) continue;
      marked_all = access.GoToRecord(static_cast<int64_t>(i) + 1) && access.MarkDeleted();
      ++result.removed;
    }
  }
  if (access.ok() && marked_all) access.PurgeDeleted();

  // Commits; after any failure of the access it rolls back instead.
  result.error = access.CloseStore();
  if (!result.error && !marked_all) {
    // Nothing was purged: the marks die with the access.
    result.error = StoreError{ErrorKind::kOther, 0, "a duplicate could not be marked"};
  }
  if (result.error) result.removed = 0;
  return result;
}

}  // namespace store
