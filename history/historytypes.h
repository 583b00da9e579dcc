// Plain records the player history hands out and takes in. Times are
// seconds since the epoch; game texts (names, server names, reasons) are
// 8-bit text as the servers and the operator's fields give them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelmora {

// "Verlauf führen" and "Einträge behalten: N Tage".
struct HistorySettings {
  bool enabled = true;
  int keepDays = 90;
};

enum class HistoryFaultKind {
  kNone,
  kLocked,        // another program holds the database locked
  kReadOnly,      // the file or its folder cannot be written
  kDamaged,       // not a database, or a damaged one (moved aside)
  kFull,          // the disk (or the size limit) is full
  kNewerVersion,  // written by a newer Zelmora
  kOther,         // any other error of the file system or the library
};

// The outcome of opening, and the one fault of a run. message is German
// (UTF-8) and says what happened and whether the history is kept.
struct HistoryStatus {
  HistoryFaultKind fault = HistoryFaultKind::kNone;
  bool keeping = false;  // the history is kept in this run
  std::string message;   // empty when all is well
  std::string movedTo;   // a damaged file's new path, else empty
};

struct ServerSeen {
  std::string key;   // "host:port"
  std::string name;  // the server's name when last seen, raw
};

// One row of a search result.
struct PlayerSummary {
  // 0 for a name that only getstatus replies gave (no status table saw it
  // there); such a row has no GUID, address or penalties.
  std::int64_t playerId = 0;
  std::string name;                     // last name, raw with colour codes
  std::vector<std::string> otherNames;  // earlier names, most recent first
  std::string guid;
  std::string lastAddress;
  std::int64_t firstSeen = 0;
  std::int64_t lastSeen = 0;
  std::vector<ServerSeen> servers;  // most recently seen first
  int penalties = 0;
};

enum class PenaltyKind : std::uint8_t { kKick = 1, kBan = 2, kTempBan = 3, kHighPingKick = 4 };

// What the first status table after the command said.
enum class PenaltyOutcome : std::uint8_t {
  kSent = 0,        // sent, no table has told yet
  kGone = 1,        // the player was no longer in the table
  kStillThere = 2,  // the player was still in the table
  kUnconfirmed = 3  // no table came
};

struct PenaltyRecord {
  std::int64_t time = 0;
  std::string serverKey;
  std::string serverName;
  PenaltyKind kind = PenaltyKind::kKick;
  std::string guid;     // as the table gave it ("0" and "" for none)
  std::string name;     // raw
  std::string address;  // ip (a port is cut off)
  std::string reason;   // optional text of the operator
};

struct PenaltyRow {
  std::int64_t id = 0;
  std::int64_t playerId = 0;
  PenaltyRecord record;
  PenaltyOutcome outcome = PenaltyOutcome::kSent;
};

enum class WatchKind : std::uint8_t { kGuid = 0, kNamePattern = 1 };

// "Eine Stunde stumm": how long a silenced entry stays quiet.
inline constexpr std::int64_t kWatchSilenceSeconds = 3600;

// One entry of the watch list ("beobachten").
struct WatchEntry {
  std::int64_t id = 0;
  WatchKind kind = WatchKind::kGuid;
  std::string value;  // the GUID, or the name pattern ("*" and "?" allowed)
  std::string note;   // the operator's note
  bool enabled = true;
  std::int64_t silencedUntil = 0;  // no alert before this time
  std::int64_t created = 0;
};

}  // namespace zelmora
