// Building and taking apart the lines of the failed-tile file.
#include "task/FailedRecord.h"

namespace kartovel {

namespace {
constexpr char kRecordSeparator = '|';
}

std::string MakeFailedRecord(std::string_view tilePath, std::string_view url) {
  std::string record;
  record.reserve(tilePath.size() + 1 + url.size());
  record.append(tilePath);
  record.push_back(kRecordSeparator);
  record.append(url);
  return record;
}

FailedRecord SplitFailedRecord(std::string_view line) {
  const auto bar = line.find(kRecordSeparator);
  if (bar == std::string_view::npos) {
    return {std::string(), std::string(line)};
  }
  return {std::string(line.substr(0, bar)), std::string(line.substr(bar + 1))};
}

}  // namespace kartovel
