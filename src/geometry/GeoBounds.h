// A longitude/latitude rectangle in degrees: a shape's bounds, a tileset's extent.
#pragma once

namespace kartovel {

struct GeoBounds {
  double West = 0;
  double South = 0;
  double East = 0;
  double North = 0;
};

}  // namespace kartovel
