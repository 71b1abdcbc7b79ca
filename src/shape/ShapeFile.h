// A shape file (GeoJSON, KML or GPX, told apart by content) read into a shape with every
// check a shape must pass before it becomes a task. A polygon that is not a valid area is
// not repaired behind the user's back: the reading says what is wrong and whether the
// geometry library can repair it (RepairShape), and the front end asks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/Error.h"
#include "shape/Shape.h"

namespace kartovel {

// Files from this size on are refused before a byte is read.
inline constexpr uint64_t kMaxShapeFileBytes = 100ull * 1024 * 1024;

struct ShapeReading {
  Shape Value;
  std::vector<std::string> Notes;  // what was changed on reading (clipped latitudes)
  std::string Problem;             // not empty: the area is not valid as it is
  bool CanRepair = false;
};

// corridorMetres: the width on each side of the file's lines, when the user gave one.
// Throws AppError with a sentence naming the file and the fault.
ShapeReading ReadShapeFile(const std::string& fileName, std::optional<double> corridorMetres);
// The same for a text already in memory, named fileName in the messages.
ShapeReading ReadShapeText(const std::string& text, const std::string& fileName,
                           std::optional<double> corridorMetres);

// The corridor check alone: a message, or empty when the width is allowed.
std::string CorridorWidthProblem(double metres);
// Why the shape's polygons are not a valid area ("Self-intersection near longitude ...,
// latitude ..."); empty when they are.
std::string ShapeProblem(const Shape& shape);
// The shape with every polygon made valid by the geometry library (the pieces of a
// polygon that crosses itself become polygons of their own); lines are kept.
Shape RepairShape(const Shape& shape);

}  // namespace kartovel
