// The content index: hash buckets in a scratch table, confirmed by the stored bytes.
#include "export/TileContentIndex.h"

#include <utility>
#include <vector>

namespace kartovel {

namespace {

constexpr char kSchema[] =
    "CREATE TABLE contents (hash INTEGER NOT NULL, id INTEGER NOT NULL,"
    " PRIMARY KEY (hash, id)) WITHOUT ROWID;";
constexpr char kSelect[] = "SELECT id FROM contents WHERE hash = ?1";
constexpr char kInsert[] = "INSERT INTO contents (hash, id) VALUES (?1, ?2)";

int64_t HashOf(std::string_view bytes) {
  return static_cast<int64_t>(std::hash<std::string_view>{}(bytes) ^
                              (uint64_t{bytes.size()} * 0x9E3779B97F4A7C15ULL));
}

}  // namespace

TileContentIndex::TileContentIndex(std::string failureText)
    : scratch_(std::move(failureText), kSchema),
      select_(scratch_.Prepare(kSelect)),
      insert_(scratch_.Prepare(kInsert)) {}

std::optional<int64_t> TileContentIndex::Find(
    std::string_view bytes, const std::function<bool(int64_t id)>& storedEquals) {
  // The candidates are read to the end first: comparing may run other statements, and
  // a query left half read could not be bound again.
  std::vector<int64_t> candidates;
  select_.BindInteger(1, HashOf(bytes));
  while (select_.Step()) {
    candidates.push_back(select_.IntegerColumn(0));
  }
  for (const int64_t id : candidates) {
    if (storedEquals(id)) {
      return id;
    }
  }
  return std::nullopt;
}

void TileContentIndex::Add(std::string_view bytes, int64_t id) {
  insert_.BindInteger(1, HashOf(bytes));
  insert_.BindInteger(2, id);
  insert_.Run();
  ++count_;
}

}  // namespace kartovel
