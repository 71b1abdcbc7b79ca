// GPX through expat: every track segment and every route is a line of its points.
#include "shape/ShapeReaders.h"
#include "shape/XmlEvents.h"

namespace kartovel {

namespace {

class GpxListener final : public XmlListener {
 public:
  Shape shape;

  void Start(std::string_view name, const char** attributes) override {
    ++depth_;
    if (name == "trkseg" || name == "rte") line_.clear();
    if (name == "trkpt" || name == "rtept") Point(attributes);
    if (name == "name") {
      inName_ = true;
      name_.clear();
    }
  }

  void End(std::string_view name) override {
    --depth_;
    if ((name == "trkseg" || name == "rte") && !line_.empty()) shape.Lines.push_back(line_);
    if (name == "name") {
      inName_ = false;
      if (shape.Name.empty()) shape.Name = name_;
    }
  }

  void Text(std::string_view text) override {
    if (inName_) name_.append(text);
  }

 private:
  void Point(const char** attributes) {
    GeoPoint point;
    if (!ParseDecimal(AttributeOf(attributes, "lon"), point.Longitude) ||
        !ParseDecimal(AttributeOf(attributes, "lat"), point.Latitude)) {
      throw ShapeFormatError("has a track or route point without numbers for lat and lon");
    }
    CountShapePoint(points_);
    line_.push_back(point);
  }

  int depth_ = 0;
  bool inName_ = false;
  std::string name_;
  GeoLine line_;
  size_t points_ = 0;  // of the whole file so far
};

}  // namespace

Shape ReadGpx(std::string_view text) {
  GpxListener listener;
  ParseShapeXml(text, listener);
  return std::move(listener.shape);
}

}  // namespace kartovel
