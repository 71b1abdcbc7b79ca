// The main window's "Area:" row: a shape file read to become the area (its notes shown, a
// crossing polygon repaired only when the user agrees), the row's label, and the texts
// the coordinate boxes show for a shape's bounds.
#pragma once

#include <optional>
#include <string>

#include "common/Platform.h"
#include "shape/Shape.h"

namespace kartovel {

// The label of a rectangle of the four boxes.
inline constexpr char kRectangleAreaLabel[] = "Rectangle";

// The shape of file, with corridorText (as typed; a comma reads as a point) as the
// corridor's width. None when the file was refused (the user was told) or the repair
// declined.
std::optional<Shape> ReadAreaShapeFile(Platform& platform, const std::string& file,
                                       const std::string& corridorText);

// "Rectangle" without a shape, else the shape's name and where it came from.
std::string AreaLabel(const std::optional<Shape>& shape, const std::string& source);

struct RectangleTexts {
  std::string Left, Right, Top, Bottom;
};

// The bounds the request reads for a shape, as the boxes show them.
RectangleTexts BoundsTexts(const Shape& shape);

}  // namespace kartovel
