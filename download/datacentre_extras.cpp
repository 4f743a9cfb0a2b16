#include "download/datacentre_extras.h"

#include <algorithm>
#include <tuple>

#include "download/page_scraper.h"
#include "text/text_ops.h"

namespace download {
namespace {

// The name of the Seat at `position` (1 to 5) of a stored Seat block.
std::string_view BlockName(std::string_view block, int position) {
  const std::vector<std::string_view> values = text::SplitText(block, "|");
  const size_t at = static_cast<size_t>(position - 1) * 3;
  return at < values.size() ? values[at] : std::string_view();
}

}  // namespace

bool CentreExtrasOfDay::Load(store::StoreAccess& access, std::string_view date) {
  date_ = std::string(date);
  return access.ReadListingExtras(date, date, &listings_) &&
         access.ReadSeatCodes(date, date, &seats_);
}

const store::SeatCode* CentreExtrasOfDay::Seat(const store::ListingExtras& listing, int side,
                                               int position) const {
  const auto key = std::make_tuple(std::string_view(listing.code), std::string_view(listing.reason),
                                   side, position);
  const auto it = std::lower_bound(
      seats_.begin(), seats_.end(), key, [](const store::SeatCode& c, const auto& k) {
        return std::make_tuple(std::string_view(c.code), std::string_view(c.reason), c.side,
                               c.position) < k;
      });
  if (it == seats_.end() || it->code != listing.code || it->reason != listing.reason ||
      it->side != side || it->position != position)
    return nullptr;
  return &*it;
}

const store::ListingExtras* CentreExtrasOfDay::Find(std::string_view code,
                                                    std::string_view stored_reason,
                                                    std::string_view buy_block) const {
  const store::ListingExtras* first = nullptr;
  auto it = std::lower_bound(
      listings_.begin(), listings_.end(), code,
      [](const store::ListingExtras& e, std::string_view c) { return e.code < c; });
  for (; it != listings_.end() && it->code == code; ++it) {
    // The stored reason is the full one shortened, cut to its field.
    const std::string shortened = ShortenReason(it->reason);
    const size_t width = static_cast<size_t>(store::kListingFields[store::kReason - 1].width);
    if (text::CutToWidth(shortened, width) != stored_reason) continue;
    if (!first) first = &*it;
    bool same_seats = true;
    for (int position = 1; position <= 5 && same_seats; ++position) {
      const store::SeatCode* seat = Seat(*it, 0, position);
      same_seats = (seat ? std::string_view(seat->name) : std::string_view()) ==
                   BlockName(buy_block, position);
    }
    if (same_seats) return &*it;
  }
  return first;
}

}  // namespace download
