// GeoJSON through nlohmann-json's event (SAX) interface: geometries found wherever a
// Feature, a collection or a geometry puts them, with positions [longitude, latitude
// (, height)]. No document tree is built: a geometry's coordinates are kept compactly
// until its object ends and are turned into the shape's parts there, and members the
// shape does not need (properties other than the name, foreign members) are skipped, so
// memory follows the points, not the file.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "shape/ShapeReaders.h"

namespace kartovel {

namespace {

using nlohmann::json;

// Deeper nesting than any GeoJSON needs is refused before it costs memory or stack.
constexpr int kMaxDepth = 64;

constexpr const char* kPositionFault = "has a position that is not [longitude, latitude]";
constexpr const char* kNotAList = "has coordinates that are not a list";
constexpr const char* kNoRings = "has a polygon without rings";
constexpr const char* kWrongKind = "has a GeoJSON member of the wrong kind";

// A coordinates value as it was written: its lists' starts and ends, its numbers, and
// anything else as one mark, read back in order when the object's type is known.
class Coordinates {
 public:
  enum class Mark : uint8_t { Start, End, Number, Other };

  void Add(Mark mark) { marks_.push_back(mark); }
  void AddNumber(double value) {
    marks_.push_back(Mark::Number);
    numbers_.push_back(value);
  }
  bool Empty() const { return marks_.empty(); }
  // Whether the list just closed ended with a number: a position.
  bool EndsPosition() const {
    return marks_.size() >= 2 && marks_[marks_.size() - 2] == Mark::Number;
  }

  // Reading: one value at a time from the front.
  Mark Peek() const { return marks_[at_]; }
  double TakeNumber() {
    ++at_;
    return numbers_[number_++];
  }
  void Take() { ++at_; }
  // Passes over the next value, a list with everything in it.
  void Skip() {
    int open = 0;
    do {
      const Mark mark = marks_[at_++];
      if (mark == Mark::Number) ++number_;
      open += mark == Mark::Start ? 1 : mark == Mark::End ? -1 : 0;
    } while (open > 0);
  }

 private:
  std::vector<Mark> marks_;
  std::vector<double> numbers_;
  size_t at_ = 0;
  size_t number_ = 0;
};

using Mark = Coordinates::Mark;

GeoPoint PositionOf(Coordinates& value) {
  if (value.Peek() != Mark::Start) throw ShapeFormatError(kPositionFault);
  value.Take();
  double lonLat[2] = {0, 0};
  for (double& number : lonLat) {
    if (value.Peek() != Mark::Number) throw ShapeFormatError(kPositionFault);
    number = value.TakeNumber();
  }
  while (value.Peek() != Mark::End) value.Skip();  // a height, or more
  value.Take();
  return GeoPoint{lonLat[0], lonLat[1]};
}

std::vector<GeoPoint> PositionsOf(Coordinates& value) {
  if (value.Peek() != Mark::Start) throw ShapeFormatError(kNotAList);
  value.Take();
  std::vector<GeoPoint> points;
  while (value.Peek() != Mark::End) points.push_back(PositionOf(value));
  value.Take();
  return points;
}

GeoRing RingOf(Coordinates& value) {
  GeoRing ring = PositionsOf(value);
  if (ring.size() > 1 && ring.front() == ring.back()) ring.pop_back();
  return ring;
}

GeoPolygon PolygonOf(Coordinates& value) {
  if (value.Peek() != Mark::Start) throw ShapeFormatError(kNoRings);
  value.Take();
  if (value.Peek() == Mark::End) throw ShapeFormatError(kNoRings);
  GeoPolygon polygon{RingOf(value), {}};
  while (value.Peek() != Mark::End) polygon.Holes.push_back(RingOf(value));
  value.Take();
  return polygon;
}

// Each element of a list, or a lone value taken as the list's one element.
template <typename Read>
void ForEachElement(Coordinates& value, const Read& read) {
  if (value.Peek() != Mark::Start) {
    read(value);
    return;
  }
  value.Take();
  while (value.Peek() != Mark::End) read(value);
  value.Take();
}

// What an object and the objects inside it add to the shape, in the file's order.
struct Parts {
  std::vector<GeoPolygon> Polygons;
  std::vector<GeoLine> Lines;
  std::string Name;  // of the first Feature with a name

  void Append(Parts&& more) {
    for (GeoPolygon& polygon : more.Polygons) Polygons.push_back(std::move(polygon));
    for (GeoLine& line : more.Lines) Lines.push_back(std::move(line));
    if (Name.empty()) Name = std::move(more.Name);
  }
};

Parts GeometryParts(const std::string& type, Coordinates& value) {
  Parts parts;
  if (value.Empty()) return parts;
  if (type == "Polygon") {
    parts.Polygons.push_back(PolygonOf(value));
  } else if (type == "MultiPolygon") {
    ForEachElement(value, [&](Coordinates& one) { parts.Polygons.push_back(PolygonOf(one)); });
  } else if (type == "LineString") {
    parts.Lines.push_back(PositionsOf(value));
  } else if (type == "MultiLineString") {
    ForEachElement(value, [&](Coordinates& one) { parts.Lines.push_back(PositionsOf(one)); });
  }
  // Points carry no area and no line: nothing to add.
  return parts;
}

// One open object or list of the file, as far as the shape cares about it.
struct Frame {
  enum class Kind {
    Object,       // a GeoJSON object: the file's, a Feature's geometry, a collection's member
    Properties,   // a Feature's properties: only its name is kept
    Members,      // the list of a collection's features or geometries
    Coordinates,  // a list inside an object's coordinates
    Skipped,      // anything else
  };
  Kind Of = Kind::Skipped;
  std::string Key;  // an object's current member
  // Kind::Object:
  bool HasType = false;
  std::string Type;
  std::string Name;
  Coordinates Value;
  Parts FromGeometry;
  Parts FromFeatures;
  Parts FromGeometries;
  // Kind::Members: the members' parts so far, and whose (features or geometries).
  Parts FromMembers;
};

class GeoJsonEvents final : public nlohmann::json_sax<json> {
 public:
  explicit GeoJsonEvents(size_t maxPoints) : maxPoints_(maxPoints) {
    frames_.reserve(kMaxDepth + 1);  // frames stay in place: the coordinates read point into one
  }

  bool TooDeep() const { return tooDeep_; }
  bool Invalid() const { return invalid_; }
  bool RootIsGeoJson() const { return rootIsGeoJson_; }
  const std::string& Fault() const { return fault_; }
  Parts TakeShape() { return std::move(shape_); }

  bool null() override { return Scalar(Mark::Other); }
  bool boolean(bool) override { return Scalar(Mark::Other); }
  bool number_integer(number_integer_t value) override {
    return Number(static_cast<double>(value));
  }
  bool number_unsigned(number_unsigned_t value) override {
    return Number(static_cast<double>(value));
  }
  bool number_float(number_float_t value, const string_t&) override { return Number(value); }
  bool binary(binary_t&) override { return Scalar(Mark::Other); }

  bool string(string_t& value) override {
    if (!Active()) return true;
    Frame& top = frames_.back();
    if (top.Of == Frame::Kind::Object && top.Key == "type") {
      top.Type = value;
      return true;
    }
    if (top.Of == Frame::Kind::Properties && top.Key == "name") {
      if (Owner().Name.empty()) Owner().Name = value;
      return true;
    }
    return Scalar(Mark::Other);
  }

  bool key(string_t& name) override {
    if (Active()) {
      Frame& top = frames_.back();
      top.Key = name;
      if (top.Of == Frame::Kind::Object && name == "type") top.HasType = true;
    }
    return true;
  }

  bool start_object(std::size_t) override {
    if (!Deeper()) return false;
    Open(Destination(true));
    return true;
  }

  bool start_array(std::size_t) override {
    if (!Deeper()) return false;
    Open(Destination(false));
    return true;
  }

  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    invalid_ = true;
    return false;
  }

 private:
  // After a fault the rest of the file is only checked to be JSON.
  bool Active() const { return fault_.empty(); }

  bool Deeper() {
    if (++depth_ > kMaxDepth) {
      tooDeep_ = true;
      return false;
    }
    return true;
  }

  void Refuse(const std::string& why) {
    if (fault_.empty()) fault_ = why;
  }

  // The object whose properties are open.
  Frame& Owner() { return frames_[frames_.size() - 2]; }

  Coordinates* OpenCoordinates() {
    if (frames_.empty()) return nullptr;
    Frame& top = frames_.back();
    if (top.Of == Frame::Kind::Coordinates) return coordinatesOf_;
    if (top.Of == Frame::Kind::Object && top.Key == "coordinates") return &top.Value;
    return nullptr;
  }

  // A member "type" that is not a text.
  bool MisplacedValue() {
    if (!frames_.empty() && frames_.back().Of == Frame::Kind::Object && frames_.back().Key == "type") {
      Refuse(kWrongKind);
      return true;
    }
    return false;
  }

  bool Scalar(Mark mark) {
    if (!Active() || MisplacedValue()) return true;
    if (Coordinates* value = OpenCoordinates()) value->Add(mark);
    if (frames_.empty()) rootIsGeoJson_ = false;  // a lone value is no GeoJSON
    return true;
  }

  bool Number(double number) {
    if (!Active() || MisplacedValue()) return true;
    if (Coordinates* value = OpenCoordinates()) {
      // A position holds two or three numbers; a flood of numbers outside positions is
      // refused as soon as it could be more than the points allowed.
      if (++numbers_ > kNumbersPerPoint * maxPoints_) {
        Refuse(TooManyPointsFault());
        return false;  // refused now: the rest of the file is not read
      }
      value->AddNumber(number);
    }
    return true;
  }

  // What a value about to open becomes, by where it stands.
  Frame::Kind Destination(bool isObject) {
    if (!Active()) return Frame::Kind::Skipped;
    if (frames_.empty()) {
      rootIsGeoJson_ = isObject;
      return isObject ? Frame::Kind::Object : Frame::Kind::Skipped;
    }
    const Frame& top = frames_.back();
    if (top.Of == Frame::Kind::Coordinates ||
        (top.Of == Frame::Kind::Object && top.Key == "coordinates")) {
      if (isObject) {
        OpenCoordinates()->Add(Mark::Other);
        return Frame::Kind::Skipped;
      }
      if (top.Of == Frame::Kind::Object) coordinatesOf_ = &frames_.back().Value;
      coordinatesOf_->Add(Mark::Start);
      return Frame::Kind::Coordinates;
    }
    if (top.Of == Frame::Kind::Members) {
      return isObject ? Frame::Kind::Object : Frame::Kind::Skipped;
    }
    if (top.Of != Frame::Kind::Object) return Frame::Kind::Skipped;
    if (top.Key == "geometry" && isObject) return Frame::Kind::Object;
    if (top.Key == "properties" && isObject) return Frame::Kind::Properties;
    if ((top.Key == "features" || top.Key == "geometries") && !isObject) {
      return Frame::Kind::Members;
    }
    if (top.Key == "type") Refuse(kWrongKind);
    return Frame::Kind::Skipped;
  }

  void Open(Frame::Kind kind) {
    frames_.emplace_back();
    frames_.back().Of = kind;
  }

  bool Close() {
    --depth_;
    Frame frame = std::move(frames_.back());
    frames_.pop_back();
    if (!Active()) return true;
    if (frame.Of == Frame::Kind::Coordinates) {
      coordinatesOf_->Add(Mark::End);
      if (coordinatesOf_->EndsPosition() && ++points_ > maxPoints_) {
        Refuse(TooManyPointsFault());
        return false;  // refused now: the rest of the file is not read
      }
    } else if (frame.Of == Frame::Kind::Object) {
      try {
        Hand(ObjectParts(frame));
      } catch (const ShapeFormatError& fault) {
        Refuse(fault.what());
      }
    } else if (frame.Of == Frame::Kind::Members && !frames_.empty()) {
      Frame& owner = frames_.back();
      (owner.Key == "features" ? owner.FromFeatures : owner.FromGeometries)
          .Append(std::move(frame.FromMembers));
    }
    return true;
  }

  Parts ObjectParts(Frame& frame) {
    if (frames_.empty() && !frame.HasType) throw ShapeFormatError("is JSON but not GeoJSON");
    const std::string& type = frame.Type;
    if (type == "FeatureCollection") return std::move(frame.FromFeatures);
    if (type == "GeometryCollection") return std::move(frame.FromGeometries);
    if (type == "Feature") {
      Parts parts;
      parts.Name = frame.Name;
      parts.Append(std::move(frame.FromGeometry));
      return parts;
    }
    return GeometryParts(type, frame.Value);
  }

  // A closed object's parts go to the object or list around it, or make the shape.
  void Hand(Parts&& parts) {
    if (frames_.empty()) {
      shape_ = std::move(parts);
    } else if (frames_.back().Of == Frame::Kind::Members) {
      frames_.back().FromMembers.Append(std::move(parts));
    } else {
      frames_.back().FromGeometry.Append(std::move(parts));
    }
  }

  static constexpr size_t kNumbersPerPoint = 4;

  size_t maxPoints_;
  size_t points_ = 0;
  size_t numbers_ = 0;
  int depth_ = 0;
  bool tooDeep_ = false;
  bool invalid_ = false;
  bool rootIsGeoJson_ = false;
  std::string fault_;
  std::vector<Frame> frames_;
  // The coordinates being read: the value of the innermost object's coordinates member.
  Coordinates* coordinatesOf_ = nullptr;
  Parts shape_;
};

}  // namespace

Shape ReadGeoJson(std::string_view text) {
  GeoJsonEvents events(kMaxShapeFilePoints);
  json::sax_parse(text.begin(), text.end(), &events);
  if (events.TooDeep()) throw ShapeFormatError("is nested too deeply for GeoJSON");
  if (events.Invalid()) throw ShapeFormatError("is not valid JSON");
  if (!events.RootIsGeoJson()) throw ShapeFormatError("is JSON but not GeoJSON");
  if (!events.Fault().empty()) throw ShapeFormatError(events.Fault());
  Parts parts = events.TakeShape();
  return Shape{std::move(parts.Name), std::move(parts.Polygons), std::move(parts.Lines), 0};
}

}  // namespace kartovel
