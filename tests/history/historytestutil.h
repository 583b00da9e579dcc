// Helpers of the player history tests: a data folder of its own per test,
// status table rows, and direct looks into the file.
#pragma once

#include <QTemporaryDir>
#include <QtTest>

#include <cstdint>
#include <string>

#include "history/sqlitedb.h"
#include "history/writer.h"
#include "protocol/rconreply.h"

namespace zelmora::testing {

// A status table row: number, name, GUID and address; the rest as a
// server fills it.
inline Tstatusrow Row(const std::string& num, const std::string& name, const std::string& guid,
                      const std::string& address) {
  Tstatusrow r{};
  r[0] = num;
  r[1] = name;
  r[2] = "50";
  r[3] = guid;
  r[4] = "0";
  r[5] = "0";
  r[6] = address;
  r[7] = "1234";
  r[8] = "25000";
  return r;
}

// The tests record made-up times (1970): the daily prune against the
// clock would remove them at once.
inline HistoryOptions TestOptions() {
  HistoryOptions o;
  o.dailyPrune = false;
  return o;
}

inline std::string Folder(const QTemporaryDir& dir) {
  return dir.path().toStdString();
}

// One integer from the file, through a connection of its own.
inline std::int64_t Count(const std::string& dbPath, const std::string& sql) {
  SqliteDb db;
  db.Open(dbPath, false);
  db.SetBusyTimeout(2000);
  return db.QueryInt(sql);
}

}  // namespace zelmora::testing
