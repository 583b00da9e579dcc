#include "core/join.h"

#include <algorithm>

#include "core/fileio.h"
#include "core/textutil.h"

namespace zelmora {

std::string BuildJoinCommandLine(std::string_view host, std::string_view port,
                                 std::string_view password, std::string_view name,
                                 std::string_view extraParams) {
  std::string line;
  line.reserve(48 + host.size() + port.size() + password.size() + name.size() + extraParams.size());
  line += "+connect \"";
  line += host;
  line += ':';
  line += port;
  line += "\" +password \"";
  line += password;
  line += "\" +name \"";
  line += name;
  line += "\" ";
  line += TrimCtl(extraParams);
  return line;
}

bool HasFreeSlot(const Tserverrec& e) {
  return static_cast<std::int64_t>(e.players) <
         static_cast<std::int64_t>(e.maxclients) - static_cast<std::int64_t>(e.privateclients);
}

std::string PlayerCountText(const Tserverrec& e) {
  std::string text = std::to_string(e.players) + "/" + std::to_string(e.maxclients);
  // Appended piece by piece: GCC 12 takes "text" + std::string for an overlapping
  // copy (-Wrestrict, a false alarm, GCC bug 105329).
  if (e.privateclients > 0) text.append("(").append(std::to_string(e.privateclients)).append(")");
  return text;
}

JoinExecutable JoinExecutableFor(const Settings& s, std::uint8_t protocol) {
  const int row = PathRowForProtocol(protocol);
  if (row < 0) return {};
  const auto r = static_cast<std::size_t>(row);
  return {true, s.paths[r], kPathRows[r].version};
}

std::string MissingExecutableMessage(std::string_view version) {
  return "Konnte Call of Duty " + std::string(version) + " EXE nicht finden";
}

std::vector<std::string> ParseHistory(std::string_view bytes) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = start;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    items.emplace_back(bytes.substr(start, end - start));
    // One line break: CR LF, a lone CR or a lone LF.
    if (end < bytes.size() && bytes[end] == '\r') ++end;
    if (end < bytes.size() && bytes[end] == '\n') ++end;
    start = end;
  }
  return items;
}

std::string HistoryFileBytes(const std::vector<std::string>& items) {
  std::string bytes;
  for (const std::string& item : items) {
    bytes += item;
    bytes += "\r\n";
  }
  return bytes;
}

std::string UseHistoryEntry(std::vector<std::string>& items, std::string_view text) {
  std::string entry = TrimCtl(text);
  items.erase(std::remove(items.begin(), items.end(), entry), items.end());
  items.push_back(entry);
  return entry;
}

HistoryFile LoadHistory(const std::string& path) {
  HistoryFile file;
  std::string bytes;
  switch (ReadWholeFile(path, bytes, &file.error)) {
    case ReadResult::kOk:
      file.items = ParseHistory(bytes);
      break;
    case ReadResult::kMissing:
      break;
    case ReadResult::kError:
      file.readable = false;
      break;
  }
  return file;
}

bool SaveHistory(const std::string& path, const std::vector<std::string>& items, std::string* error,
                 NewFileMode newMode) {
  return WriteFileAtomic(path, HistoryFileBytes(items), error, newMode);
}

}  // namespace zelmora
