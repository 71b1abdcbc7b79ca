// The queue's file, $XDG_DATA_HOME/kartovel/queue.ini: a section per job ("[Job 3]") with
// its request and state. Read strictly, since users edit it by hand: an entry that is
// damaged is named and left out, the others are read; the damaged file is kept aside
// before the queue writes its own again, so that nothing the user wrote is lost.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/LineFile.h"
#include "queue/QueueJob.h"
#include "shape/Shape.h"

namespace kartovel {

struct QueueReading {
  std::vector<QueueJob> Jobs;
  // One sentence per entry or line left out, naming the file and the entry.
  std::vector<std::string> Problems;
};

// The file's lines for these jobs, in their order.
Lines QueueFileLines(const std::vector<QueueJob>& jobs);
// The jobs of a file's text; fileName is for the sentences only.
QueueReading ParseQueueFile(const std::string& text, const std::string& fileName);

// "queue.ini" in the user's data folder; empty when no folder is known.
std::string DefaultQueueFilePath();

// The queue's file and the shape files of its shaped jobs, in one folder. Every change is
// read, applied and written at once (atomically), so that jobs another program added
// meanwhile are kept.
class QueueStore {
 public:
  explicit QueueStore(std::string filePath);

  const std::string& FilePath() const { return filePath_; }

  // The jobs as the file holds them now; a missing file is an empty queue. Throws
  // AppError naming the file when it cannot be read at all.
  QueueReading Load() const;
  // Loads, applies change and writes the result; the problems of the reading. A damaged
  // file is first copied aside (see SetAsideName) and the sentences say where.
  std::vector<std::string> Update(const std::function<void(std::vector<QueueJob>&)>& change);

  // Adds a job (its Id given here) and its shape; the job as stored.
  QueueJob Add(QueueJob job, const std::optional<Shape>& shape);
  // Removes a job and its shape file.
  void Remove(int32_t id);

  // The file that holds a shaped job's area.
  std::string ShapeFilePath(int32_t id) const;
  // The shape of a shaped job; throws AppError naming the file when it is damaged.
  std::optional<Shape> ReadShape(const QueueJob& job) const;
  // Where a damaged queue file was (or will be) kept: queue.ini.damaged, or with a number
  // when that name is taken.
  std::string SetAsideName() const;

 private:
  std::string filePath_;
};

}  // namespace kartovel
