// Atomic replacement of a file: temporary file in the same folder, full write,
// flush, fsync, rename over the target, fsync of the folder.
#include "common/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "common/Error.h"
#include "common/Paths.h"

namespace kartovel {
namespace {

constexpr size_t kBufferSize = 1 << 20;

void SyncFolderOf(const std::string& fileName) {
  std::string folder = ExtractFilePath(fileName);
  int descriptor = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (descriptor >= 0) {
    fsync(descriptor);
    close(descriptor);
  }
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string fileName)
    : fileName_(std::move(fileName)), tempName_(fileName_ + ".tmp-XXXXXX") {
  int descriptor = mkstemp(tempName_.data());
  if (descriptor < 0) {
    throw CannotCreateFile(fileName_);
  }
  // mkstemp creates the file readable by the owner only; give it the usual mode.
  fchmod(descriptor, 0644);
  file_.reset(fdopen(descriptor, "wb"));
  if (!file_) {
    close(descriptor);
    unlink(tempName_.c_str());
    throw CannotCreateFile(fileName_);
  }
  std::setvbuf(file_.get(), nullptr, _IOFBF, kBufferSize);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (file_) {
    file_.reset();
    unlink(tempName_.c_str());
  }
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (!failed_ && !bytes.empty() &&
      std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) {
    failed_ = true;
  }
}

void AtomicFileWriter::Commit() {
  bool written = !failed_ && std::fflush(file_.get()) == 0 && fsync(fileno(file_.get())) == 0;
  bool closed = std::fclose(file_.release()) == 0;
  if (!written || !closed || std::rename(tempName_.c_str(), fileName_.c_str()) != 0) {
    unlink(tempName_.c_str());
    throw CannotCreateFile(fileName_);
  }
  SyncFolderOf(fileName_);
}

void WriteFileAtomically(const std::string& fileName, std::string_view bytes) {
  AtomicFileWriter writer(fileName);
  writer.Write(bytes);
  writer.Commit();
}

}  // namespace kartovel
