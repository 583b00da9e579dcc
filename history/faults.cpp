#include "history/faults.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/fileio.h"

namespace zelmora {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNotKept = " Der Spielerverlauf wird diesmal nicht geführt.";

std::string LocalDate(std::int64_t now) {
  const std::time_t t = static_cast<std::time_t>(now);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  return buf;
}

std::uint32_t BigEndian32(const unsigned char* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
         std::uint32_t(p[3]);
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(PathFromUtf8(path), ec);
}

}  // namespace

std::string FaultDetail(const SqliteError& e) {
  switch (e.PrimaryCode()) {
    case SQLITE_NOTADB:
      return "keine Datenbank";
    case SQLITE_CORRUPT:
      return "Inhalt beschädigt";
    case SQLITE_CANTOPEN:
      return "die Datei lässt sich nicht öffnen oder anlegen";
    case SQLITE_IOERR:
      return "Lese- oder Schreibfehler";
    case SQLITE_NOMEM:
      return "kein Speicher frei";
    default:
      return e.what();
  }
}

HistoryFaultKind FaultKindOf(const SqliteError& e) {
  switch (e.PrimaryCode()) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return HistoryFaultKind::kLocked;
    case SQLITE_READONLY:
    case SQLITE_PERM:
      return HistoryFaultKind::kReadOnly;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return HistoryFaultKind::kDamaged;
    case SQLITE_FULL:
      return HistoryFaultKind::kFull;
    default:
      return HistoryFaultKind::kOther;
  }
}

std::string FaultMessage(HistoryFaultKind kind, const std::string& path, const std::string& detail,
                         const std::string& movedTo) {
  const std::string db = "Die Spielerdatenbank " + path;
  const std::string why = detail.empty() ? "" : " (" + detail + ")";
  switch (kind) {
    case HistoryFaultKind::kNone:
      return "";
    case HistoryFaultKind::kLocked:
      return db + " ist von einem anderen laufenden Zelmora gesperrt." + kNotKept;
    case HistoryFaultKind::kReadOnly:
      return db + " ist schreibgeschützt." + kNotKept;
    case HistoryFaultKind::kDamaged:
      if (movedTo.empty())
        return db + " ist beschädigt" + why + " und konnte nicht beiseitegelegt werden." + kNotKept;
      return db + " war beschädigt" + why + ". Sie wurde nach " + movedTo +
             " verschoben und nicht gelöscht; ein neuer Spielerverlauf wurde angelegt.";
    case HistoryFaultKind::kFull:
      return "Kein Platz mehr für die Spielerdatenbank " + path +
             ": der Datenträger ist voll oder ihre Größengrenze erreicht." + kNotKept;
    case HistoryFaultKind::kNewerVersion:
      return db + " stammt von einer neueren Zelmora-Version und bleibt unverändert." + kNotKept;
    case HistoryFaultKind::kOther:
      break;
  }
  return db + " konnte nicht benutzt werden" + why + "." + kNotKept;
}

std::string ClearLockedMessage(const std::string& path) {
  return "Die Spielerdatenbank " + path +
         " ist von einem anderen laufenden Zelmora gesperrt; der Verlauf wurde nicht gelöscht.";
}

bool DatabaseFileCut(const std::string& path) {
  std::error_code ec;
  const auto walSize = fs::file_size(PathFromUtf8(path + "-wal"), ec);
  if (!ec && walSize > 0) return false;
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  unsigned char h[100];
  if (!in.read(reinterpret_cast<char*>(h), sizeof h)) return false;
  const std::uint32_t pageSizeField = (std::uint32_t(h[16]) << 8) | h[17];
  const std::uint64_t pageSize = pageSizeField == 1 ? 65536 : pageSizeField;
  // The size in the header counts only when the file's last writer kept it
  // (the version-valid-for number equals the change counter).
  if (BigEndian32(h + 92) != BigEndian32(h + 24)) return false;
  const std::uint64_t pages = BigEndian32(h + 28);
  const auto size = fs::file_size(PathFromUtf8(path), ec);
  return !ec && pageSize >= 512 && size < pages * pageSize;
}

std::string MoveDamagedAside(const std::string& path, std::int64_t now, std::string* error) {
  const std::string base = path + ".defekt-" + LocalDate(now);
  std::string target = base;
  for (int n = 2; Exists(target) || Exists(target + "-wal"); ++n)
    target = base + "-" + std::to_string(n);
  std::error_code ec;
  fs::rename(PathFromUtf8(path), PathFromUtf8(target), ec);
  if (ec) {
    if (error) *error = ec.message();
    return "";
  }
  // The log holds the newest part of the database: it goes along under the
  // name SQLite looks for beside the moved file. The shared-memory index is
  // rebuilt from the log.
  for (const char* suffix : {"-wal", "-shm"}) {
    std::error_code ignored;
    if (Exists(path + suffix))
      fs::rename(PathFromUtf8(path + suffix), PathFromUtf8(target + suffix), ignored);
  }
  return target;
}

}  // namespace zelmora
