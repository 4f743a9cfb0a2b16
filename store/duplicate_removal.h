// Removal of listings stored more than once for the same date and stock
// name: the one stored first stays, the later ones go.
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>

#include "store/record_store.h"

namespace store {

struct DuplicateRemovalResult {
  int64_t examined = 0;  // records read
  int64_t removed = 0;   // records deleted
  // Set when the store could not be opened or a read or write failed; the
  // store is then left exactly as it was.
  std::optional<StoreError> error;
  // Asked to stop before the purge began: nothing was removed.
  bool stopped = false;
};

// One store access: reads the key (field 1 immediately followed by field 2,
// compared byte for byte) of every record in record order, marks every record
// whose key an earlier record already had, purges them and commits. The
// remaining records are numbered 1..N again in their old order.
// When `stop` is asked to stop during the scan, the run ends before its
// purge and leaves the store exactly as it was; once the purge has begun it
// is completed.
DuplicateRemovalResult RemoveDuplicates(Store& store, std::stop_token stop = {});

}  // namespace store
