// Column spans by halving: the area is clipped to ever narrower bands of columns, so each
// vertex is handled once per halving instead of once per column, and a band of one column
// gives its rows from the extents of its pieces (a connected piece inside the band meets
// the open square of every row its own open extent meets).
#include "shape/ShapeCoverage.h"

#include <algorithm>
#include <cmath>

#include "shape/Geos.h"
#include "shape/ShapeGeometry.h"

namespace kartovel {

namespace {

struct Extent {
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

Extent ExtentOf(const GeosContext& geos, const GEOSGeometry* geometry) {
  Extent e;
  GEOSGeom_getExtent_r(geos.Handle(), geometry, &e.xMin, &e.yMin, &e.xMax, &e.yMax);
  return e;
}

TileRange AroundArea(const Extent& e, int32_t zoom) {
  const double last = std::ldexp(1.0, zoom) - 1;
  auto first = [&](double v) { return int32_t(std::clamp(std::floor(v), 0.0, last)); };
  auto past = [&](double v) { return int32_t(std::clamp(std::ceil(v) - 1, 0.0, last)); };
  return TileRange{zoom, first(e.xMin), past(e.xMax), first(e.yMin), past(e.yMax)};
}

class SpanBuilder {
 public:
  SpanBuilder(const GeosContext& geos, const TileRange& bounds) : geos_(geos), bounds_(bounds) {
    columns_.resize(size_t(bounds.Columns()));
  }

  // The part of the area in columns first..last (inclusive) is `piece`.
  void Split(const GEOSGeometry* piece, int32_t first, int32_t last) {
    if (GEOSisEmpty_r(geos_.Handle(), piece) != 0) return;
    if (first == last) {
      Column(piece, first);
      return;
    }
    const int32_t middle = first + (last - first) / 2;
    Clip(piece, first, middle);
    Clip(piece, middle + 1, last);
  }

  std::vector<std::vector<RowSpan>>& Columns() { return columns_; }

 private:
  // A margin of half a tile keeps the clip's new edges off the squares still to decide;
  // only a band of one column is cut exactly at its edges.
  void Clip(const GEOSGeometry* piece, int32_t first, int32_t last) {
    const Extent e = ExtentOf(geos_, piece);
    const double margin = 0.5;
    GeosGeometry part = geos_.Own(GEOSClipByRect_r(geos_.Handle(), piece, first - margin,
                                                   e.yMin - 1, last + 1 + margin, e.yMax + 1));
    Split(part.get(), first, last);
  }

  void Column(const GEOSGeometry* piece, int32_t x) {
    GeosGeometry band = geos_.Own(GEOSClipByRect_r(geos_.Handle(), piece, x, bounds_.MinY - 1.0,
                                                   x + 1.0, bounds_.MaxY + 2.0));
    std::vector<RowSpan> spans;
    ForEachPart(geos_, band.get(), [&](const GEOSGeometry* part, int type) {
      if (type != GEOS_POLYGON) return;
      double area = 0;
      if (GEOSArea_r(geos_.Handle(), part, &area) == 0 || area <= 0) return;
      const Extent e = ExtentOf(geos_, part);
      const int32_t firstY = std::max(bounds_.MinY, int32_t(std::floor(e.yMin)));
      const int32_t lastY = std::min(bounds_.MaxY, int32_t(std::ceil(e.yMax)) - 1);
      if (firstY <= lastY) spans.push_back(RowSpan{firstY, lastY});
    });
    std::sort(spans.begin(), spans.end(),
              [](const RowSpan& a, const RowSpan& b) { return a.FirstY < b.FirstY; });
    std::vector<RowSpan>& merged = columns_[size_t(x - bounds_.MinX)];
    for (const RowSpan& span : spans) {
      if (!merged.empty() && span.FirstY <= merged.back().LastY + 1) {
        merged.back().LastY = std::max(merged.back().LastY, span.LastY);
      } else {
        merged.push_back(span);
      }
    }
  }

  const GeosContext& geos_;
  const TileRange& bounds_;
  std::vector<std::vector<RowSpan>> columns_;
};

}  // namespace

ShapeCoverage::ShapeCoverage(const Shape& shape, int32_t zoom, std::optional<TileRange> bounds) {
  GeosContext geos;
  GeosGeometry area = AreaOnPlane(geos, shape, zoom);
  if (GEOSisEmpty_r(geos.Handle(), area.get()) != 0) {
    bounds_ = bounds.value_or(TileRange{zoom, 0, -1, 0, -1});
    columnStart_.assign(size_t(std::max<int64_t>(0, bounds_.Columns())) + 1, 0);
    return;
  }
  bounds_ = bounds.value_or(AroundArea(ExtentOf(geos, area.get()), zoom));
  SpanBuilder builder(geos, bounds_);
  if (bounds_.Count() > 0) builder.Split(area.get(), bounds_.MinX, bounds_.MaxX);
  columnStart_.reserve(builder.Columns().size() + 1);
  for (const std::vector<RowSpan>& column : builder.Columns()) {
    columnStart_.push_back(spans_.size());
    for (const RowSpan& span : column) {
      spans_.push_back(span);
      count_ += int64_t{span.LastY} - span.FirstY + 1;
    }
  }
  columnStart_.push_back(spans_.size());
}

bool ShapeCoverage::Holds(int32_t x, int32_t y) const {
  if (!bounds_.Contains(x, y)) return false;
  const auto begin = spans_.begin() + std::ptrdiff_t(columnStart_[size_t(x - bounds_.MinX)]);
  const auto end = spans_.begin() + std::ptrdiff_t(columnStart_[size_t(x - bounds_.MinX) + 1]);
  // The first span that ends at or below y holds it if it starts above.
  const auto span = std::lower_bound(begin, end, y,
                                     [](const RowSpan& s, int32_t row) { return s.LastY < row; });
  return span != end && span->FirstY <= y;
}

void ShapeCoverage::ForEachCovered(const std::function<bool(const TileId&)>& visit) const {
  for (int32_t x = bounds_.MinX; x <= bounds_.MaxX; ++x) {
    for (const RowSpan& span : SpansOf(x)) {
      for (int32_t y = span.FirstY; y <= span.LastY; ++y) {
        if (!visit(TileId{bounds_.Zoom, x, y})) return;
      }
    }
  }
}

std::vector<RowSpan> ShapeCoverage::SpansOf(int32_t x) const {
  if (x < bounds_.MinX || x > bounds_.MaxX) return {};
  const size_t column = size_t(x - bounds_.MinX);
  return std::vector<RowSpan>(spans_.begin() + std::ptrdiff_t(columnStart_[column]),
                              spans_.begin() + std::ptrdiff_t(columnStart_[column + 1]));
}

}  // namespace kartovel
