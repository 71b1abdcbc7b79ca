// Ownership of GEOS's reentrant C API: one context per use (never shared across threads),
// geometries and prepared geometries that free themselves, and the context's last error
// text for the messages that name what went wrong.
#pragma once

#define GEOS_USE_ONLY_R_API
#include <geos_c.h>

#include <memory>
#include <string>
#include <vector>

namespace kartovel {

class GeosContext;

struct GeosGeometryFree {
  GEOSContextHandle_t handle = nullptr;
  void operator()(GEOSGeometry* geometry) const { GEOSGeom_destroy_r(handle, geometry); }
};
using GeosGeometry = std::unique_ptr<GEOSGeometry, GeosGeometryFree>;

struct GeosPreparedFree {
  GEOSContextHandle_t handle = nullptr;
  void operator()(const GEOSPreparedGeometry* prepared) const {
    GEOSPreparedGeom_destroy_r(handle, prepared);
  }
};
using GeosPrepared = std::unique_ptr<const GEOSPreparedGeometry, GeosPreparedFree>;

class GeosContext {
 public:
  GeosContext();
  ~GeosContext();
  GeosContext(const GeosContext&) = delete;
  GeosContext& operator=(const GeosContext&) = delete;

  GEOSContextHandle_t Handle() const { return handle_; }
  // Takes ownership of a result of GEOS; a null result throws with GEOS's error text.
  GeosGeometry Own(GEOSGeometry* geometry) const;
  GeosPrepared Prepare(const GEOSGeometry& geometry) const;
  // A collection of the given type made of the parts (which it takes over).
  GeosGeometry Collect(int type, std::vector<GeosGeometry> parts) const;
  GeosGeometry Rectangle(double xMin, double yMin, double xMax, double yMax) const;
  const std::string& LastError() const { return lastError_; }

 private:
  static void OnError(const char* message, void* userData);

  GEOSContextHandle_t handle_;
  std::string lastError_;
};

// Calls visit with every non-collection part of a geometry, recursively.
template <typename Visit>
void ForEachPart(const GeosContext& geos, const GEOSGeometry* geometry, const Visit& visit) {
  const int type = GEOSGeomTypeId_r(geos.Handle(), geometry);
  if (type == GEOS_MULTIPOINT || type == GEOS_MULTILINESTRING || type == GEOS_MULTIPOLYGON ||
      type == GEOS_GEOMETRYCOLLECTION) {
    const int count = GEOSGetNumGeometries_r(geos.Handle(), geometry);
    for (int i = 0; i < count; ++i) {
      ForEachPart(geos, GEOSGetGeometryN_r(geos.Handle(), geometry, i), visit);
    }
    return;
  }
  visit(geometry, type);
}

}  // namespace kartovel
