// Files whose sync is left to one call for the whole group: a run's tiles are put in place
// one by one as they arrive but made durable together, just before the positions that
// cover them are saved, which costs one sync per batch instead of two per tile.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace kartovel {

// Thread-safe: the workers add, the monitor syncs.
class SyncGroup {
 public:
  // Notes a file that was just put in its place by name; its data and its name in the
  // folder may still be lost by a power cut until the next SyncPending.
  void Add(const std::string& fileName);
  // Makes every file added so far durable with its name: syncs the file system of each
  // of their folders (which also writes out what other programs left unsynced there).
  // Throws FileError "Cannot create file %s" naming the folder, with the system's
  // reason, when a sync fails; from then on every call fails alike, for what was lost
  // cannot be told from what was kept.
  void SyncPending();

 private:
  std::mutex syncing_;  // one SyncPending at a time, so none returns before the sync it joined
  std::mutex mutex_;    // guards the members below
  std::vector<std::string> folders_;  // of the files added since the last SyncPending, each once
  std::string failedFolder_;          // whose sync failed
  int failure_ = 0;                   // its errno; 0 while none failed
};

}  // namespace kartovel
