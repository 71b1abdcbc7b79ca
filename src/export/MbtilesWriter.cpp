// The MBTiles file writer: schema, batched inserts, and the sync and rename at the end.
#include "export/MbtilesWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/AtomicFile.h"
#include "common/Error.h"

namespace kartovel {

namespace {

// The temporary file is discarded on any failure, so SQLite keeps no rollback journal
// and does not sync; Commit syncs the finished file once. The application id is the
// number assigned to MBTiles ("MPBX"), by which tools recognise the file.
constexpr char kSchema[] =
    "PRAGMA page_size=65536;"
    "PRAGMA journal_mode=OFF;"
    "PRAGMA synchronous=OFF;"
    "PRAGMA locking_mode=EXCLUSIVE;"
    "PRAGMA application_id=1297105496;"
    "CREATE TABLE metadata (name text, value text);"
    "CREATE UNIQUE INDEX name ON metadata (name);"
    "CREATE TABLE tiles (zoom_level integer, tile_column integer, tile_row integer,"
    " tile_data blob);"
    "CREATE UNIQUE INDEX tile_index ON tiles (zoom_level, tile_column, tile_row);";

constexpr char kInsertTile[] =
    "INSERT OR REPLACE INTO tiles (zoom_level, tile_column, tile_row, tile_data)"
    " VALUES (?1, ?2, ?3, ?4)";
constexpr char kInsertMetadata[] = "INSERT OR REPLACE INTO metadata (name, value) VALUES (?1, ?2)";

constexpr char kTempMark[] = ".tmp-";
constexpr char kTempPattern[] = "XXXXXX";

// The files "<target>.tmp-" + six characters beside the target: regular files of this
// user, which only a writer of the target makes.
void RemoveStaleTempFiles(const std::string& targetFile) {
  const std::filesystem::path target(targetFile);
  const std::string prefix = target.filename().string() + kTempMark;
  const std::filesystem::path folder =
      target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    struct stat info {};
    if (name.size() == prefix.size() + std::strlen(kTempPattern) && name.starts_with(prefix) &&
        lstat(entry->path().c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_uid == geteuid()) {
      std::remove(entry->path().c_str());
    }
  }
}

// A new, empty file of a unique name beside the target, once the temporaries that killed
// writers of the same target left are gone.
std::string CreateTempFileBeside(const std::string& targetFile) {
  RemoveStaleTempFiles(targetFile);
  std::string name = targetFile + kTempMark + kTempPattern;
  const int descriptor = mkstemp(name.data());
  if (descriptor < 0) {
    // The reason (a folder that does not exist, no write access) is what the user can fix.
    throw AppError(WithSystemReason(CannotCreateFile(targetFile).what(), errno));
  }
  fchmod(descriptor, 0644);
  close(descriptor);
  return name;
}

AppError CannotWriteFile(const std::string& fileName, int systemError) {
  return AppError("Cannot write file " + fileName + ": " + SystemErrorText(systemError));
}

// SQLite reports a failed write without the system's reason ("disk I/O error"); one more
// page written at the end of the temporary, which is discarded anyway, shows it. 0 when
// that write succeeds.
int WriteFailureAtEnd(const std::string& fileName) {
  const int descriptor = open(fileName.c_str(), O_WRONLY | O_CLOEXEC);
  if (descriptor < 0) {
    return errno;
  }
  struct stat info {};
  int failure = fstat(descriptor, &info) == 0 ? 0 : errno;
  const std::string page(65536, '\0');
  for (size_t written = 0; failure == 0 && written < page.size();) {
    const ssize_t wrote = pwrite(descriptor, page.data() + written, page.size() - written,
                                 info.st_size + static_cast<off_t>(written));
    if (wrote <= 0) {
      failure = wrote < 0 ? errno : 0;
      break;
    }
    written += static_cast<size_t>(wrote);
  }
  close(descriptor);
  return failure;
}

bool SyncFile(const std::string& fileName) {
  const int descriptor = open(fileName.c_str(), O_RDONLY);
  if (descriptor < 0) {
    return false;
  }
  const bool synced = fsync(descriptor) == 0;
  return close(descriptor) == 0 && synced;
}

}  // namespace

MbtilesWriter::MbtilesWriter(std::string targetFile)
    : targetFile_(std::move(targetFile)), tempFile_(CreateTempFileBeside(targetFile_)) {
  try {
    Guarded([this] {
      db_ = std::make_unique<SqliteDatabase>(tempFile_, "Cannot write file " + targetFile_);
      db_->Exec(kSchema);
      insertTile_ = std::make_unique<SqliteStatement>(*db_, kInsertTile);
      insertMetadata_ = std::make_unique<SqliteStatement>(*db_, kInsertMetadata);
    });
  } catch (...) {
    insertTile_.reset();
    insertMetadata_.reset();
    db_.reset();
    std::remove(tempFile_.c_str());
    throw;
  }
}

template <typename Step>
void MbtilesWriter::Guarded(Step&& step) {
  try {
    step();
  } catch (const ExportWriteError&) {
    throw;
  } catch (const AppError& error) {
    const int failure = WriteFailureAtEnd(tempFile_);
    throw ExportWriteError(failure != 0 ? CannotWriteFile(targetFile_, failure).what()
                                        : error.what());
  }
}

MbtilesWriter::~MbtilesWriter() {
  if (!committed_) {
    insertTile_.reset();
    insertMetadata_.reset();
    db_.reset();
    std::remove(tempFile_.c_str());
  }
}

void MbtilesWriter::BeginBatchIfNeeded() {
  if (!inTransaction_) {
    db_->Exec("BEGIN");
    inTransaction_ = true;
    tilesInBatch_ = 0;
  }
}

void MbtilesWriter::AddMetadata(std::string_view name, std::string_view value) {
  Guarded([&] {
    BeginBatchIfNeeded();
    insertMetadata_->BindText(1, name);
    insertMetadata_->BindText(2, value);
    insertMetadata_->Run();
  });
}

void MbtilesWriter::AddTile(int32_t zoom, int32_t column, int32_t tmsRow, std::string_view data) {
  Guarded([&] {
    BeginBatchIfNeeded();
    insertTile_->BindInteger(1, zoom);
    insertTile_->BindInteger(2, column);
    insertTile_->BindInteger(3, tmsRow);
    insertTile_->BindBlob(4, data);
    insertTile_->Run();
    if (++tilesInBatch_ >= kTilesPerTransaction) {
      db_->Exec("COMMIT");
      inTransaction_ = false;
    }
  });
}

void MbtilesWriter::Commit() {
  Guarded([this] {
    if (inTransaction_) {
      db_->Exec("COMMIT");
      inTransaction_ = false;
    }
    insertTile_.reset();
    insertMetadata_.reset();
    db_->Close();
    db_.reset();
  });
  if (!SyncFile(tempFile_) || std::rename(tempFile_.c_str(), targetFile_.c_str()) != 0) {
    throw ExportWriteError(CannotWriteFile(targetFile_, errno).what());
  }
  committed_ = true;
  SyncFolderOf(targetFile_);
}

}  // namespace kartovel
