// The drop-down's sources.
#include "app/OfferedSources.h"

#include <algorithm>

namespace kartovel {

std::vector<std::string> SourceItems(const std::vector<MapSource>& sources) {
  std::vector<std::string> items;
  for (const MapSource& source : sources) {
    items.push_back(source.Name);
  }
  return items;
}

std::optional<int32_t> IndexOfMapsType(const std::vector<MapSource>& sources, int32_t mapsType) {
  for (size_t i = 0; i < sources.size(); ++i) {
    if (sources[i].MapsType == mapsType) {
      return static_cast<int32_t>(i);
    }
  }
  return std::nullopt;
}

SourceOffer OfferTaskSource(std::vector<MapSource>& sources, std::vector<std::string>& items,
                            const MapSource& source) {
  const auto offered = std::find(sources.begin(), sources.end(), source);
  if (offered != sources.end()) {
    return {static_cast<int32_t>(offered - sources.begin()), false};
  }
  sources.push_back(source);
  items.push_back(source.Name + " (from the task)");
  return {static_cast<int32_t>(sources.size()) - 1, true};
}

}  // namespace kartovel
