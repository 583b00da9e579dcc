#include "history/sqlitedb.h"

namespace zelmora {

SqliteDb& SqliteDb::operator=(SqliteDb&& o) noexcept {
  if (this != &o) {
    Close();
    db_ = o.db_;
    o.db_ = nullptr;
  }
  return *this;
}

void SqliteDb::Open(const std::string& path, bool create) {
  Close();
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  if (create) flags |= SQLITE_OPEN_CREATE;
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    const int code = db ? sqlite3_extended_errcode(db) : rc;
    sqlite3_close_v2(db);
    throw SqliteError(code, msg);
  }
  sqlite3_extended_result_codes(db, 1);
  db_ = db;
}

void SqliteDb::Close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

void SqliteDb::Exec(std::string_view sql) {
  const std::string s(sql);
  const int rc = sqlite3_exec(db_, s.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Throw(rc);
}

std::int64_t SqliteDb::QueryInt(std::string_view sql) {
  SqliteStmt st(*this, sql);
  return st.Step() ? st.Int(0) : 0;
}

void SqliteDb::SetBusyTimeout(int ms) {
  sqlite3_busy_timeout(db_, ms);
}

bool SqliteDb::ReadOnly() const {
  return sqlite3_db_readonly(db_, "main") == 1;
}

std::int64_t SqliteDb::LastInsertId() const {
  return sqlite3_last_insert_rowid(db_);
}

int SqliteDb::Changes() const {
  return sqlite3_changes(db_);
}

void SqliteDb::Throw(int rc) const {
  if (!db_) throw SqliteError(rc, sqlite3_errstr(rc));
  const int ext = sqlite3_extended_errcode(db_);
  // The connection's code belongs to its last call; rc is what failed now.
  const int code = (ext & 0xFF) == (rc & 0xFF) ? ext : rc;
  throw SqliteError(code, sqlite3_errmsg(db_));
}

SqliteStmt::SqliteStmt(SqliteDb& db, std::string_view sql) : db_(&db) {
  const int rc = sqlite3_prepare_v3(db.handle(), sql.data(), static_cast<int>(sql.size()),
                                    SQLITE_PREPARE_PERSISTENT, &st_, nullptr);
  if (rc != SQLITE_OK) db.Throw(rc);
}

SqliteStmt::~SqliteStmt() {
  sqlite3_finalize(st_);
}

SqliteStmt& SqliteStmt::operator=(SqliteStmt&& o) noexcept {
  if (this != &o) {
    sqlite3_finalize(st_);
    db_ = o.db_;
    st_ = o.st_;
    o.st_ = nullptr;
  }
  return *this;
}

SqliteStmt& SqliteStmt::Bind(int i, std::int64_t v) {
  const int rc = sqlite3_bind_int64(st_, i, v);
  if (rc != SQLITE_OK) db_->Throw(rc);
  return *this;
}

SqliteStmt& SqliteStmt::BindText(int i, std::string_view v) {
  const int rc = sqlite3_bind_text64(st_, i, v.data(), v.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  if (rc != SQLITE_OK) db_->Throw(rc);
  return *this;
}

SqliteStmt& SqliteStmt::BindBlob(int i, std::string_view v) {
  // A zero-length blob still binds as a blob, not as NULL.
  const int rc = sqlite3_bind_blob64(st_, i, v.empty() ? "" : v.data(), v.size(), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) db_->Throw(rc);
  return *this;
}

SqliteStmt& SqliteStmt::BindNull(int i) {
  const int rc = sqlite3_bind_null(st_, i);
  if (rc != SQLITE_OK) db_->Throw(rc);
  return *this;
}

bool SqliteStmt::Step() {
  const int rc = sqlite3_step(st_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  sqlite3_reset(st_);
  db_->Throw(rc);
}

void SqliteStmt::Run() {
  while (Step()) {
  }
}

void SqliteStmt::Reset() {
  sqlite3_reset(st_);
  sqlite3_clear_bindings(st_);
}

std::int64_t SqliteStmt::Int(int col) const {
  return sqlite3_column_int64(st_, col);
}

std::string SqliteStmt::Text(int col) const {
  const void* p = sqlite3_column_blob(st_, col);
  const int n = sqlite3_column_bytes(st_, col);
  return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
}

bool SqliteStmt::IsNull(int col) const {
  return sqlite3_column_type(st_, col) == SQLITE_NULL;
}

SqliteTransaction::SqliteTransaction(SqliteDb& db) : db_(db) {
  db_.Exec("BEGIN IMMEDIATE");
  open_ = true;
}

SqliteTransaction::~SqliteTransaction() {
  // A failed statement may already have ended the transaction; a rollback
  // then fails harmlessly.
  if (open_) sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteTransaction::Commit() {
  db_.Exec("COMMIT");
  open_ = false;
}

}  // namespace zelmora
