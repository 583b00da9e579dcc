// What the writer thread does with a status table, a getstatus player list
// and a penalty: players by GUID (or by name and address), their names and
// addresses, and sightings as sessions.
//
// A session goes on while the same player is seen on the same server with
// gaps shorter than kSessionGap; a longer gap starts a new one. Sessions
// being continued are kept in memory, so a table of players who are still
// there costs one update per player (the session's end); the player's own
// rows (last seen, name, address) are refreshed when something changes and
// otherwise every kRefreshSeconds. Every call runs inside the caller's
// transaction.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "history/historytypes.h"
#include "history/normalize.h"
#include "history/sqlitedb.h"

namespace zelmora {

inline constexpr std::int64_t kSessionGap = 300;
inline constexpr std::int64_t kRefreshSeconds = 300;

class HistoryRecorder {
 public:
  explicit HistoryRecorder(SqliteDb& db);

  void RecordTable(const std::string& serverKey, const std::string& serverName,
                   const std::vector<SeenPlayer>& players, std::int64_t time);
  // The names of a getstatus reply. While status tables of the same server
  // come (the last one less than kSessionGap ago), the tables already tell
  // who is there: the names are not kept a second time.
  void RecordNames(const std::string& serverKey, const std::string& serverName,
                   const std::vector<std::string>& names, std::int64_t time);
  void RecordPenalty(std::int64_t id, const PenaltyRecord& rec);
  void ConfirmPenalty(std::int64_t id, PenaltyOutcome outcome);

  // Forgets every id held in memory: after pruning or clearing (here or by
  // another program) the rows they name may be gone.
  void ForgetCaches();
  std::size_t OpenSessionCount() const { return open_.size() + openNames_.size(); }

 private:
  struct OpenSession {
    std::int64_t player = 0;
    std::int64_t name = 0;
    std::string address;
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t refreshed = 0;
  };
  struct OpenNameSession {
    std::int64_t first = 0;
    std::int64_t last = 0;
  };
  struct Server {
    std::int64_t id = 0;
    std::string name;
  };

  std::int64_t ServerId(const std::string& key, const std::string& name);
  std::int64_t NameId(const std::string& raw);
  // The player's id; creates the player when unknown. Updates its current
  // name, address and last seen, and the name and address rows.
  std::int64_t ResolvePlayer(const SeenPlayer& p, std::int64_t nameId, std::int64_t time);
  void TouchNameAndAddress(std::int64_t player, std::int64_t nameId, const std::string& address,
                           std::int64_t time);
  bool ContinueOpen(OpenSession& s, std::int64_t server, const SeenPlayer& p, std::int64_t time);
  OpenSession StartSession(std::int64_t server, const SeenPlayer& p, std::int64_t time);
  void SeeName(std::int64_t server, std::int64_t nameId, std::int64_t time);
  void DropExpired(std::int64_t time);

  SqliteDb& db_;
  SqliteStmt serverFind_, serverInsert_, serverRename_;
  SqliteStmt nameFind_, nameInsert_;
  SqliteStmt playerByGuid_, playerByNameAddr_, playerInsert_, playerUpdate_;
  SqliteStmt nameUpsert_, addressUpsert_;
  SqliteStmt sessionLatest_, sessionUpsert_, sessionExtend_;
  SqliteStmt nameSessionLatest_, nameSessionUpsert_, nameSessionExtend_;
  SqliteStmt penaltyInsert_, penaltyConfirm_;

  std::unordered_map<std::string, Server> servers_;
  std::unordered_map<std::string, std::int64_t> names_;
  // Open sessions by server id and identity ("g" GUID, or "n" name NUL ip).
  std::map<std::pair<std::int64_t, std::string>, OpenSession> open_;
  std::map<std::pair<std::int64_t, std::int64_t>, OpenNameSession> openNames_;
  std::int64_t lastSweep_ = 0;
  std::unordered_map<std::int64_t, std::int64_t> lastTable_;  // server id -> time
};

}  // namespace zelmora
