#include "cli/listing_pass.h"

#include <algorithm>
#include <iterator>

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

std::optional<store::StoreError> ForEachFullListingInParallel(store::Store& store,
                                                              const FullListingVisitor& visit,
                                                              int64_t* record_count) {
  static constexpr int kEveryField[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  static_assert(std::size(kEveryField) == store::kFieldCount);
  FullListing listing;
  return listing::ForEachStoredRecordInParallel(
      store, nullptr, kEveryField,
      [&](std::span<const std::string_view> fields, int64_t record_number) {
        std::copy(fields.begin(), fields.end(), listing.fields.begin());
        listing.record_number = record_number;
        return visit(listing);
      },
      record_count);
}

}  // namespace cli
