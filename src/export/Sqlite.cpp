// SQLite connection and statement owners.
#include "export/Sqlite.h"

#include <sqlite3.h>

#include <cerrno>
#include <utility>

#include "common/Error.h"

namespace kartovel {

void SqliteDatabase::Closer::operator()(sqlite3* db) const {
  sqlite3_close_v2(db);
}

SqliteDatabase::SqliteDatabase(const std::string& fileName, std::string failureText)
    : failureText_(std::move(failureText)) {
  sqlite3* db = nullptr;
  const int result =
      sqlite3_open_v2(fileName.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  db_.reset(db);  // a handle comes back even on failure and must be closed
  if (result != SQLITE_OK) {
    Fail();
  }
}

void SqliteDatabase::Exec(const char* sql) {
  if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
    Fail();
  }
}

void SqliteDatabase::Close() {
  if (sqlite3_close(db_.get()) != SQLITE_OK) {
    Fail();
  }
  db_.release();
}

void SqliteDatabase::Fail() const {
  // A full disk is reported by SQLite without the system's error number.
  int systemError = db_ ? sqlite3_system_errno(db_.get()) : 0;
  if (systemError == 0 && db_ && (sqlite3_extended_errcode(db_.get()) & 0xFF) == SQLITE_FULL) {
    systemError = ENOSPC;
  }
  const std::string cause = systemError != 0 ? SystemErrorText(systemError)
                            : db_             ? std::string(sqlite3_errmsg(db_.get()))
                                              : std::string("out of memory");
  throw AppError(failureText_ + ": " + cause);
}

void SqliteStatement::Finalizer::operator()(sqlite3_stmt* statement) const {
  sqlite3_finalize(statement);
}

SqliteStatement::SqliteStatement(SqliteDatabase& db, const char* sql) : db_(db) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db.Handle(), sql, -1, &statement, nullptr) != SQLITE_OK) {
    db.Fail();
  }
  statement_.reset(statement);
}

void SqliteStatement::BindInteger(int index, int64_t value) {
  if (sqlite3_bind_int64(statement_.get(), index, value) != SQLITE_OK) {
    db_.Fail();
  }
}

void SqliteStatement::BindReal(int index, double value) {
  if (sqlite3_bind_double(statement_.get(), index, value) != SQLITE_OK) {
    db_.Fail();
  }
}

void SqliteStatement::BindText(int index, std::string_view text) {
  if (sqlite3_bind_text64(statement_.get(), index, text.data(), text.size(), SQLITE_STATIC,
                          SQLITE_UTF8) != SQLITE_OK) {
    db_.Fail();
  }
}

void SqliteStatement::BindBlob(int index, std::string_view bytes) {
  if (sqlite3_bind_blob64(statement_.get(), index, bytes.data(), bytes.size(), SQLITE_STATIC) !=
      SQLITE_OK) {
    db_.Fail();
  }
}

void SqliteStatement::Run() {
  const int result = sqlite3_step(statement_.get());
  sqlite3_reset(statement_.get());
  if (result != SQLITE_DONE) {
    db_.Fail();
  }
}

bool SqliteStatement::FirstColumnEquals(std::string_view bytes) {
  const int result = sqlite3_step(statement_.get());
  bool equal = false;
  if (result == SQLITE_ROW) {
    const void* stored = sqlite3_column_blob(statement_.get(), 0);
    const size_t size = static_cast<size_t>(sqlite3_column_bytes(statement_.get(), 0));
    equal = size == bytes.size() &&
            (size == 0 || std::string_view(static_cast<const char*>(stored), size) == bytes);
  }
  sqlite3_reset(statement_.get());
  if (result != SQLITE_ROW && result != SQLITE_DONE) {
    db_.Fail();
  }
  return equal;
}

bool SqliteStatement::Step() {
  const int result = sqlite3_step(statement_.get());
  if (result == SQLITE_ROW) {
    return true;
  }
  sqlite3_reset(statement_.get());
  if (result != SQLITE_DONE) {
    db_.Fail();
  }
  return false;
}

int64_t SqliteStatement::IntegerColumn(int index) const {
  return sqlite3_column_int64(statement_.get(), index);
}

}  // namespace kartovel
