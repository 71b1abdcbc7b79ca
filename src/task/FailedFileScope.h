// Where the records of one failed-tile file may write: only tile names of the file's own
// task, inside that task's tile folder. A failed-tile file can come from anywhere, so a
// record naming another place (an absolute path elsewhere, "..", a symbolic link leading
// out, a file that is no tile) is never fetched.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "task/FailedRecord.h"
#include "task/TileName.h"

namespace kartovel {

class FailedFileScope {
 public:
  // The file's name is base + "_failed.ftl"; its task's tile folder is base + "/" beside
  // it, and the tile names' kind comes from the task file base + ".qtsk" when that is
  // there (the built-in kind otherwise). Throws AppError when the name is not of that form
  // or the folder or base breaks the task-name rules.
  explicit FailedFileScope(const std::string& failedFileName);

  // The pane line that says why a record is skipped, or nothing when it may be fetched
  // and written.
  std::optional<std::string> Refusal(const FailedRecord& record) const;

  // With every symbolic link of the failed-tile file's folder resolved.
  const std::filesystem::path& TileFolder() const { return tileFolder_; }
  const TileNameKind& Kind() const { return kind_; }

 private:
  std::optional<std::string> PathRefusal(const std::string& tilePath) const;

  std::filesystem::path tileFolder_;
  TileNameKind kind_;
};

}  // namespace kartovel
