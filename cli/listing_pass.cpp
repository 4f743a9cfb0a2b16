#include "cli/listing_pass.h"

#include "listing/listing_scan.h"

namespace cli {

std::optional<store::StoreError> ForEachFullListing(store::Store& store,
                                                    const FullListingVisitor& visit,
                                                    int64_t* record_count) {
  FullListing listing;
  return listing::ForEachStoredRecord(
      store, nullptr,
      [&](store::StoreAccess& access) {
        for (int f = 1; f <= store::kFieldCount; ++f)
          listing.fields[static_cast<size_t>(f - 1)] = access.FieldView(f);
        listing.record_number = access.CurrentRecordNumber();
        return visit(listing);
      },
      record_count);
}

}  // namespace cli
