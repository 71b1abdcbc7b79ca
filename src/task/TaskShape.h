// A shaped task's area in its task file: the section's lines as the task writes them,
// and the shape read back, refused with a sentence naming the file when the section was
// edited by hand or is damaged.
#pragma once

#include <optional>
#include <string>

#include "common/LineFile.h"
#include "shape/Shape.h"

namespace kartovel {

// The largest shape section a task file may hold: the whole file stays under the task
// file limit with room for the other sections.
inline constexpr size_t kMaxShapeSectionBytes = 900 * 1024;

// The section, header first, ending with its check value. Throws AppError when the
// shape has too many points for a task file.
Lines ShapeSectionLines(const Shape& shape);

// The shape of the task file, none when it has no shape section. Throws AppError naming
// the file when the section is damaged or was edited by hand.
std::optional<Shape> ReadTaskShape(const std::string& taskFilePath);

// The rectangle around a shape that a shaped request's rectangle keys hold: a little wider
// than its area, so the rectangle's range holds every tile the shape covers, and inside
// the map.
GeoBounds RequestBoundsOf(const Shape& shape);
struct TaskParameters;
// Makes the shape the area of params: its rectangle the shape's request bounds.
void TakeShapeArea(TaskParameters& params, const Shape& shape);

}  // namespace kartovel
