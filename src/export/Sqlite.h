// Thin owners of an SQLite connection and a prepared statement, so that every handle is
// released on every way out. Failures throw AppError: the text the caller chose, ": ",
// and the cause (the system's reason, "No space left on device", else SQLite's message).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kartovel {

class SqliteDatabase {
 public:
  // Opens (creating) the database file. failureText is the message of every failure of
  // this connection, for example "Cannot create file <name>".
  SqliteDatabase(const std::string& fileName, std::string failureText);
  // Runs one or more statements without results.
  void Exec(const char* sql);
  // Closes the connection; throws when SQLite reports an error on the way.
  void Close();

  sqlite3* Handle() const { return db_.get(); }
  const std::string& FailureText() const { return failureText_; }
  [[noreturn]] void Fail() const;

 private:
  struct Closer {
    void operator()(sqlite3* db) const;
  };
  std::unique_ptr<sqlite3, Closer> db_;
  std::string failureText_;
};

class SqliteStatement {
 public:
  SqliteStatement(SqliteDatabase& db, const char* sql);

  // Parameters are numbered from 1. Blobs and texts are copied by SQLite only when the
  // statement runs, so they must stay alive until Run.
  void BindInteger(int index, int64_t value);
  void BindReal(int index, double value);
  void BindText(int index, std::string_view text);
  void BindBlob(int index, std::string_view bytes);
  // Runs the statement to its end and resets it for the next use.
  void Run();
  // Runs a query of one row: true when its first column equals bytes (no row: false).
  bool FirstColumnEquals(std::string_view bytes);
  // The next row of a query: true while there is one; after the last row the statement is
  // reset for the next use. A query is read to its end before the statement is bound again.
  bool Step();
  // A column of the row Step found, numbered from 0.
  int64_t IntegerColumn(int index) const;

 private:
  struct Finalizer {
    void operator()(sqlite3_stmt* statement) const;
  };
  SqliteDatabase& db_;
  std::unique_ptr<sqlite3_stmt, Finalizer> statement_;
};

}  // namespace kartovel
