// Distinct byte strings (Seat names, stock codes, names, dates), each
// numbered 0, 1, ... in the order first met. The texts live in one buffer
// and the lookup is open addressing over their numbers, so a million
// lookups cost no allocation of their own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ranking {

class TextIds {
 public:
  // The number of `text`, given to it now if it is new.
  uint32_t Intern(std::string_view text);
  // The number of `text` if it was interned.
  bool Find(std::string_view text, uint32_t* id) const;
  std::string_view operator[](uint32_t id) const {
    return std::string_view(bytes_).substr(begins_[id], begins_[id + 1] - begins_[id]);
  }
  uint32_t size() const { return static_cast<uint32_t>(begins_.size() - 1); }

 private:
  size_t SlotOf(std::string_view text, uint64_t hash) const;
  void Grow();

  std::string bytes_;
  std::vector<uint32_t> begins_{0};  // text k is bytes begins_[k] .. begins_[k + 1]
  std::vector<uint64_t> hashes_;
  std::vector<uint32_t> slots_;  // number + 1; 0 is a free slot
};

}  // namespace ranking
