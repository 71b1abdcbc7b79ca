// The GEOS context's life and the few constructors every user of GEOS needs.
#include "shape/Geos.h"

#include <stdexcept>

namespace kartovel {

GeosContext::GeosContext() : handle_(GEOS_init_r()) {
  if (handle_ == nullptr) throw std::bad_alloc();
  GEOSContext_setErrorMessageHandler_r(handle_, &GeosContext::OnError, this);
}

GeosContext::~GeosContext() { GEOS_finish_r(handle_); }

void GeosContext::OnError(const char* message, void* userData) {
  static_cast<GeosContext*>(userData)->lastError_ = message;
}

GeosGeometry GeosContext::Own(GEOSGeometry* geometry) const {
  if (geometry == nullptr) {
    throw std::runtime_error("The geometry library failed: " + lastError_);
  }
  return GeosGeometry(geometry, GeosGeometryFree{handle_});
}

GeosPrepared GeosContext::Prepare(const GEOSGeometry& geometry) const {
  const GEOSPreparedGeometry* prepared = GEOSPrepare_r(handle_, &geometry);
  if (prepared == nullptr) {
    throw std::runtime_error("The geometry library failed: " + lastError_);
  }
  return GeosPrepared(prepared, GeosPreparedFree{handle_});
}

GeosGeometry GeosContext::Collect(int type, std::vector<GeosGeometry> parts) const {
  std::vector<GEOSGeometry*> raw;
  raw.reserve(parts.size());
  for (GeosGeometry& part : parts) raw.push_back(part.get());
  GEOSGeometry* collection =
      GEOSGeom_createCollection_r(handle_, type, raw.data(), unsigned(raw.size()));
  if (collection != nullptr) {
    // The collection owns the parts now.
    for (GeosGeometry& part : parts) static_cast<void>(part.release());
  }
  return Own(collection);
}

GeosGeometry GeosContext::Rectangle(double xMin, double yMin, double xMax, double yMax) const {
  return Own(GEOSGeom_createRectangle_r(handle_, xMin, yMin, xMax, yMax));
}

}  // namespace kartovel
