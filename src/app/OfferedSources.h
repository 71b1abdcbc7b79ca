// The map sources the main window's drop-down offers, kept in step with its item texts:
// finding a map type among them, and offering an opened task's own source when the
// sources file no longer lists it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "task/MapSource.h"

namespace kartovel {

// The drop-down's texts for sources.
std::vector<std::string> SourceItems(const std::vector<MapSource>& sources);

// The index of the first source of that map type.
std::optional<int32_t> IndexOfMapsType(const std::vector<MapSource>& sources, int32_t mapsType);

struct SourceOffer {
  int32_t Index = 0;   // where the source now stands
  bool Added = false;  // it was not offered before: the lists grew by one
};

// The index of source among the offered ones, appended ("(from the task)") when absent.
SourceOffer OfferTaskSource(std::vector<MapSource>& sources, std::vector<std::string>& items,
                            const MapSource& source);

}  // namespace kartovel
