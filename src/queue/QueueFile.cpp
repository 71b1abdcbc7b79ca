// Reading and writing the queue's file.
#include "queue/QueueFile.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/ProgramLayout.h"
#include "common/Text.h"
#include "task/TaskShape.h"

namespace kartovel {

namespace {

constexpr char kSectionPrefix[] = "Job ";
constexpr char kName[] = "Name";
constexpr char kPath[] = "Path";
constexpr char kLeft[] = "Left";
constexpr char kRight[] = "Right";
constexpr char kTop[] = "Top";
constexpr char kBottom[] = "Bottom";
constexpr char kShape[] = "Shape";
constexpr char kZooms[] = "Zooms";
constexpr char kMapsType[] = "MapsType";
constexpr char kState[] = "State";
constexpr char kZoom[] = "Zoom";
constexpr char kSettled[] = "Settled";
constexpr char kTotal[] = "Total";
constexpr char kNote[] = "Note";
constexpr const char* kKeys[] = {kName,  kPath,     kLeft,  kRight, kTop,     kBottom, kShape, kZooms,
                                 kMapsType, kState, kZoom, kSettled, kTotal, kNote};
// Far beyond any zoom a source serves, so that a typo cannot make a job of thousands of runs.
constexpr int32_t kHighestZoom = 30;

std::optional<int32_t> WholeNumber(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

// A section's keys as written, before they are checked.
struct Entry {
  std::string Header;  // "[Job 3]"
  std::optional<int32_t> Id;
  std::map<std::string, std::string> Values;
  std::string Fault;  // the first fault seen while its lines were read
};

class EntryCheck {
 public:
  explicit EntryCheck(const Entry& entry) : entry_(entry) {}
  std::string Fault;
  std::string Text(const char* key, bool required = true) {
    const auto found = entry_.Values.find(key);
    if (found == entry_.Values.end()) {
      if (required) Fail(std::string("it has no ") + key);
      return "";
    }
    return found->second;
  }
  int32_t Number(const char* key) {
    const std::string text = Text(key);
    const auto value = WholeNumber(text);
    if (!value && Fault.empty()) Fail(std::string(key) + " \"" + text + "\" is no whole number");
    return value.value_or(0);
  }
  void Fail(const std::string& why) {
    if (Fault.empty()) Fault = why;
  }

 private:
  const Entry& entry_;
};

void ReadZooms(EntryCheck& check, const std::string& text, QueueJob& job) {
  const size_t dash = text.find('-');
  const auto first = WholeNumber(std::string_view(text).substr(0, dash));
  const auto last =
      dash == std::string::npos ? first : WholeNumber(std::string_view(text).substr(dash + 1));
  if (!first || !last || *last < *first || *last > kHighestZoom) {
    check.Fail("Zooms \"" + text + "\" is no zoom Z or range Z1-Z2 with Z1 not above Z2");
    return;
  }
  job.FirstZoom = *first;
  job.LastZoom = *last;
  job.ZoomRange = dash != std::string::npos;
}

// The job of an entry, or the sentence of its first fault.
std::variant<QueueJob, std::string> JobOfEntry(const Entry& entry) {
  if (!entry.Fault.empty()) return entry.Fault;
  EntryCheck check(entry);
  QueueJob job;
  job.Id = *entry.Id;
  job.TaskName = check.Text(kName);
  job.SavePath = check.Text(kPath);
  if (check.Fault.empty() && (TrimBlanks(job.TaskName).empty() || TrimBlanks(job.SavePath).empty())) {
    check.Fail("its name or folder is empty");
  }
  const std::string shape = check.Text(kShape, false);
  if (shape != "" && shape != "0" && shape != "1") check.Fail("Shape is neither 0 nor 1");
  job.HasShape = shape == "1";
  job.LeftLongitude = check.Text(kLeft, !job.HasShape);
  job.RightLongitude = check.Text(kRight, !job.HasShape);
  job.TopLatitude = check.Text(kTop, !job.HasShape);
  job.BottomLatitude = check.Text(kBottom, !job.HasShape);
  ReadZooms(check, check.Text(kZooms), job);
  job.MapsType = check.Number(kMapsType);
  const std::string state = check.Text(kState);
  if (const auto named = JobStateNamed(state)) {
    job.State = *named;
  } else {
    check.Fail("State \"" + state +
               "\" is not one of waiting, running, done, ended with failures, stopped");
  }
  job.Zoom = check.Text(kZoom, false).empty() ? 0 : check.Number(kZoom);
  job.Settled = check.Text(kSettled, false).empty() ? 0 : check.Number(kSettled);
  job.Total = check.Text(kTotal, false).empty() ? 0 : check.Number(kTotal);
  job.Note = check.Text(kNote, false);
  if (!check.Fault.empty()) return check.Fault;
  return job;
}

bool IsKnownKey(const std::string& key) {
  return std::any_of(std::begin(kKeys), std::end(kKeys),
                     [&key](const char* known) { return key == known; });
}

// Adds one line to the entry being read.
void ReadEntryLine(Entry& entry, const std::string& line) {
  const size_t equals = line.find('=');
  const std::string key = std::string(TrimBlanks(line.substr(0, equals)));
  if (equals == std::string::npos || !IsKnownKey(key)) {
    if (entry.Fault.empty()) entry.Fault = "\"" + line + "\" is not a key of a job";
    return;
  }
  if (!entry.Values.emplace(key, line.substr(equals + 1)).second && entry.Fault.empty()) {
    entry.Fault = "it names " + key + " twice";
  }
}

std::optional<int32_t> IdOfHeader(const std::string& line) {
  const std::string prefix = std::string("[") + kSectionPrefix;
  if (line.size() < prefix.size() + 2 || line.compare(0, prefix.size(), prefix) != 0 ||
      line.back() != ']') {
    return std::nullopt;
  }
  const auto id = WholeNumber(std::string_view(line).substr(prefix.size(), line.size() - prefix.size() - 1));
  if (!id || *id == 0) return std::nullopt;
  return id;
}

}  // namespace

Lines QueueFileLines(const std::vector<QueueJob>& jobs) {
  Lines lines;
  for (const QueueJob& job : jobs) {
    if (!lines.empty()) lines.emplace_back();
    lines.push_back("[" + std::string(kSectionPrefix) + std::to_string(job.Id) + "]");
    const auto put = [&lines](const char* key, const std::string& value) {
      lines.push_back(std::string(key) + "=" + value);
    };
    put(kName, job.TaskName);
    put(kPath, job.SavePath);
    if (job.HasShape) {
      put(kShape, "1");
    } else {
      put(kLeft, job.LeftLongitude);
      put(kRight, job.RightLongitude);
      put(kTop, job.TopLatitude);
      put(kBottom, job.BottomLatitude);
    }
    put(kZooms, ZoomsText(job));
    put(kMapsType, std::to_string(job.MapsType));
    put(kState, std::string(JobStateName(job.State)));
    put(kZoom, std::to_string(job.Zoom));
    put(kSettled, std::to_string(job.Settled));
    put(kTotal, std::to_string(job.Total));
    if (!job.Note.empty()) put(kNote, job.Note);
  }
  return lines;
}

QueueReading ParseQueueFile(const std::string& text, const std::string& fileName) {
  QueueReading reading;
  std::vector<Entry> entries;
  Lines lines = SplitLines(text);
  for (size_t number = 1; number <= lines.size(); ++number) {
    const std::string line(TrimBlanks(lines[number - 1]));
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      entries.push_back(Entry{line, IdOfHeader(line), {}, ""});
      if (!entries.back().Id) entries.back().Fault = "its heading is not [Job N] with N a whole number above 0";
      continue;
    }
    if (entries.empty()) {
      reading.Problems.push_back(fileName + ": line " + std::to_string(number) +
                                 " is no part of a job and was left out: \"" + line + "\".");
      continue;
    }
    ReadEntryLine(entries.back(), line);
  }
  std::vector<int32_t> ids;
  for (const Entry& entry : entries) {
    auto job = JobOfEntry(entry);
    if (const auto* fault = std::get_if<std::string>(&job); !fault && std::count(ids.begin(), ids.end(), *entry.Id) > 0) {
      job = std::string("an earlier job has the same number");
    }
    if (const auto* fault = std::get_if<std::string>(&job)) {
      reading.Problems.push_back(fileName + ": the job " + entry.Header + " was left out: " + *fault + ".");
      continue;
    }
    ids.push_back(*entry.Id);
    reading.Jobs.push_back(std::get<QueueJob>(std::move(job)));
  }
  return reading;
}

std::string DefaultQueueFilePath() {
  const std::string folder = UserDataFolder(UserEnvironmentOfProcess());
  return folder.empty() ? "" : folder + "queue.ini";
}

QueueStore::QueueStore(std::string filePath) : filePath_(std::move(filePath)) {}

QueueReading QueueStore::Load() const {
  if (!FileExists(filePath_)) return {};
  const std::optional<std::string> text = ReadWholeFile(filePath_);
  if (!text) throw CannotOpenFile(filePath_);
  return ParseQueueFile(*text, filePath_);
}

std::string QueueStore::SetAsideName() const {
  std::string name = filePath_ + ".damaged";
  for (int32_t n = 2; FileExists(name); ++n) name = filePath_ + ".damaged-" + std::to_string(n);
  return name;
}

std::vector<std::string> QueueStore::Update(
    const std::function<void(std::vector<QueueJob>&)>& change) {
  QueueReading reading = Load();
  if (!reading.Problems.empty()) {
    const std::string aside = SetAsideName();
    if (!CopyFileNoReplace(filePath_, aside)) throw CannotCreateFile(aside);
    reading.Problems.push_back("The file as it was is kept as " + aside + ".");
  }
  change(reading.Jobs);
  std::filesystem::create_directories(std::filesystem::path(filePath_).parent_path());
  SaveLines(filePath_, QueueFileLines(reading.Jobs), FileAccess::OwnerOnly);
  return reading.Problems;
}

std::string QueueStore::ShapeFilePath(int32_t id) const {
  return (std::filesystem::path(filePath_).parent_path() / ("queue-shape-" + std::to_string(id) + ".ini")).string();
}

QueueJob QueueStore::Add(QueueJob job, const std::optional<Shape>& shape) {
  job.HasShape = shape.has_value();
  Update([&](std::vector<QueueJob>& jobs) {
    int32_t highest = 0;
    for (const QueueJob& other : jobs) highest = std::max(highest, other.Id);
    // A shape file left by a removed job is never taken for the new one's.
    job.Id = highest + 1;
    while (FileExists(ShapeFilePath(job.Id))) ++job.Id;
    if (shape) {
      std::filesystem::create_directories(std::filesystem::path(filePath_).parent_path());
      SaveLines(ShapeFilePath(job.Id), ShapeSectionLines(*shape), FileAccess::OwnerOnly);
    }
    jobs.push_back(job);
  });
  return job;
}

void QueueStore::Remove(int32_t id) {
  Update([id](std::vector<QueueJob>& jobs) {
    std::erase_if(jobs, [id](const QueueJob& job) { return job.Id == id; });
  });
  std::error_code ignored;
  std::filesystem::remove(ShapeFilePath(id), ignored);
}

std::optional<Shape> QueueStore::ReadShape(const QueueJob& job) const {
  if (!job.HasShape) return std::nullopt;
  const std::string file = ShapeFilePath(job.Id);
  if (!FileExists(file)) throw AppError("The area of the job " + job.TaskName + " is missing: " + file + ".");
  std::optional<Shape> shape = ReadTaskShape(file);
  if (!shape) throw AppError("The area of the job " + job.TaskName + " is missing from " + file + ".");
  return shape;
}

}  // namespace kartovel
