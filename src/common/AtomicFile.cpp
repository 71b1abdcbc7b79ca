// Atomic replacement of a file: a temporary in the target's folder (unnamed while it is
// written where the file system allows it), full write, flush, mode, fsync, rename over
// the target, fsync of the folder; or, for a file of a sync group, the same without the
// two syncs, which the group's SyncPending does later. Temporaries are named
// "<name>.tmp-" + 6 letters or digits, the name cut so that the temporary's name never
// grows past the file-name limit.
#include "common/AtomicFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>

#include "common/Error.h"
#include "common/Paths.h"
#include "common/SyncGroup.h"
#include "common/WriteFault.h"

namespace kartovel {
namespace {

constexpr size_t kBufferSize = 1 << 20;
constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr size_t kRandomLength = 6;
constexpr std::string_view kRandomLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kNameAttempts = 100;
// As many links as the system itself follows before it gives up.
constexpr int kMaxLinkHops = 40;
constexpr char kOwnDescriptors[] = "/proc/self/fd/";
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kOwnerOnlyMode = 0600;
constexpr mode_t kPermissionBits = 07777;

// errno right after a failed call; EIO should the call have left it unset, so that a
// failure never reads as success.
int LastError() {
  return errno != 0 ? errno : EIO;
}

// "Cannot create file %s" with the system's reason.
FileError CannotCreateFileBecause(const std::string& fileName, int systemError) {
  return FileError(CannotCreateFile(fileName), systemError);
}

std::string FolderOf(const std::string& fileName) {
  const std::string folder = ExtractFilePath(fileName);
  return folder.empty() ? "." : folder;
}

}  // namespace

void SyncFolderOf(const std::string& fileName) {
  const int descriptor = open(FolderOf(fileName).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor >= 0) {
    fsync(descriptor);
    close(descriptor);
  }
}

namespace {

// The file a write of fileName changes: the name itself, or the end of its chain of
// symbolic links (a dangling link names the file to create). None for a loop.
std::optional<std::string> WriteTargetOf(const std::string& fileName) {
  std::string current = fileName;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    struct stat info {};
    if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      return current;
    }
    std::error_code error;
    const std::filesystem::path pointee = std::filesystem::read_symlink(current, error);
    if (error) {
      return std::nullopt;
    }
    current =
        pointee.is_absolute() ? pointee.string() : ExtractFilePath(current) + pointee.string();
  }
  return std::nullopt;
}

// "<name>.tmp-", the name cut (byte-wise) so that the prefix and the random letters fit.
std::string TemporaryPrefix(std::string_view name) {
  const size_t room = NAME_MAX - kTemporaryMark.size() - kRandomLength;
  return std::string(name.substr(0, room)) + std::string(kTemporaryMark);
}

// One getrandom call per name: a random_device made for every tile cost more than the
// rest of the name. The letters only keep concurrent temporaries apart (a taken name is
// tried again), so the slight lean of a byte taken modulo 62 does no harm.
std::string RandomLetters() {
  std::array<unsigned char, kRandomLength> bytes{};
  if (getrandom(bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
    std::random_device source;
    std::uniform_int_distribution<unsigned> pick(0, 255);
    std::generate(bytes.begin(), bytes.end(),
                  [&] { return static_cast<unsigned char>(pick(source)); });
  }
  std::string letters(kRandomLength, ' ');
  for (size_t i = 0; i < kRandomLength; ++i) {
    letters[i] = kRandomLetters[bytes[i] % kRandomLetters.size()];
  }
  return letters;
}

std::string NewTemporaryName(const std::string& target) {
  return ExtractFilePath(target) + TemporaryPrefix(ExtractFileName(target)) + RandomLetters();
}

bool EndsInRandomLetters(std::string_view name) {
  return name.size() >= kRandomLength &&
         name.substr(name.size() - kRandomLength).find_first_not_of(kRandomLetters) ==
             std::string_view::npos;
}

bool IsTemporaryOf(std::string_view name, std::string_view prefix) {
  return name.size() == prefix.size() + kRandomLength && name.starts_with(prefix) &&
         EndsInRandomLetters(name);
}

bool IsAnyTemporary(std::string_view name) {
  const size_t tail = kTemporaryMark.size() + kRandomLength;
  return name.size() > tail && name.substr(name.size() - tail).starts_with(kTemporaryMark) &&
         EndsInRandomLetters(name);
}

void RemoveFilesMatching(const std::string& folder,
                         const std::function<bool(std::string_view)>& matches) {
  std::error_code error;
  std::filesystem::directory_iterator entry(FolderOf(folder), error);
  for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
    std::error_code ignored;
    if (matches(entry->path().filename().native()) && entry->is_regular_file(ignored)) {
      std::filesystem::remove(entry->path(), ignored);
    }
  }
}

// An unnamed temporary can be given a name later only through the descriptor's entry
// under /proc, so it is used only when that is at hand.
int OpenUnnamedTemporary(const std::string& target, mode_t mode) {
  // Whether /proc is mounted does not change while the program runs; asked once.
  static const bool ownDescriptorsAtHand = access(kOwnDescriptors, X_OK) == 0;
  if (!ownDescriptorsAtHand) {
    return -1;
  }
  return open(FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
}

int CreateNamedTemporary(const std::string& target, mode_t mode, std::string& name) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    name = NewTemporaryName(target);
    const int descriptor = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (descriptor >= 0 || errno != EEXIST) {
      if (descriptor < 0) {
        name.clear();
      }
      return descriptor;
    }
  }
  name.clear();
  return -1;
}

// The new name in its folder is made durable now, or noted for the group's sync.
void SettleName(const std::string& target, SyncGroup* laterSync) {
  if (laterSync != nullptr) {
    laterSync->Add(target);
  } else {
    SyncFolderOf(target);
  }
}

bool LinkDescriptor(int descriptor, const std::string& name) {
  const std::string source = kOwnDescriptors + std::to_string(descriptor);
  return linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string fileName, FileAccess access, LinkHandling links,
                                   TemporaryKind kind)
    : fileName_(std::move(fileName)), access_(access) {
  std::optional<std::string> target =
      links == LinkHandling::WriteThrough ? WriteTargetOf(fileName_) : fileName_;
  if (!target) {
    throw CannotCreateFileBecause(fileName_, ELOOP);
  }
  target_ = std::move(*target);
  // The temporary is never readable by more people than the file it becomes: a new file
  // gets what the umask allows, a replaced one its old mode, set exactly before the commit.
  mode_t createMode = kNewFileMode;
  struct stat existing {};
  if (access_ == FileAccess::OwnerOnly) {
    createMode = kOwnerOnlyMode;
    finalMode_ = kOwnerOnlyMode;
  } else if (lstat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    createMode = existing.st_mode & kNewFileMode;
    finalMode_ = existing.st_mode & kPermissionBits;
  }
  int descriptor = kind == TemporaryKind::Unnamed ? OpenUnnamedTemporary(target_, createMode) : -1;
  if (descriptor < 0) {
    descriptor = CreateNamedTemporary(target_, createMode, tempName_);
  }
  if (descriptor < 0) {
    throw CannotCreateFileBecause(fileName_, LastError());
  }
  descriptor_ = descriptor;
}

AtomicFileWriter::~AtomicFileWriter() {
  CloseDescriptor();
  if (!tempName_.empty()) {
    unlink(tempName_.c_str());
  }
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (failure_ != 0 || bytes.empty()) {
    return;
  }
  if (pending_.size() + bytes.size() > kBufferSize && (failure_ = WriteOut()) != 0) {
    return;
  }
  pending_.append(bytes);
}

int AtomicFileWriter::WriteOut() {
  std::string_view rest = pending_;
  while (!rest.empty()) {
    const ssize_t written = write(descriptor_, rest.data(), rest.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return written < 0 ? LastError() : EIO;
    }
    rest.remove_prefix(static_cast<size_t>(written));
  }
  pending_.clear();
  return 0;
}

int AtomicFileWriter::CloseDescriptor() {
  if (descriptor_ < 0) {
    return 0;
  }
  const int closed = close(descriptor_);
  descriptor_ = -1;
  return closed == 0 ? 0 : LastError();
}

int AtomicFileWriter::Settle(const SyncGroup* laterSync) {
  if (failure_ != 0) {
    return failure_;
  }
  if (const int reason = WriteOut(); reason != 0) {
    return reason;
  }
  const bool settled = (finalMode_ == 0 || fchmod(descriptor_, finalMode_) == 0) &&
                       (laterSync != nullptr || fsync(descriptor_) == 0);
  return settled ? 0 : LastError();
}

void AtomicFileWriter::GiveNameToTemporary() {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = NewTemporaryName(target_);
    if (LinkDescriptor(descriptor_, name)) {
      tempName_ = std::move(name);
      return;
    }
    if (errno != EEXIST) {
      break;
    }
  }
  Fail(LastError());
}

bool AtomicFileWriter::PlaceAsNewFile() {
  if (!LinkDescriptor(descriptor_, target_)) {
    return false;  // the target exists (or cannot be linked): replaced by rename instead
  }
  if (const int reason = CloseDescriptor(); reason != 0) {
    unlink(target_.c_str());
    Fail(reason);
  }
  return true;
}

void AtomicFileWriter::Fail(int systemError) {
  CloseDescriptor();
  if (!tempName_.empty()) {
    unlink(tempName_.c_str());
    tempName_.clear();
  }
  throw CannotCreateFileBecause(fileName_, systemError);
}

void AtomicFileWriter::Commit() {
  CommitTo(nullptr);
}

void AtomicFileWriter::Commit(SyncGroup& laterSync) {
  CommitTo(&laterSync);
}

bool AtomicFileWriter::CommitIfAbsent() {
  return CommitIfAbsentTo(nullptr);
}

bool AtomicFileWriter::CommitIfAbsent(SyncGroup& laterSync) {
  return CommitIfAbsentTo(&laterSync);
}

void AtomicFileWriter::CommitTo(SyncGroup* laterSync) {
  if (const int reason = Settle(laterSync); reason != 0) {
    Fail(reason);
  }
  ReachWriteStep(fileName_, WriteStep::BytesWritten);
  if (laterSync != nullptr && tempName_.empty() && PlaceAsNewFile()) {
    SettleName(target_, laterSync);
    return;
  }
  if (tempName_.empty()) {
    GiveNameToTemporary();
  }
  ReachWriteStep(fileName_, WriteStep::Named);
  if (const int reason = CloseDescriptor(); reason != 0) {
    Fail(reason);
  }
  if (std::rename(tempName_.c_str(), target_.c_str()) != 0) {
    Fail(LastError());
  }
  tempName_.clear();
  SettleName(target_, laterSync);
}

bool AtomicFileWriter::CommitIfAbsentTo(SyncGroup* laterSync) {
  if (const int reason = Settle(laterSync); reason != 0) {
    Fail(reason);
  }
  ReachWriteStep(fileName_, WriteStep::BytesWritten);
  // A link never replaces an existing name, which is the whole test of absence.
  const bool placed = tempName_.empty() ? LinkDescriptor(descriptor_, target_)
                                        : link(tempName_.c_str(), target_.c_str()) == 0;
  if (!placed && errno != EEXIST) {
    Fail(LastError());
  }
  if (!tempName_.empty()) {
    ReachWriteStep(fileName_, WriteStep::Named);
    unlink(tempName_.c_str());
    tempName_.clear();
  }
  CloseDescriptor();
  if (placed) {
    SettleName(target_, laterSync);
  }
  return placed;
}

void WriteFileAtomically(const std::string& fileName, std::string_view bytes, FileAccess access) {
  AtomicFileWriter writer(fileName, access, LinkHandling::ReplaceLink);
  writer.Write(bytes);
  writer.Commit();
}

void WriteFileAtomically(const std::string& fileName, std::string_view bytes,
                         SyncGroup& laterSync) {
  AtomicFileWriter writer(fileName, FileAccess::Shared, LinkHandling::ReplaceLink);
  writer.Write(bytes);
  writer.Commit(laterSync);
}

void RemoveStaleTemporaries(const std::string& fileName) {
  const std::string target = WriteTargetOf(fileName).value_or(fileName);
  const std::string prefix = TemporaryPrefix(ExtractFileName(target));
  RemoveFilesMatching(ExtractFilePath(target),
                      [&prefix](std::string_view name) { return IsTemporaryOf(name, prefix); });
}

void RemoveStaleTemporariesIn(const std::string& folder) {
  RemoveFilesMatching(folder, IsAnyTemporary);
}

}  // namespace kartovel
