#pragma once
// Harness of the line/point reader fuzz targets: the input becomes one line/point file that is
// added to a scene holding a small terrain (geographic, or in plane coordinates for .xyn), and the
// store's invariants are checked. A violated invariant aborts, which the fuzzer reports as a
// crash. The terrain and a store with one resident layer are prepared once per process; each
// input's layers are deleted again afterwards.

#include <string_view>

namespace torvane::fuzz {

/// Adds `bytes` as a file with the given extension (".xml", ".nmea", ".bln", ".xyn", ".blhrgb",
/// ".gpx", ".geojson") and checks the store.
void addLineFileAndCheck(std::string_view bytes, std::string_view extension);

/// Writes the terrain the harness lays the files on: a DEM tile (geographic) and a LEM tile with
/// its header (plane), in `dir`. Seeds are made to fall inside them.
void writeFuzzTerrain(const char* dir);

//! Where the harness terrain lies: geographic tile corners (degrees) and plane tile corners (m).
inline constexpr double kFuzzLatSouth = 35.0, kFuzzLonWest = 139.0;
inline constexpr double kFuzzLatNorth = 35.0 + 0.0083 * 14 / 149;
inline constexpr double kFuzzLonEast = 139.0 + 0.0125 * 19 / 224;
inline constexpr double kFuzzWest = -10000, kFuzzSouth = -20000, kFuzzEast = -9945,
                        kFuzzNorth = -19960;

}  // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size);
