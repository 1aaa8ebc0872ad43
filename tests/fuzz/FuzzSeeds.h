#pragma once
// The seed corpus of the reader fuzz targets: small well-formed files of each format from the
// test generators, and a few broken ones (cut short, absurd sizes). The window soak drops the
// same files on the window.

#include <filesystem>

namespace torvane::fuzz {

/// Writes the seeds into OUTDIR/demxml, /tvd, /bil, /lem, /project, /zip, /raster and one folder
/// per line/point format (/gsi, /nmea, /bln, /xyn, /blhrgb, /gpx, /geojson); returns how many it
/// wrote. The BIL and LEM seeds are two-part inputs (see splitInput in FuzzHarness.h); the others
/// are whole files.
int writeFuzzSeeds(const std::filesystem::path& out);

}  // namespace torvane::fuzz
