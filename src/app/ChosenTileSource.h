// The map source the main window has chosen, as a map window fetches it: its tiles on
// the configured tile service, its request profile through the configured proxy, and the
// workers and pause a download of it uses.
#pragma once

#include "app/Unit1.h"
#include "map/TileSource.h"

namespace kartovel {

// Reads the proxy settings afresh from the configuration file, as Start does.
TileSource ChosenTileSource(const TForm1& form);
// The same for any map source, tile service and configuration (the command line's).
TileSource TileSourceFor(const MapSource& chosen, const std::string& tileHost,
                         const std::string& configFilePath);

}  // namespace kartovel
