// verify: whether a task's tiles or a written file are whole. A task file (".qtsk"):
// every tile of its range present, an image of its type that decodes, blank substitutes
// and failed-tile records counted. Any other file is told by its first bytes: a PNG
// (every chunk's CRC, IEND, the image data inflating to the image's size), an SQLite
// export (MBTiles, GeoPackage, sqlitedb: integrity check, schema, every tile decoded) or
// a PMTiles archive (header, directories, every tile decoded). Nothing is ever written.
#pragma once

#include <functional>
#include <string>

#include "verify/VerifyReport.h"

namespace kartovel {

// Looked at before every tile: true ends the verify (the report says it stopped).
using VerifyStop = std::function<bool()>;

// The blank image of a task's tiles lies in the program folder.
VerifyReport VerifyTarget(const std::string& target, const std::string& programFolder,
                          const VerifyStop& stop);

VerifyReport VerifyTask(const std::string& taskFile, const std::string& programFolder,
                        const VerifyStop& stop);
void VerifyPngFile(int descriptor, VerifyReport& report);
void VerifySqliteFile(const std::string& fileName, VerifyReport& report, const VerifyStop& stop);
void VerifyPmtilesFile(int descriptor, VerifyReport& report, const VerifyStop& stop);

}  // namespace kartovel
