#include "cli/listing_pass.h"

namespace cli {

std::optional<store::StoreError> ForEachFullListing(store::Store& store,
                                                    const FullListingVisitor& visit,
                                                    int64_t* record_count) {
  store::StoreAccess access = store.OpenStore();
  if (!access.ok()) return access.error().value_or(store::StoreError{});
  access.GoToFirst();
  const int64_t n = access.RecordCount();
  if (record_count) *record_count = n;
  FullListing listing;
  for (int64_t i = 0; i < n && access.ok(); ++i) {
    for (int f = 1; f <= store::kFieldCount; ++f)
      listing.fields[static_cast<size_t>(f - 1)] = access.FieldView(f);
    listing.record_number = access.CurrentRecordNumber();
    if (!visit(listing)) break;
    access.Skip(1);
  }
  std::optional<store::StoreError> failure = access.error();
  std::optional<store::StoreError> closing = access.CloseStore();
  return failure ? failure : closing;
}

}  // namespace cli
