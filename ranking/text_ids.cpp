#include "ranking/text_ids.h"

#include <functional>

namespace ranking {

size_t TextIds::SlotOf(std::string_view text, uint64_t hash) const {
  const size_t mask = slots_.size() - 1;
  size_t slot = static_cast<size_t>(hash) & mask;
  while (slots_[slot] != 0) {
    const uint32_t id = slots_[slot] - 1;
    if (hashes_[id] == hash && (*this)[id] == text) return slot;
    slot = (slot + 1) & mask;
  }
  return slot;
}

void TextIds::Grow() {
  std::vector<uint32_t> old = std::move(slots_);
  slots_.assign(old.empty() ? 64 : old.size() * 2, 0);
  const size_t mask = slots_.size() - 1;
  for (uint32_t id = 0; id < size(); ++id) {
    size_t slot = static_cast<size_t>(hashes_[id]) & mask;
    while (slots_[slot] != 0) slot = (slot + 1) & mask;
    slots_[slot] = id + 1;
  }
}

uint32_t TextIds::Intern(std::string_view text) {
  // At most half full, so a probe ends soon.
  if ((static_cast<size_t>(size()) + 1) * 2 > slots_.size()) Grow();
  const uint64_t hash = std::hash<std::string_view>{}(text);
  const size_t slot = SlotOf(text, hash);
  if (slots_[slot] != 0) return slots_[slot] - 1;
  const uint32_t id = size();
  bytes_.append(text);
  begins_.push_back(static_cast<uint32_t>(bytes_.size()));
  hashes_.push_back(hash);
  slots_[slot] = id + 1;
  return id;
}

bool TextIds::Find(std::string_view text, uint32_t* id) const {
  if (slots_.empty()) return false;
  const size_t slot = SlotOf(text, std::hash<std::string_view>{}(text));
  if (slots_[slot] == 0) return false;
  *id = slots_[slot] - 1;
  return true;
}

}  // namespace ranking
