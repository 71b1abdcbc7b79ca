// The live tiles of a map source under everything else: the grid's tiles in view at the
// zoom that fits the view, fetched from the disk cache or the tile service on fetch
// threads and decoded here. Until a tile arrives a coarser tile already at hand stands
// in for it; a tile that cannot be had is a pale cell, never a message.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tiles/LruCache.h"
#include "geometry/WebTileGrid.h"
#include "download/HttpClient.h"
#include "map/TileDiskCache.h"
#include "map/TileFetcher.h"
#include "map/TileSource.h"
#include "mapcanvas/MapLayer.h"

namespace kartovel::mapcanvas {

class WebTilesLayer : public MapLayer {
 public:
  // canvas is repainted when a tile arrives.
  WebTilesLayer(TileSource source, std::shared_ptr<TileDiskCache> cache,
                HttpClientFactory makeClient, QWidget& canvas);
  // Stops the fetch first, waiting for the fetches under way.
  ~WebTilesLayer() override;

  LayerPass Paint(QPainter& painter, const MapView& view, QSize size) override;

  // The colour of the cell of a tile that could not be had.
  static QColor PaleCellColour();
  // Tiles arrived and decoded, and tiles that could not be had, so far.
  int64_t ArrivedCount() const { return arrived_; }
  int64_t FailedCount() const { return static_cast<int64_t>(failed_.size()); }

 private:
  void Receive(const TileId& tile, std::optional<std::string> bytes);
  bool DrawStandIn(QPainter& painter, const QRectF& target, const TileId& tile);
  static uint64_t Packed(const TileId& tile);

  int32_t minZoom_;
  int32_t maxZoom_;
  QPointer<QWidget> canvas_;
  QObject receiver_;  // delivered tiles are handed to the window's thread through it
  tools::LruCache<uint64_t, QImage> images_;
  std::set<TileId> failed_;
  std::vector<TileId> lastWanted_;
  int64_t arrived_ = 0;
  std::unique_ptr<TileFetcher> fetcher_;  // last: stopped before the members above go
};

}  // namespace kartovel::mapcanvas
