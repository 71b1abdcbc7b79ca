// The shape section: numbers in their shortest exact form (locale-free), so a shape reads
// back equal to the one written and a continued run covers the very same tiles.
#include "task/TaskShape.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>

#include "common/Error.h"
#include "common/IniFile.h"
#include "common/Text.h"
#include "shape/ShapeGeometry.h"
#include "shape/ShapeReaders.h"
#include "task/TaskFileKeys.h"
#include "task/Unitclasstask.h"

namespace kartovel {

namespace {

// Outward by a ten-thousandth of a metre: more than the rectangle keys' 15 significant
// digits take off, far less than a tile at any zoom.
constexpr double kBoundsMargin = 1e-9;
constexpr double kLimitLatitude = 85.0511287798;

void AppendNumber(std::string& out, double value) {
  char digits[32];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
  out.append(digits, result.ptr);
}

std::string PointsText(const std::vector<GeoPoint>& points) {
  std::string text;
  for (const GeoPoint& point : points) {
    if (!text.empty()) text.push_back(' ');
    AppendNumber(text, point.Longitude);
    text.push_back(',');
    AppendNumber(text, point.Latitude);
  }
  return text;
}

std::string Entry(const std::string& key, const std::string& value) { return key + "=" + value; }

// FNV-1a over the section's entries, each followed by a line end.
std::string CheckValue(const Lines& entries) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (const std::string& line : entries) {
    for (const char c : line + "\n") {
      hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

Lines EntryLines(const Shape& shape) {
  std::string corridor;
  AppendNumber(corridor, shape.CorridorMetres);
  Lines entries = {Entry(taskfile::kShapeName, shape.Name), Entry(taskfile::kShapeCorridor, corridor),
                   Entry(taskfile::kShapePolygons, std::to_string(shape.Polygons.size())),
                   Entry(taskfile::kShapeLines, std::to_string(shape.Lines.size()))};
  for (size_t p = 0; p < shape.Polygons.size(); ++p) {
    const std::string key = "P" + std::to_string(p + 1);
    entries.push_back(Entry(key, PointsText(shape.Polygons[p].Outer)));
    for (size_t h = 0; h < shape.Polygons[p].Holes.size(); ++h) {
      entries.push_back(Entry(key + "H" + std::to_string(h + 1), PointsText(shape.Polygons[p].Holes[h])));
    }
  }
  for (size_t l = 0; l < shape.Lines.size(); ++l) {
    entries.push_back(Entry("L" + std::to_string(l + 1), PointsText(shape.Lines[l])));
  }
  return entries;
}

class SectionReader {
 public:
  SectionReader(const IniSnapshot& file, const std::string& fileName)
      : file_(file), fileName_(fileName) {}

  std::string Text(const std::string& key) const {
    const auto value = file_.StoredValue(taskfile::kShapeSection, key);
    if (!value) Fault("the key " + key + " is missing");
    return std::string(*value);
  }

  size_t Count(const std::string& key) const {
    const std::string text = Text(key);
    size_t count = 0;
    const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (fault != std::errc() || end != text.data() + text.size() || count > 1000000) {
      Fault("the value of " + key + " is no count");
    }
    return count;
  }

  std::vector<GeoPoint> Points(const std::string& key, size_t least) const {
    std::vector<GeoPoint> points;
    try {
      points = ParseKmlCoordinates(Text(key));
    } catch (const ShapeFormatError&) {
      Fault("the value of " + key + " is no list of longitude,latitude pairs");
    }
    if (points.size() < least) Fault(key + " has too few points");
    for (const GeoPoint& point : points) {
      if (!(std::abs(point.Longitude) <= 180) || !(std::abs(point.Latitude) <= kLimitLatitude + 1e-9)) {
        Fault(key + " has a point off the map");
      }
    }
    return points;
  }

  [[noreturn]] void Fault(const std::string& what) const {
    throw AppError("The shape in the task file " + fileName_ + " is damaged (" + what +
                   "). Open the shape file again to make a new task.");
  }

 private:
  const IniSnapshot& file_;
  const std::string& fileName_;
};

}  // namespace

Lines ShapeSectionLines(const Shape& shape) {
  Lines entries = EntryLines(shape);
  size_t bytes = 0;
  for (const std::string& line : entries) bytes += line.size() + 2;
  if (bytes > kMaxShapeSectionBytes) {
    throw AppError("The shape has too many points to be kept in a task file. Simplify it to "
                   "fewer points (about 20000 at most).");
  }
  Lines lines = {"[" + std::string(taskfile::kShapeSection) + "]"};
  lines.insert(lines.end(), entries.begin(), entries.end());
  lines.push_back(Entry(taskfile::kShapeCheck, CheckValue(entries)));
  return lines;
}

std::optional<Shape> ReadTaskShape(const std::string& taskFilePath) {
  const IniSnapshot file(taskFilePath);
  const std::vector<std::string> sections = file.ReadSections();
  const bool shaped = std::any_of(sections.begin(), sections.end(), [](const std::string& name) {
    return EqualsIgnoringCase(name, taskfile::kShapeSection);
  });
  if (!shaped) return std::nullopt;
  const SectionReader reader(file, taskFilePath);
  Shape shape;
  shape.Name = reader.Text(taskfile::kShapeName);
  if (!ParseDecimal(reader.Text(taskfile::kShapeCorridor), shape.CorridorMetres) ||
      shape.CorridorMetres < 0 || shape.CorridorMetres > kMaxCorridorMetres) {
    reader.Fault("the corridor's width is no number from 0 to 100000");
  }
  const size_t polygons = reader.Count(taskfile::kShapePolygons);
  for (size_t p = 1; p <= polygons; ++p) {
    GeoPolygon polygon{reader.Points("P" + std::to_string(p), 3), {}};
    for (size_t h = 1; file.StoredValue(taskfile::kShapeSection, "P" + std::to_string(p) + "H" + std::to_string(h)); ++h) {
      polygon.Holes.push_back(reader.Points("P" + std::to_string(p) + "H" + std::to_string(h), 3));
    }
    shape.Polygons.push_back(std::move(polygon));
  }
  const size_t lines = reader.Count(taskfile::kShapeLines);
  for (size_t l = 1; l <= lines; ++l) shape.Lines.push_back(reader.Points("L" + std::to_string(l), 1));
  if (shape.Empty()) reader.Fault("it holds no polygon and no line");
  if (!shape.Lines.empty() && shape.CorridorMetres <= 0) reader.Fault("its lines have no corridor");
  // Every entry the program wrote must be there as written, and nothing else.
  const auto entries = file.Entries(taskfile::kShapeSection);
  if (reader.Text(taskfile::kShapeCheck) != CheckValue(EntryLines(shape)) ||
      entries.size() != EntryLines(shape).size() + 1) {
    throw AppError("The shape in the task file " + taskFilePath +
                   " was changed by hand, so the task's tiles are not known. Open the shape "
                   "file again to make a new task.");
  }
  return shape;
}

GeoBounds RequestBoundsOf(const Shape& shape) {
  const GeoBounds area = BoundsOf(shape);
  return GeoBounds{.West = std::max(-180.0, area.West - kBoundsMargin),
                   .South = std::max(-kLimitLatitude, area.South - kBoundsMargin),
                   .East = std::min(180.0, area.East + kBoundsMargin),
                   .North = std::min(kLimitLatitude, area.North + kBoundsMargin)};
}

void TakeShapeArea(TaskParameters& params, const Shape& shape) {
  const GeoBounds bounds = RequestBoundsOf(shape);
  params.LeftLongitude = bounds.West;
  params.RightLongitude = bounds.East;
  params.TopLatitude = bounds.North;
  params.BottomLatitude = bounds.South;
  params.AreaShape = shape;
}

}  // namespace kartovel
