// Counting, naming and summing up what verify found.
#include "verify/VerifyReport.h"

namespace kartovel {

void VerifyReport::Name(std::string line) {
  if (Named.size() < kNamedTiles) {
    Named.push_back(std::move(line));
  } else {
    ++NotNamed;
  }
}

void VerifyReport::Missing(int32_t zoom, const std::string& name) {
  ++Zooms[zoom].Missing;
  Name("Missing: " + name);
}

void VerifyReport::Damaged(int32_t zoom, const std::string& name, const std::string& why) {
  ++Zooms[zoom].Damaged;
  Name("Damaged: " + name + ": " + why);
}

void VerifyReport::Broken(const std::string& why) {
  if (Fault.empty()) {
    Fault = why;
  }
}

int VerifyReport::ExitStatus() const {
  bool holes = false;
  for (const auto& [zoom, tally] : Zooms) {
    if (tally.Damaged > 0) {
      return kVerifyDamaged;
    }
    holes = holes || tally.Missing > 0 || tally.Blank > 0;
  }
  return !Fault.empty() ? kVerifyDamaged : holes ? kVerifyHoles : kVerifyWhole;
}

std::vector<std::string> VerifyReport::SummaryLines(const std::string& target) const {
  std::vector<std::string> lines = {target + ": " + (Kind.empty() ? "unknown" : Kind)};
  ZoomTally total;
  for (const auto& [zoom, tally] : Zooms) {
    lines.push_back("Zoom " + std::to_string(zoom) + ": " + std::to_string(tally.Present) +
                    " present, " + std::to_string(tally.Blank) + " blank, " +
                    std::to_string(tally.Missing) + " missing, " +
                    std::to_string(tally.Damaged) + " damaged");
    total.Blank += tally.Blank;
    total.Missing += tally.Missing;
    total.Damaged += tally.Damaged;
  }
  if (FailedRecords >= 0) {
    lines.push_back("Failed-tile records: " + std::to_string(FailedRecords));
  }
  if (!Fault.empty()) {
    lines.push_back("Damaged file: " + Fault);
  }
  lines.insert(lines.end(), Named.begin(), Named.end());
  if (NotNamed > 0) {
    lines.push_back("... and " + std::to_string(NotNamed) + " more");
  }
  if (Stopped) {
    lines.push_back("Verify stopped before the end.");
    return lines;
  }
  switch (ExitStatus()) {
    case kVerifyWhole:
      lines.push_back("Whole.");
      break;
    case kVerifyHoles:
      lines.push_back("Holes: " + std::to_string(total.Missing) + " missing, " +
                      std::to_string(total.Blank) + " blank.");
      break;
    default:
      lines.push_back("Damaged.");
  }
  return lines;
}

}  // namespace kartovel
