#include "duplicates/seat_tooltip.h"

#include <string>
#include <string_view>
#include <vector>

#include "listing/listing_grid.h"
#include "seats/seat_book.h"
#include "store/record_store.h"
#include "text/gbk.h"
#include "text/numbers.h"
#include "text/text_ops.h"
#include "ui/messages.h"

namespace details {
namespace {

using text::Gbk;

// The pop-up snaps to the 24-pixel row band the pointer is in, counted from
// the grid's first data row on the screen, and stands 210 pixels right of
// the window's left edge.
constexpr int kBandHeight = 24;
constexpr int kLeftOffset = 210;
constexpr int kSeatColumn = 3;
constexpr size_t kItemsNeeded = 28;  // the tenth name is item 28
constexpr int kSeatLines = 10;
constexpr int kDisplayMs = 3000;

struct TooltipTexts {
  std::string heading_end = Gbk("] 龙虎榜交易席位列表</h1>\r\n\r\n");
  std::string read_error = Gbk("交易席位数据读取错误");
  std::string open = Gbk("（");
  std::string comma = Gbk("，");
  std::string close = Gbk("）");
};

const TooltipTexts& TooltipT() {
  static const TooltipTexts texts;
  return texts;
}

// Names and dates come from web pages: shown as text, never as markup. The
// four characters are all below 0x40 and so never the second byte of a GBK
// character, but the walk steps over double-byte characters all the same.
void AppendEscaped(std::string& out, std::string_view gbk) {
  for (size_t i = 0; i < gbk.size();) {
    const size_t length = text::CharLength(static_cast<unsigned char>(gbk[i]));
    if (length == 1) {
      switch (gbk[i]) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        default:
          out.push_back(gbk[i]);
      }
    } else {
      out.append(gbk.substr(i, length));
    }
    i += length;
  }
}

// A Seat the user gave a nickname or a note shows them after its name, as
// text like the name.
void AppendSeatNickname(std::string& out, const seats::SeatBook& book, std::string_view seat) {
  if (book.rows().identities.empty() || seat.empty()) return;
  const std::optional<int64_t> id = book.IdentityOfName(seat);
  const seats::Identity* identity = id ? book.Find(*id) : nullptr;
  if (!identity || (identity->nickname.empty() && identity->note.empty())) return;
  out += TooltipT().open;
  AppendEscaped(out, identity->nickname);
  if (!identity->nickname.empty() && !identity->note.empty()) out += TooltipT().comma;
  AppendEscaped(out, identity->note);
  out += TooltipT().close;
}

// Floor division, so a pointer above the origin still lands on a band start.
int FloorDiv(int a, int b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace

void ShowSeatTooltip(const ui::BalloonTip& balloon, ui::Platform& platform, store::Store& store,
                     ui::Grid& grid) {
  const ui::Point window = platform.WindowScreenPosition();
  const std::optional<int> first_row_top = platform.GridDataTopOnScreen(grid);
  if (!first_row_top) return;
  const int band_origin = *first_row_top;
  if (platform.PointerScreenPosition().y < band_origin) return;
  // The cheap tests come before the store is opened: same outcome, no access.
  const int row = grid.CurrentRow();
  if (grid.CurrentColumn() != kSeatColumn || row <= 0) return;
  if (grid.Text(1, 0).empty()) return;
  const int64_t record_number = text::IntegerFromText(grid.Text(row, listing::kRecordNumberColumn));

  std::string seat_text;
  std::string date;
  std::string name;
  seats::SeatBook book;
  {
    store::StoreAccess access = store.OpenStore();
    if (access.ok()) {
      access.GoToRecord(record_number);
      seat_text = access.ReadField(store::kBuySeats);
      seat_text += "|";
      seat_text += access.FieldView(store::kSellSeats);
      date = access.ReadField(store::kDate);
      name = access.ReadField(store::kName);
    }
    std::optional<store::StoreError> error = access.error();
    // Nicknames are a help, not the list: a book that cannot be read leaves
    // them out.
    if (!error) seats::LoadSeatBook(access, &book);
    access.CloseStore();  // closed on every way out, before any message
    if (error) {
      ui::Tell(platform, store::ErrorMessage(*error), ui::MessageIcon::kError);
      return;
    }
  }

  const std::vector<std::string_view> items = text::SplitText(seat_text, "|");
  if (items.size() < kItemsNeeded) {
    ui::Tell(platform, TooltipT().read_error, ui::MessageIcon::kWarning);
    return;
  }

  std::string html = "<h1>  ";
  AppendEscaped(html, date);
  html += " [";
  AppendEscaped(html, name);
  html += TooltipT().heading_end;
  for (int i = 1; i <= kSeatLines; ++i) {
    html += std::to_string(i);
    html += ". ";
    const std::string_view seat = items[static_cast<size_t>(3 * i - 3)];
    AppendEscaped(html, seat);
    AppendSeatNickname(html, book, seat);
    html += "\r\n";
  }

  const int pointer_y = platform.PointerScreenPosition().y;
  const ui::Point at{window.x + kLeftOffset,
                     band_origin + kBandHeight * FloorDiv(pointer_y - band_origin, kBandHeight)};
  platform.ShowBalloon(at, html, balloon.style(), kDisplayMs);
}

}  // namespace details
