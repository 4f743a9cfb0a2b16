#include "cli/seat_book_pass.h"

#include "ranking/seat_identities.h"

namespace cli {

std::optional<store::StoreError> BookWithNames(store::Store& store, const ranking::RangeData& scan,
                                               bool save, seats::SeatBook* book) {
  store::StoreAccess access = store.OpenStore();
  std::vector<seats::SeenName> seen;
  if (!seats::LoadSeatBook(access, book) ||
      !seats::SeenInSeatCodes(access, "0000-00-00", "9999-99-99", &seen))
    return access.error().value_or(store::StoreError{});
  for (seats::SeenName& s : ranking::SeenInRange(scan)) seen.push_back(std::move(s));
  const int added = book->Absorb(seen);
  if (save && added > 0 && !seats::SaveSeatBook(access, *book))
    return access.error().value_or(store::StoreError{});
  return access.CloseStore();
}

}  // namespace cli
