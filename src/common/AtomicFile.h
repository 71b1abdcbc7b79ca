// Writing a file so that a kill at any moment never leaves it half-written: the bytes go
// to a temporary file in the target's folder, which is flushed, synced and put in the
// target's place in one step. A temporary that a kill leaves behind is found by its name
// and removed by the next run.
#pragma once

#include <string>
#include <string_view>

namespace kartovel {

class SyncGroup;

// Who may read what a writer puts in place.
enum class FileAccess {
  Shared,     // a new file gets the mode the umask allows, a replaced file keeps its mode
  OwnerOnly,  // read and write for the owner only (0600), new or replaced
};

// What a name that is a symbolic link means to a write.
enum class LinkHandling {
  WriteThrough,  // the file at the end of the links is replaced and the links stay
  ReplaceLink,   // the link itself is replaced: the write never lands outside the folder
};

// How a temporary is made. Unnamed: it has no name until its bytes are complete, so a kill
// while it is written leaves nothing behind; the program's way wherever the file system
// allows it, else Named. Named: it carries a name from the start (tests reach that way).
enum class TemporaryKind { Unnamed, Named };

// The one file-write path of the program: every file it writes goes through here, and so
// through the write-step seam (common/WriteFault.h).
class AtomicFileWriter {
 public:
  // Opens the temporary file. Throws FileError "Cannot create file %s" (with the target's
  // name and the system's reason).
  explicit AtomicFileWriter(std::string fileName, FileAccess access = FileAccess::Shared,
                            LinkHandling links = LinkHandling::WriteThrough,
                            TemporaryKind kind = TemporaryKind::Unnamed);
  // Without a commit the temporary file is removed and the target stays as it was.
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view bytes);
  // Flushes, syncs and replaces the target. Throws FileError "Cannot create file %s".
  void Commit();
  // The same, but only when no file of the target's name exists: false (and nothing
  // changed) when one does. Throws FileError "Cannot create file %s" on other failures.
  bool CommitIfAbsent();
  // The same two with the sync left to the group: the target is replaced at once (a new
  // file is linked in place without a temporary name), and durable once the group's
  // SyncPending has returned.
  void Commit(SyncGroup& laterSync);
  bool CommitIfAbsent(SyncGroup& laterSync);

 private:
  // Writes out the buffered bytes; the errno of a failed write, 0 when all went out.
  int WriteOut();
  // Closes the descriptor; the errno of a failed close, 0 when it closed cleanly.
  int CloseDescriptor();
  // Flushes, sets the mode and (without a group) syncs; the errno of the first step that
  // failed, 0 when none.
  int Settle(const SyncGroup* laterSync);
  void CommitTo(SyncGroup* laterSync);
  bool CommitIfAbsentTo(SyncGroup* laterSync);
  void GiveNameToTemporary();
  // An unnamed temporary linked straight to the target's name when no file has it: a new
  // file of a sync group (a tile) needs no temporary name and no rename, and so reaches no
  // Named step. False when the name is taken.
  bool PlaceAsNewFile();
  // Drops the temporary and throws FileError with the system's reason.
  [[noreturn]] void Fail(int systemError);

  std::string fileName_;  // as asked, for messages
  std::string target_;    // the name actually replaced (fileName_ or the end of its links)
  FileAccess access_;
  unsigned finalMode_ = 0;  // the mode to set before the commit; 0: the one it was created with
  std::string tempName_;    // empty while the temporary has no name
  // The temporary's descriptor, -1 once closed. Written with plain writes from a buffer of
  // our own: a stdio stream costs a status query, a size query and a terminal query per file,
  // which a run pays once per tile.
  int descriptor_ = -1;
  std::string pending_;  // bytes not yet written to the descriptor
  int failure_ = 0;  // errno of the first failed write; 0 while none failed
};

// Syncs the folder that holds the file, so that a rename into it survives a crash.
void SyncFolderOf(const std::string& fileName);

// Replaces the file with the given bytes in one atomic step. A symbolic link in its place
// is replaced, not written through: a tile never lands outside its folder.
void WriteFileAtomically(const std::string& fileName, std::string_view bytes,
                         FileAccess access = FileAccess::Shared);
// The same for one of many files written in a row (a run's tiles): synced with the group.
void WriteFileAtomically(const std::string& fileName, std::string_view bytes,
                         SyncGroup& laterSync);

// Removes the temporaries that interrupted writes of this file left in its folder.
void RemoveStaleTemporaries(const std::string& fileName);
// Removes every temporary left in a folder (one that only the program writes into).
void RemoveStaleTemporariesIn(const std::string& folder);

}  // namespace kartovel
