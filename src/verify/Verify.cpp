// Which verifier a target goes to: a task by its extension, a file by its first bytes.
#include "verify/Verify.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/Error.h"
#include "common/FileDescriptor.h"
#include "common/Paths.h"
#include "common/Text.h"

namespace kartovel {

namespace {

constexpr char kSqliteMagic[] = "SQLite format 3";

bool IsTaskFile(const std::string& target) {
  const std::string name = ExtractFileName(target);
  return name.size() > 5 && EqualsIgnoringCase(std::string_view(name).substr(name.size() - 5),
                                               ".qtsk");
}

}  // namespace

VerifyReport VerifyTarget(const std::string& target, const std::string& programFolder,
                          const VerifyStop& stop) {
  if (IsTaskFile(target)) {
    return VerifyTask(target, programFolder, stop);
  }
  VerifyReport report;
  // No wait on a pipe: a FIFO is opened without blocking and refused as no regular file.
  const FileDescriptor file(open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (file.Get() < 0) {
    report.Broken("Cannot open file " + target + ": " + SystemErrorText(errno));
    return report;
  }
  if (fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    report.Broken(target + " is not a regular file");
    return report;
  }
  char head[16] = {};
  const ssize_t got = pread(file.Get(), head, sizeof head, 0);
  const std::string_view start(head, got > 0 ? static_cast<size_t>(got) : 0);
  if (start.starts_with("\x89PNG\r\n\x1a\n")) {
    report.Kind = "PNG image";
    VerifyPngFile(file.Get(), report);
  } else if (start.starts_with("PMTiles")) {
    report.Kind = "PMTiles";
    VerifyPmtilesFile(file.Get(), report, stop);
  } else if (start.size() == sizeof head && start.starts_with(kSqliteMagic)) {
    VerifySqliteFile(target, report, stop);
  } else {
    report.Broken(target +
                  " is none of the files verify reads (a task file, a PNG image, MBTiles, "
                  "PMTiles, GeoPackage or sqlitedb)");
  }
  return report;
}

}  // namespace kartovel
