#include "seats/seat_csv.h"

#include <array>
#include <map>
#include <vector>

#include "text/gbk.h"

namespace seats {
namespace {

void SeatCsvField(std::string_view value, std::string& out) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += value;
    return;
  }
  out += '"';
  for (char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// The fields of one record starting at `at` (moved past it) and the
// number of lines it spans.
std::vector<std::string> SeatCsvRecord(std::string_view text, size_t& at, int* lines) {
  std::vector<std::string> fields(1);
  *lines = 1;
  bool quoted = false;
  while (at < text.size()) {
    const char c = text[at++];
    if (quoted) {
      if (c == '"') {
        if (at < text.size() && text[at] == '"') {
          fields.back() += '"';
          ++at;
        } else {
          quoted = false;
        }
      } else {
        if (c == '\n') ++*lines;
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else if (c == '\n') {
      break;
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
  return fields;
}

}  // namespace

std::string ExportSeatCsv(const SeatBook& book) {
  std::string out(kSeatCsvHeader);
  out += "\r\n";
  for (const Identity& row : book.rows().identities) {
    std::string names;
    for (const std::string& name : book.NamesOf(row.id)) {
      if (!names.empty()) names += '|';
      names += text::Utf8(name);
    }
    SeatCsvField(names, out);
    out += ',';
    SeatCsvField(text::Utf8(row.branch), out);
    out += ',';
    SeatCsvField(text::Utf8(row.kind), out);
    out += ',';
    SeatCsvField(text::Utf8(row.nickname), out);
    out += ',';
    SeatCsvField(text::Utf8(row.note), out);
    out += "\r\n";
  }
  return out;
}

std::optional<ImportRefusal> ImportSeatCsv(std::string_view utf8, SeatBook* book,
                                           int* identities) {
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);  // a byte-order mark
  SeatBook copy = *book;
  size_t at = 0;
  int line = 1;
  int count = 0;
  bool header = true;
  // Nicknames the file gives, by identity, to find one given twice.
  std::map<std::string, int64_t> nicknames;
  for (const Identity& row : copy.rows().identities) {
    if (!row.nickname.empty()) nicknames[row.nickname] = row.id;
  }
  while (at < utf8.size()) {
    const int first_line = line;
    int spans = 1;
    const std::vector<std::string> fields = SeatCsvRecord(utf8, at, &spans);
    line += spans;
    auto refuse = [first_line](std::string message) {
      return ImportRefusal{first_line, std::move(message)};
    };
    if (header) {
      header = false;
      std::string joined;
      for (size_t i = 0; i < fields.size(); ++i) joined += (i ? "," : "") + fields[i];
      if (joined != kSeatCsvHeader)
        return refuse("the first line must be \"" + std::string(kSeatCsvHeader) + "\"");
      continue;
    }
    if (fields.size() == 1 && fields[0].empty()) continue;  // an empty line
    if (fields.size() != 5)
      return refuse("5 fields expected, " + std::to_string(fields.size()) + " found");
    std::vector<std::string> names;
    for (size_t begin = 0; begin <= fields[0].size();) {
      size_t end = fields[0].find('|', begin);
      if (end == std::string::npos) end = fields[0].size();
      std::string_view name = std::string_view(fields[0]).substr(begin, end - begin);
      while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
      while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
      if (!name.empty()) {
        const auto gbk = text::Utf8ToGbkStrict(name);
        if (!gbk) return refuse("the name \"" + std::string(name) + "\" is not in GBK");
        names.push_back(*gbk);
      }
      begin = end + 1;
    }
    if (names.empty()) return refuse("no name");
    std::array<std::string, 4> texts;  // branch, kind, nickname, note in GBK
    for (size_t i = 0; i < 4; ++i) {
      const auto gbk = text::Utf8ToGbkStrict(fields[i + 1]);
      if (!gbk) return refuse("the text \"" + fields[i + 1] + "\" is not in GBK");
      texts[i] = *gbk;
    }
    if (!KindFromText(texts[1]))
      return refuse("unknown kind \"" + fields[2] + "\" (机构, 北向, 游资 or 营业部)");

    int64_t id = 0;
    for (const std::string& name : names) {
      if (const auto known = copy.IdentityOfName(name)) {
        id = *known;
        break;
      }
    }
    if (id == 0) id = copy.AddIdentity(Identity{0, {}, texts[1], {}, {}});
    for (const std::string& name : names) copy.PlaceName(name, id);
    Identity* row = copy.FindMutable(id);
    if (!texts[2].empty()) {
      const auto [it, added] = nicknames.emplace(texts[2], id);
      if (!added && it->second != id)
        return refuse("the nickname \"" + fields[3] + "\" belongs to another identity");
    }
    if (!row->nickname.empty() && row->nickname != texts[2]) {
      const auto it = nicknames.find(row->nickname);
      if (it != nicknames.end() && it->second == id) nicknames.erase(it);
    }
    if (!texts[0].empty()) row->branch = texts[0];
    row->kind = texts[1];
    row->nickname = texts[2];
    row->note = texts[3];
    ++count;
  }
  if (header) return ImportRefusal{1, "the file is empty"};
  copy.Normalize();
  *book = std::move(copy);
  if (identities) *identities = count;
  return std::nullopt;
}

}  // namespace seats
