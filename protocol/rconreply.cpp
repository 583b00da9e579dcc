#include "protocol/rconreply.h"

#include <cstdio>

#include "core/commandrules.h"
#include "core/textutil.h"
#include "protocol/colorcodes.h"
#include "protocol/text.h"

namespace zelmora {

namespace {

constexpr std::string_view kMapDirHead = "print\nDirectory of maps/mp";  // positions 5..30
constexpr std::string_view kCfgDirHead = "print\nDirectory of / .cfg";   // positions 5..29
constexpr std::string_view kPrintHead = "print\n";                       // positions 5..10
constexpr std::string_view kMapLineHead = "print\nmap:";                 // positions 5..14

#ifdef _WIN32
constexpr char kDirSep = '\\';
#else
constexpr char kDirSep = '/';
#endif

// Name without its extension: everything before the last dot.
std::string_view WithoutExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(0, dot);
}

// Pieces 'first' to (count - 2): the last piece of a split listing is what
// follows the final line feed and is never a complete entry.
std::vector<std::string> MiddlePieces(std::vector<std::string>&& pieces, std::size_t first) {
  std::vector<std::string> out;
  if (pieces.size() < first + 2) return out;
  for (std::size_t b = first; b + 1 < pieces.size(); ++b) out.push_back(std::move(pieces[b]));
  return out;
}

// The names that obey the name rule, in order; the others go to leftOut
// (empty ones are dropped unreported).
std::vector<std::string> KeepValidNames(std::vector<std::string>&& names,
                                        std::vector<std::string>* leftOut) {
  std::vector<std::string> kept;
  kept.reserve(names.size());
  for (std::string& name : names) {
    if (NameProblem(name).empty()) {
      kept.push_back(std::move(name));
    } else if (!name.empty() && leftOut) {
      leftOut->push_back(std::move(name));
    }
  }
  return kept;
}

// A listed name as the notice shows it: printable ASCII as it is, every
// other byte (and the quote, backslash and colour caret) as \xNN, cut at 64 bytes.
std::string ShownName(std::string_view name) {
  constexpr std::size_t kShown = 64;
  std::string out = "\"";
  for (std::size_t i = 0; i < name.size() && i < kShown; ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '^') {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
      out += buf;
    }
  }
  if (name.size() > kShown) out += "...";
  out += '"';
  return out;
}

}  // namespace

std::string LeftOutNotice(ListingKind kind, const std::vector<std::string>& leftOut) {
  if (leftOut.empty()) return std::string();
  const bool maps = kind == ListingKind::Maps;
  std::string s;
  if (leftOut.size() == 1) {
    s = maps ? "Eine vom Server gelistete Karte wurde ausgelassen"
             : "Eine vom Server gelistete Konfigurationsdatei wurde ausgelassen";
    s += ", weil ihr Name nicht zul\xC3\xA4ssig ist: ";
  } else {
    s = std::to_string(leftOut.size());
    s += maps ? " vom Server gelistete Karten wurden ausgelassen"
              : " vom Server gelistete Konfigurationsdateien wurden ausgelassen";
    s += ", weil ihre Namen nicht zul\xC3\xA4ssig sind: ";
  }
  constexpr std::size_t kNamesShown = 5;
  for (std::size_t i = 0; i < leftOut.size() && i < kNamesShown; ++i) {
    if (i > 0) s += ", ";
    s += ShownName(leftOut[i]);
  }
  if (leftOut.size() > kNamesShown)
    s += " und " + std::to_string(leftOut.size() - kNamesShown) + " weitere";
  return s;
}

std::vector<std::string> ConsoleLines(std::string_view datagram, std::size_t limit) {
  return SplitText(StripColorCodes(Copy(datagram, 5, limit)), "\n");
}

std::optional<MapListing> CheckMapListing(std::string_view datagram,
                                          std::string_view mapinfoOfReplyServer,
                                          std::size_t limit) {
  if (Copy(datagram, 5, kMapDirHead.size()) != kMapDirHead) return std::nullopt;
  MapListing listing;
  // Piece 0 is the extension named in the command, piece 1 the dashes.
  listing.maps =
      KeepValidNames(MiddlePieces(SplitText(Copy(datagram, 32, limit), "\n"), 2), &listing.leftOut);
  if (!listing.maps.empty()) listing.chosen = 0;
  for (std::size_t i = 0; i < listing.maps.size(); ++i) {
    const std::string_view stem = WithoutExtension(listing.maps[i]);
    // An empty name would be "contained" in every map info; it never names
    // the running map.
    if (stem.empty()) continue;
    if (mapinfoOfReplyServer.find(stem) != std::string_view::npos) {
      listing.chosen = static_cast<int>(i);
      listing.picturesLoaded.push_back(listing.maps[i]);
    }
  }
  return listing;
}

std::optional<std::vector<std::string>> CheckConfigListing(std::string_view datagram,
                                                           std::size_t limit,
                                                           std::vector<std::string>* leftOut) {
  if (Copy(datagram, 5, kCfgDirHead.size()) == kCfgDirHead) {
    // Piece 0 is the dashes line.
    return KeepValidNames(MiddlePieces(SplitText(Copy(datagram, 31, limit), "\n"), 1), leftOut);
  }
  if (Copy(datagram, 5, kPrintHead.size()) == kPrintHead &&
      FieldOf(Copy(datagram, 5, 50), "\n", 1).find(".cfg") != std::string::npos) {
    // Piece 0 is the leading bytes and "print".
    return KeepValidNames(MiddlePieces(SplitText(datagram, "\n"), 1), leftOut);
  }
  return std::nullopt;
}

std::string MapPictureFile(std::uint8_t protocolOfSelected, std::string_view mapFile) {
  for (char c : mapFile) {
    if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 32)
      return std::string();
  }
  int family = protocolOfSelected;
  if (family == 21) family = 22;
  if (family == 5) family = 6;
  if (family == 118) family = 117;
  std::string path = "mapimgs";
  path += kDirSep;
  path += std::to_string(family);
  path += '_';
  path += WithoutExtension(mapFile);
  path += ".jpg";
  return path;
}

std::string MapPictureFallback() {
  std::string path = "mapimgs";
  path += kDirSep;
  path += "no_map.jpg";
  return path;
}

std::string AddressIp(std::string_view address) {
  return std::string(address.substr(0, address.find(':')));
}

namespace {

// The columns a status table's header may name, and the row field each
// one fills.
int FieldOfColumn(std::string_view name) {
  if (name == "num" || name == "cl") return 0;
  if (name == "name") return 1;
  if (name == "ping") return 2;
  if (name == "guid") return 3;
  if (name == "score") return 4;
  if (name == "lastmsg") return 5;
  if (name == "address") return 6;
  if (name == "qport") return 7;
  if (name == "rate") return 8;
  return -1;
}

// The client number and the GUID keep the widths of the fixed columns
// whatever the header's dashes or words say: the number goes into kick and
// ban commands, and the GUID list holds GUIDs of that width.
std::string FieldText(int field, const std::string& text) {
  if (field == 0) return text.substr(0, 3);
  if (field == 3) return text.substr(0, 6);
  return text;
}

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') ++i;
    const std::size_t start = i;
    while (i < line.size() && static_cast<unsigned char>(line[i]) > ' ') ++i;
    if (i > start) out.emplace_back(line.substr(start, i - start));
  }
  return out;
}

// A layout read from the header and the dashes below it: the columns it
// names, each with the characters its dashes cover. Empty (the fixed
// columns of Call of Duty) for the games' own header and for a header that
// names a column Zelmora does not know.
struct Column {
  int field;
  std::size_t start;  // 0-based
  std::size_t end;    // one past the last dash
};

std::vector<Column> LayoutOf(const std::string& header, const std::string& dashes) {
  static const std::vector<std::string> kCod = {"num",     "score",   "ping",  "guid", "name",
                                                "lastmsg", "address", "qport", "rate"};
  const std::vector<std::string> names = Words(header);
  if (names == kCod) return {};
  std::vector<Column> columns;
  std::size_t i = 0;
  bool hasName = false;
  for (const std::string& n : names) {
    const int field = FieldOfColumn(n);
    if (field < 0) return {};
    hasName = hasName || field == 1;
    while (i < dashes.size() && dashes[i] != '-') ++i;
    const std::size_t start = i;
    while (i < dashes.size() && dashes[i] == '-') ++i;
    if (i == start) return {};  // fewer runs of dashes than names
    columns.push_back({field, start, i});
  }
  if (!hasName) return {};
  return columns;
}

// The last "^" among the line's characters but its last one (1-based, 0 for
// none): the colour code the server puts after every name.
std::size_t NameEndMark(const std::string& line) {
  std::size_t mark = 0;
  for (std::size_t i = 0; i + 1 < line.size(); ++i)
    if (line[i] == '^') mark = i + 1;
  return mark;
}

// A row by the columns of its header: the columns before the name by their
// dashes, the name up to its end mark, the words after it in the header's
// order.
void ParseRowByColumns(const std::string& line, const std::vector<Column>& columns,
                       Tstatusrow& row) {
  std::size_t c = 0;
  for (; c < columns.size() && columns[c].field != 1; ++c)
    row[static_cast<std::size_t>(columns[c].field)] =
        FieldText(columns[c].field,
                  TrimCtl(Copy(line, columns[c].start + 1, columns[c].end - columns[c].start)));
  if (c == columns.size()) return;
  const std::size_t nameStart = columns[c].start + 1;  // 1-based
  const std::size_t mark = NameEndMark(line);
  if (mark == 0 || mark < nameStart) return;  // name and words cannot be located
  // These servers pad the name to its column and put the colour reset
  // right before the next word ("Angelyss        ^7bot"): the blanks before
  // the mark are padding, and the word after it starts at once.
  if (mark > nameStart) {
    std::string name = Copy(line, nameStart, mark - nameStart);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    row[1] = std::move(name);
  }
  const std::vector<std::string> words = SplitText(TrimCtl(Copy(line, mark + 2, 99)), " ");
  std::size_t next = c + 1;
  for (std::size_t w = 0; w < words.size() && next < columns.size(); ++w) {
    if (words[w].empty()) continue;
    const int field = columns[next++].field;
    row[static_cast<std::size_t>(field)] = FieldText(field, TrimCtl(words[w]));
  }
}

}  // namespace

bool ParseStatusInfo(std::string_view text, Tstatusinfo& rows) {
  for (auto& row : rows)
    for (auto& field : row) field.clear();
  const std::vector<std::string> lines = SplitText(text, "\n");
  if (lines.size() < 3) {
    rows.clear();
    return true;
  }
  if (lines.size() < 5) return false;
  const std::vector<Column> columns = LayoutOf(lines[1], lines[2]);
  rows.resize(lines.size() - 5);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::string line = lines[r + 3];
    for (char& c : line)
      if (c == '\n' || c == '\v' || c == '\r') c = '\0';
    Tstatusrow& row = rows[r];
    if (!columns.empty()) {
      ParseRowByColumns(line, columns, row);
      continue;
    }
    row[0] = TrimCtl(Copy(line, 1, 3));
    row[4] = TrimCtl(Copy(line, 5, 5));
    row[2] = TrimCtl(Copy(line, 11, 4));
    row[3] = TrimCtl(Copy(line, 16, 6));
    // The name ends at the last caret before the final character (the "^7"
    // the server appends); the name's own codes come before it.
    const std::size_t mark = NameEndMark(line);
    if (mark == 0) continue;  // name and words cannot be located
    if (mark > 23) row[1] = Copy(line, 23, mark - 23);
    const std::vector<std::string> words = SplitText(TrimCtl(Copy(line, mark, 99)), " ");
    std::size_t field = 5;
    for (std::size_t w = 1; w < words.size() && field <= 8; ++w) {
      if (words[w].empty()) continue;
      row[field++] = TrimCtl(words[w]);
    }
  }
  return true;
}

void ApplyStatusLookups(Tstatusinfo& rows, const StatusLookups& lookups) {
  for (Tstatusrow& row : rows) {
    if (lookups.guidName) {
      if (std::optional<std::string> name = lookups.guidName(row[3])) row[9] = std::move(*name);
    }
    if (row[6].empty() || !lookups.address) continue;
    // The cache keeps addresses cut to 25 characters; looking up the cut
    // form keeps an over-long address from being queued again at every poll.
    const std::string ip = AddressIp(row[6]).substr(0, 25);
    if (std::optional<AddressInfo> info = lookups.address(ip)) {
      row[10] = info->provider;
      row[11] = info->cc;
      row[12] = info->country;
      row[13] = std::to_string(info->flag);
    } else if (lookups.addUnknown) {
      lookups.addUnknown(ip);
    }
  }
}

StatusAssembly AssembleStatusTable(const std::vector<std::string>& datagrams) {
  StatusAssembly result;
  std::vector<std::string> texts;
  texts.reserve(datagrams.size());
  std::size_t mapIndex = 0;
  for (std::size_t i = 0; i < datagrams.size(); ++i) {
    if (Copy(datagrams[i], 5, kMapLineHead.size()) == kMapLineHead) {
      result.found = true;
      mapIndex = i;
      texts.push_back(CopyFrom(datagrams[i], 16));  // the map name on
    } else {
      texts.push_back(CopyFrom(datagrams[i], 11));  // after "print" and its line feed
    }
  }
  if (!result.found) return result;
  result.single = texts.size() == 1;
  result.table = std::move(texts[mapIndex]);
  for (std::size_t i = 0; i < texts.size(); ++i)
    if (i != mapIndex) result.table += texts[i];
  return result;
}

}  // namespace zelmora
