// KML through expat: each Polygon's outer and inner LinearRings and each LineString,
// wherever Placemarks, MultiGeometries, Folders and Documents put them.
#include <charconv>

#include "shape/ShapeReaders.h"
#include "shape/XmlEvents.h"

namespace kartovel {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

class KmlListener final : public XmlListener {
 public:
  Shape shape;

  void Start(std::string_view name, const char**) override {
    path_.emplace_back(name);
    if (name == "Polygon") polygon_ = GeoPolygon{};
    if (name == "coordinates" || (name == "name" && shape.Name.empty())) text_.clear();
  }

  void End(std::string_view name) override {
    if (name == "coordinates") Coordinates();
    if (name == "name" && shape.Name.empty() && Parent() == "Placemark") shape.Name = Trimmed();
    if (name == "name" && shape.Name.empty() && (Parent() == "Document" || Parent() == "Folder")) {
      shape.Name = Trimmed();
    }
    if (name == "Polygon" && !polygon_.Outer.empty()) shape.Polygons.push_back(polygon_);
    if (!path_.empty()) path_.pop_back();
  }

  void Text(std::string_view text) override {
    if (!path_.empty() && (path_.back() == "coordinates" || path_.back() == "name")) {
      text_.append(text);
    }
  }

 private:
  std::string_view Parent() const {
    return path_.size() >= 2 ? std::string_view(path_[path_.size() - 2]) : std::string_view();
  }

  bool Inside(std::string_view name) const {
    for (const std::string& element : path_) {
      if (element == name) return true;
    }
    return false;
  }

  std::string Trimmed() const {
    size_t first = 0, last = text_.size();
    while (first < last && IsBlank(text_[first])) ++first;
    while (last > first && IsBlank(text_[last - 1])) --last;
    return text_.substr(first, last - first);
  }

  void Coordinates() {
    std::vector<GeoPoint> points = ParseKmlCoordinates(text_, kMaxShapeFilePoints - points_);
    points_ += points.size();
    if (Inside("LineString")) {
      shape.Lines.push_back(std::move(points));
      return;
    }
    if (!Inside("LinearRing") || !Inside("Polygon")) return;
    if (points.size() > 1 && points.front() == points.back()) points.pop_back();
    if (Inside("outerBoundaryIs")) polygon_.Outer = std::move(points);
    if (Inside("innerBoundaryIs")) polygon_.Holes.push_back(std::move(points));
  }

  std::vector<std::string> path_;
  std::string text_;
  GeoPolygon polygon_;
  size_t points_ = 0;  // of the whole file so far
};

}  // namespace

bool ParseDecimal(std::string_view text, double& value) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const char* end = text.data() + text.size();
  const auto [stop, fault] = std::from_chars(text.data(), end, value);
  return !text.empty() && fault == std::errc() && stop == end;
}

std::string TooManyPointsFault() {
  return "has more than " + std::to_string(kMaxShapeFilePoints) +
         " points; a shape that large cannot be a task's area, so simplify it first";
}

void CountShapePoint(size_t& counted) {
  if (++counted > kMaxShapeFilePoints) throw ShapeFormatError(TooManyPointsFault());
}

std::vector<GeoPoint> ParseKmlCoordinates(std::string_view text, size_t most) {
  std::vector<GeoPoint> points;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    size_t stop = at;
    while (stop < text.size() && !IsBlank(text[stop])) ++stop;
    if (stop == at) break;
    std::string_view tuple = text.substr(at, stop - at);
    double fields[3] = {0, 0, 0};
    size_t count = 0;
    bool numbers = true;
    while (numbers && count < 3) {
      const size_t comma = tuple.find(',');
      numbers = ParseDecimal(tuple.substr(0, comma), fields[count++]);
      if (comma == std::string_view::npos) break;
      tuple.remove_prefix(comma + 1);
      if (count == 3) numbers = false;  // a fourth field
    }
    if (!numbers || count < 2) {
      throw ShapeFormatError("has coordinates that are not longitude,latitude numbers");
    }
    if (points.size() == most) throw ShapeFormatError(TooManyPointsFault());
    const GeoPoint point{fields[0], fields[1]};
    points.push_back(point);
    at = stop;
  }
  return points;
}

Shape ReadKml(std::string_view text) {
  KmlListener listener;
  ParseShapeXml(text, listener);
  return std::move(listener.shape);
}

}  // namespace kartovel
