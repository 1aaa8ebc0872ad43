#pragma once
// GPX files in one pass, without an XML library: GDAL's GPX driver parses the whole file once
// for each of its layers and builds a feature per track, which makes a long track several times
// slower to add than the NMEA log of the same fixes. The scanner reads the files that GPS devices
// and apps write (UTF-8, waypoints, routes and tracks in the order GPX prescribes) and gives up on
// anything else, which GDAL then reads.

#include <cstdint>
#include <filesystem>

#include "overlay/LineReaders.h"

namespace torvane::detail {

//! What a scan of a GPX file did.
struct GpxScan {
  bool understood = false;  //!< false: the store is as it was, and GDAL should read the file
  int added = 0;            //!< layers added
  uint64_t seen = 0;        //!< points in the file's waypoints, routes and tracks
  bool stopped = false;     //!< the store became full or refused a layer
};

/**
 * @brief Reads the waypoints, routes and tracks of a GPX file as the GDAL reader does: the
 * waypoints (named marks and plain points), then one layer of all routes and one of all track
 * segments, in the GPS-track kind; each only when it holds a point on the terrain.
 *
 * Understood are well-formed UTF-8 files without a document type declaration whose root is
 * <gpx> and whose waypoints, routes and tracks come in that order (elements may carry a
 * namespace prefix). Anything else (another encoding, an undefined entity, a tag left open, a
 * file cut short, a token over 64 MiB) ends the scan with understood = false and the layers it
 * added removed again.
 */
GpxScan scanGpx(OverlayStore& store, const LineReadContext& context,
                const std::filesystem::path& path);

}  // namespace torvane::detail
