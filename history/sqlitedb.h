// A small RAII layer over SQLite's C API: one connection, prepared
// statements with positional binding, and errors as exceptions that keep
// SQLite's result code (the history layer sorts faults by it).
//
// A connection is used by one thread at a time; the history layer gives its
// writer thread and its readers connections of their own.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zelmora {

class SqliteError : public std::runtime_error {
 public:
  SqliteError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
  // The extended result code; PrimaryCode() the primary one (SQLITE_BUSY, ...).
  int code() const { return code_; }
  int PrimaryCode() const { return code_ & 0xFF; }

 private:
  int code_;
};

class SqliteStmt;

class SqliteDb {
 public:
  SqliteDb() = default;
  ~SqliteDb() { Close(); }
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;
  SqliteDb(SqliteDb&& o) noexcept : db_(o.db_) { o.db_ = nullptr; }
  SqliteDb& operator=(SqliteDb&& o) noexcept;

  // Opens (creating when allowed) the file at a UTF-8 path. Throws
  // SqliteError on failure; the object then stays closed.
  void Open(const std::string& path, bool create);
  void Close();
  bool IsOpen() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_; }

  // Runs one or more statements without results.
  void Exec(std::string_view sql);
  // The first column of the first row as an integer (0 when there is none).
  std::int64_t QueryInt(std::string_view sql);
  void SetBusyTimeout(int ms);
  // Whether the main database was opened read-only (the file could not be
  // opened for writing).
  bool ReadOnly() const;
  std::int64_t LastInsertId() const;
  int Changes() const;
  // Throws the connection's current error as SqliteError.
  [[noreturn]] void Throw(int rc) const;

 private:
  sqlite3* db_ = nullptr;
};

// Prepared statement. Bind indexes are 1-based, column indexes 0-based.
class SqliteStmt {
 public:
  SqliteStmt() = default;
  SqliteStmt(SqliteDb& db, std::string_view sql);
  ~SqliteStmt();
  SqliteStmt(const SqliteStmt&) = delete;
  SqliteStmt& operator=(const SqliteStmt&) = delete;
  SqliteStmt(SqliteStmt&& o) noexcept : db_(o.db_), st_(o.st_) { o.st_ = nullptr; }
  SqliteStmt& operator=(SqliteStmt&& o) noexcept;

  SqliteStmt& Bind(int i, std::int64_t v);
  SqliteStmt& BindText(int i, std::string_view v);  // bytes as they are
  SqliteStmt& BindBlob(int i, std::string_view v);  // 8-bit game texts
  SqliteStmt& BindNull(int i);

  // Steps once: true while a row is there, false when done.
  bool Step();
  // Steps to the end, ignoring rows.
  void Run();
  // Clears the bindings and makes the statement ready for another run.
  void Reset();

  std::int64_t Int(int col) const;
  std::string Text(int col) const;  // text or blob bytes
  bool IsNull(int col) const;

 private:
  SqliteDb* db_ = nullptr;
  sqlite3_stmt* st_ = nullptr;
};

// BEGIN IMMEDIATE ... COMMIT; rolled back when left without Commit().
class SqliteTransaction {
 public:
  explicit SqliteTransaction(SqliteDb& db);
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;
  void Commit();

 private:
  SqliteDb& db_;
  bool open_ = false;
};

}  // namespace zelmora
