// The fault-injection seam of the file-write path: a test can be told of every step that
// makes a write visible on disk and end the process there, to prove that a kill at any
// moment loses nothing. The program never sets a handler; a step then costs one load.
#pragma once

#include <string>

namespace kartovel {

// The moments of a write at which a kill leaves a distinct state on disk.
enum class WriteStep {
  BytesWritten,  // the new bytes are complete in a temporary not yet in the target's place
  Named,         // the temporary carries a name in the target's folder, the target is unchanged
  GroupSync,     // (named after a folder) the files of a sync group in that folder are in
                 // place but not yet synced: a power cut now may lose them
};

// Called on the thread that writes, with the name the write was asked for.
using WriteStepHandler = void (*)(const std::string& fileName, WriteStep step);

// Sets the handler for the whole process (tests only); nullptr removes it.
void SetWriteStepHandler(WriteStepHandler handler);

// Tells the handler, if any, that a write has reached a step.
void ReachWriteStep(const std::string& fileName, WriteStep step);

}  // namespace kartovel
