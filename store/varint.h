// Little-endian base-128 numbers (seven bits a byte, the high bit saying
// another byte follows), and signed numbers zigzagged into them: the
// packed forms of bars and listings are written with these.
#pragma once

#include <cstdint>
#include <string>

namespace store {

inline void PutVarint(uint64_t v, std::string* out) {
  while (v >= 0x80) {
    out->push_back(static_cast<char>(v | 0x80));
    v >>= 7;
  }
  out->push_back(static_cast<char>(v));
}

inline uint64_t Zigzag(int64_t v) {
  return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
}

// Reads one number at `at`, moving it on; false when the bytes end first
// or the number runs past 64 bits.
inline bool ReadVarint(const uint8_t*& at, const uint8_t* end, uint64_t* v) {
  // A one-byte value first: nearly every number fits.
  if (at != end && *at < 0x80) {
    *v = *at++;
    return true;
  }
  uint64_t out = 0;
  for (int shift = 0; shift < 64 && at != end; shift += 7) {
    const uint8_t byte = *at++;
    out |= static_cast<uint64_t>(byte & 0x7f) << shift;
    if (!(byte & 0x80)) {
      *v = out;
      return true;
    }
  }
  return false;
}

inline bool ReadSignedVarint(const uint8_t*& at, const uint8_t* end, int64_t* v) {
  uint64_t u = 0;
  if (!ReadVarint(at, end, &u)) return false;
  *v = static_cast<int64_t>(u >> 1) ^ -static_cast<int64_t>(u & 1);
  return true;
}

}  // namespace store
