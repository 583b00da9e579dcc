#include "history/penalties.h"

#include <cstdio>
#include <ctime>

namespace zelmora {

std::vector<PenaltyRow> LoadPenalties(SqliteDb& db, std::int64_t playerId) {
  SqliteStmt st(db,
                "SELECT p.id, p.player, p.time, sv.key, sv.name, p.kind, p.guid, p.name, "
                "p.address, p.reason, p.outcome FROM penalties p "
                "LEFT JOIN servers sv ON sv.id = p.server "
                "WHERE ?1 = 0 OR p.player = ?1 ORDER BY p.time, p.rowid");
  st.Bind(1, playerId);
  std::vector<PenaltyRow> out;
  while (st.Step()) {
    PenaltyRow r;
    r.id = st.Int(0);
    r.playerId = st.Int(1);
    r.record.time = st.Int(2);
    r.record.serverKey = st.Text(3);
    r.record.serverName = st.Text(4);
    const auto kind = st.Int(5);
    r.record.kind = kind >= 1 && kind <= 4 ? static_cast<PenaltyKind>(kind) : PenaltyKind::kKick;
    r.record.guid = st.Text(6);
    r.record.name = st.Text(7);
    r.record.address = st.Text(8);
    r.record.reason = st.Text(9);
    const auto outcome = st.Int(10);
    r.outcome =
        outcome >= 0 && outcome <= 3 ? static_cast<PenaltyOutcome>(outcome) : PenaltyOutcome::kSent;
    out.push_back(std::move(r));
  }
  return out;
}

std::string PenaltyKindText(PenaltyKind kind) {
  switch (kind) {
    case PenaltyKind::kBan:
      return "Bann";
    case PenaltyKind::kTempBan:
      return "Tempor\xe4rer Bann";
    case PenaltyKind::kHighPingKick:
      return "Highpinger-Kick";
    case PenaltyKind::kKick:
      break;
  }
  return "Kick";
}

std::string PenaltyOutcomeText(PenaltyOutcome outcome) {
  switch (outcome) {
    case PenaltyOutcome::kGone:
      return "Spieler entfernt";
    case PenaltyOutcome::kStillThere:
      return "Spieler noch da";
    case PenaltyOutcome::kUnconfirmed:
      return "unbest\xe4tigt";
    case PenaltyOutcome::kSent:
      break;
  }
  return "gesendet";
}

std::string CsvField(std::string_view value) {
  std::string v;
  if (!value.empty() && (value[0] == '=' || value[0] == '+' || value[0] == '-' || value[0] == '@' ||
                         value[0] == '\t' || value[0] == '\r'))
    v = "'";
  v += value;
  if (v.find_first_of(";\"\r\n") == std::string::npos) return v;
  std::string q = "\"";
  for (char c : v) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

std::string LocalTimeText(std::int64_t time) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1,
                tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

std::string PenaltiesCsv(const std::vector<PenaltyRow>& rows) {
  std::string out = "Zeit;Server;Serveradresse;Art;GUID;Name;Adresse;Ergebnis;Grund\r\n";
  for (const PenaltyRow& r : rows) {
    const PenaltyRecord& p = r.record;
    const std::string fields[] = {LocalTimeText(p.time),
                                  p.serverName,
                                  p.serverKey,
                                  PenaltyKindText(p.kind),
                                  p.guid,
                                  p.name,
                                  p.address,
                                  PenaltyOutcomeText(r.outcome),
                                  p.reason};
    bool first = true;
    for (const std::string& f : fields) {
      if (!first) out += ';';
      out += CsvField(f);
      first = false;
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace zelmora
