// Shape files for the area row.
#include "app/AreaRow.h"

#include <algorithm>

#include "common/Error.h"
#include "common/NumberFormat.h"
#include "engine/DecimalText.h"
#include "shape/ShapeFile.h"
#include "task/TaskShape.h"

namespace kartovel {

std::optional<Shape> ReadAreaShapeFile(Platform& platform, const std::string& file,
                                       const std::string& corridorText) {
  std::string corridor = corridorText;
  std::replace(corridor.begin(), corridor.end(), ',', '.');  // as the boxes read it
  ShapeReading reading;
  try {
    reading = ReadShapeFile(file, ParseDecimalText(corridor));
  } catch (const AppError& refusal) {
    platform.ShowMessage(refusal.what());
    return std::nullopt;
  }
  for (const std::string& note : reading.Notes) {
    platform.ShowMessage(note);
  }
  if (!reading.Problem.empty()) {
    if (!platform.AskYesNo(reading.Problem +
                           " Repair it (its crossing parts become polygons of their own)?")) {
      return std::nullopt;
    }
    reading.Value = RepairShape(reading.Value);
  }
  return std::move(reading.Value);
}

std::string AreaLabel(const std::optional<Shape>& shape, const std::string& source) {
  return shape ? shape->Name + " (" + source + ")" : kRectangleAreaLabel;
}

RectangleTexts BoundsTexts(const Shape& shape) {
  const GeoBounds bounds = RequestBoundsOf(shape);
  return {FormatGeneral(bounds.West), FormatGeneral(bounds.East), FormatGeneral(bounds.North),
          FormatGeneral(bounds.South)};
}

}  // namespace kartovel
