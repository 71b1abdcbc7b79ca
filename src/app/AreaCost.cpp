// The size and free-space line of the area window.
#include "app/AreaCost.h"

namespace kartovel {
namespace {

std::string SizeOrUnknown(const std::optional<uint64_t>& bytes, bool weighing) {
  if (bytes) {
    return "about " + SizeText(*bytes);
  }
  return weighing ? "size being weighed from a few tiles ..." : "size unknown";
}

std::string SizePart(const JobEstimate& estimate, bool weighing) {
  if (estimate.Zooms.size() == 1) {
    return SizeOrUnknown(estimate.Zooms.front().Bytes, weighing);
  }
  std::string text;
  for (const ZoomEstimate& zoom : estimate.Zooms) {
    text += (text.empty() ? "zoom " : ", zoom ") + std::to_string(zoom.Zoom) + " " +
            SizeOrUnknown(zoom.Bytes, weighing);
  }
  if (const std::optional<uint64_t> total = estimate.Bytes()) {
    text += "; about " + SizeText(*total) + " in all";
  }
  return text;
}

std::string FreePart(const JobEstimate& estimate) {
  if (!estimate.FreeBytes) {
    return "; free space in " + estimate.Folder + " unknown";
  }
  const std::optional<uint64_t> bytes = estimate.Bytes();
  const std::string free = SizeText(*estimate.FreeBytes) + " free in " + estimate.Folder;
  return bytes && *bytes > *estimate.FreeBytes ? ": more than the " + free : "; " + free;
}

}  // namespace

std::string AreaCostText(const JobEstimate& estimate, bool weighing) {
  if (estimate.Zooms.empty()) {
    return std::string();
  }
  std::string text = SizePart(estimate, weighing);
  text.front() = static_cast<char>(text.front() - 'a' + 'A');
  return estimate.Folder.empty() ? text : text + FreePart(estimate);
}

}  // namespace kartovel
