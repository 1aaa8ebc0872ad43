// The GeoTIFF export: every shown file read again at full resolution, placed on one output grid
// of the finest spacing, and written by GDAL's COG driver through a temporary file.
//
// Output cell (c, r) has its centre at (west + c dx, north - r dy), where west and north are the
// outermost node positions of all files: a cell centre is a node, as the raster reader reads it
// back. Files are read in parallel, and each output cell records the file that wrote it, so a
// later file wins wherever files overlap whatever the order in which the threads finish.

#include "elevation/DemExport.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <unistd.h>
#include <vector>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include "elevation/AtomicFile.h"
#include "elevation/GdalRaster.h"
#include "elevation/GdalSession.h"
#include "elevation/Readers.h"

namespace torvane {

namespace {

constexpr uint8_t kNoOwner = 0xFF;  // kMaxFiles files fit below it
// Positions within this share of a cell of a node are that node: tiles computed from their own
// corners land a rounding error away from where the output grid puts them.
constexpr double kSnap = 1e-6;

//! A file's full-resolution node grid: node (0, 0) at (west, north), spacing dx east, dy south.
struct Source {
  std::filesystem::path path;
  uint8_t order = 0;  // the file's place in the open: a higher one wins
  uint32_t columns = 0, rows = 0;
  //! Its first node in the opened grid when the open kept every node (a file read at step 1),
  //! else nullopt: then it is read again.
  std::optional<uint64_t> openedNodes;
  std::vector<double> held;  //!< heights read while placing it, row by row (else empty)
  double west = 0, north = 0, dx = 0, dy = 0;

  double east() const { return west + dx * static_cast<double>(columns - 1); }
  double south() const { return north - dy * static_cast<double>(rows - 1); }
};

//! The output heights and, per cell, the file that wrote it.
struct Canvas {
  uint32_t width = 0, height = 0;
  double west = 0, north = 0, dx = 0, dy = 0;
  std::vector<float> heights;
  std::vector<uint8_t> owner;
  std::mutex mutex;  // guards heights and owner while files are pasted
};

//! Where a position falls between the nodes of one axis: node `index`, `t` of the way on.
struct Between {
  uint32_t index = 0;
  double t = 0;
};

// Position f (in nodes) on an axis of n nodes; false when outside the nodes.
bool locate(double f, uint32_t n, Between& at) {
  const double last = static_cast<double>(n - 1);
  if (!(f >= -kSnap && f <= last + kSnap)) {
    return false;
  }
  f = std::clamp(f, 0.0, last);
  double i = std::floor(f);
  double t = f - i;
  if (t < kSnap) {
    t = 0;
  } else if (t > 1 - kSnap) {
    i += 1;
    t = 0;
  }
  at.index = static_cast<uint32_t>(i);
  if (at.index >= n - 1) {
    at.index = n - 1;
    t = 0;
  }
  at.t = t;
  return true;
}

//! The output cells one source covers, and where they fall in it.
struct Footprint {
  std::vector<std::pair<uint32_t, Between>> columns;  // output column, source column
  uint32_t firstRow = 1, lastRow = 0;                 // output rows (none when first > last)

  bool rowAt(const Canvas& canvas, const Source& s, uint32_t r, Between& at) const {
    const double y = canvas.north - static_cast<double>(r) * canvas.dy;
    return locate((s.north - y) / s.dy, s.rows, at);
  }
};

Footprint footprintOf(const Canvas& canvas, const Source& s) {
  Footprint f;
  const double c0 = std::ceil((s.west - canvas.west) / canvas.dx - kSnap);
  const double c1 = std::floor((s.east() - canvas.west) / canvas.dx + kSnap);
  for (double c = std::max(c0, 0.0); c <= std::min(c1, canvas.width - 1.0); c += 1) {
    const double x = canvas.west + c * canvas.dx;
    Between at;
    if (locate((x - s.west) / s.dx, s.columns, at)) {
      f.columns.emplace_back(static_cast<uint32_t>(c), at);
    }
  }
  const double r0 = std::ceil((canvas.north - s.north) / canvas.dy - kSnap);
  const double r1 = std::floor((canvas.north - s.south()) / canvas.dy + kSnap);
  if (!f.columns.empty() && r1 >= 0 && r0 <= canvas.height - 1.0 && r0 <= r1) {
    f.firstRow = static_cast<uint32_t>(std::max(r0, 0.0));
    f.lastRow = static_cast<uint32_t>(std::min(r1, canvas.height - 1.0));
  }
  return f;
}

// Output row r from source rows `upper` (node row at.index) and `lower` (the next one, read only
// when at.t > 0). The caller holds the canvas mutex.
void pasteRow(Canvas& canvas, const Footprint& f, uint32_t r, const Between& at,
              const double* upper, const double* lower, uint8_t order) {
  float* out = canvas.heights.data() + static_cast<size_t>(r) * canvas.width;
  uint8_t* owner = canvas.owner.data() + static_cast<size_t>(r) * canvas.width;
  for (const auto& column : f.columns) {
    const uint32_t c = column.first;
    const Between& x = column.second;  // a plain reference: lambdas may not capture bindings
    if (owner[c] != kNoOwner && owner[c] > order) {
      continue;
    }
    auto along = [&](const double* row) {
      return x.t == 0 ? row[x.index] : row[x.index] * (1 - x.t) + row[x.index + 1] * x.t;
    };
    const double v = at.t == 0 ? along(upper) : along(upper) * (1 - at.t) + along(lower) * at.t;
    out[c] = static_cast<float>(v);
    owner[c] = order;
  }
}

// A GDAL raster, row by row: never more than two of its rows in memory.
bool pasteRaster(Canvas& canvas, Source& s, bool geographic, int zone, std::string& reason,
                 const std::function<void(double)>& rowProgress) {
  GdalMessages messages;
  GdalRaster raster;
  if (!raster.open(s.path, reason)) {
    return false;
  }
  const RasterGrid& g = raster.grid();
  const bool placed = geographic ? g.placement == RasterPlacement::Geographic
                                 : g.placement == RasterPlacement::Plane && g.zone == zone;
  if (!placed || g.columns != s.columns || g.rows != s.rows) {
    reason = "the file changed since it was opened";
    return false;
  }
  s.west = g.x0;
  s.north = g.y0;
  s.dx = g.dx;
  s.dy = g.dy;
  const Footprint f = footprintOf(canvas, s);
  std::vector<double> rows[2] = {std::vector<double>(s.columns), std::vector<double>(s.columns)};
  int64_t held[2] = {-1, -1};
  // Row i, read into the slot that does not hold row `keep`.
  auto fetch = [&](uint32_t i, int64_t keep) -> const double* {
    for (int k = 0; k < 2; ++k) {
      if (held[k] == i) {
        return rows[k].data();
      }
    }
    const int k = held[0] == keep ? 1 : 0;
    held[k] = -1;
    if (!raster.readRow(i, rows[k].data())) {
      return nullptr;
    }
    held[k] = i;
    return rows[k].data();
  };
  for (uint32_t r = f.firstRow; r <= f.lastRow; ++r) {
    Between at;
    if (!f.rowAt(canvas, s, r, at)) {
      continue;
    }
    const double* upper = fetch(at.index, -1);
    const double* lower = upper != nullptr && at.t > 0 ? fetch(at.index + 1, at.index) : upper;
    if (upper == nullptr || lower == nullptr) {
      reason = "data cannot be read";
      return false;
    }
    {
      std::lock_guard lock(canvas.mutex);
      pasteRow(canvas, f, r, at, upper, lower, s.order);
    }
    if ((r - f.firstRow) % 64 == 0) {
      rowProgress(static_cast<double>(r - f.firstRow + 1) / (f.lastRow - f.firstRow + 1));
    }
  }
  return true;
}

// A file whose full-resolution heights lie row by row at `heights`.
void pasteNodes(Canvas& canvas, const Source& s, const double* heights) {
  const Footprint f = footprintOf(canvas, s);
  std::lock_guard lock(canvas.mutex);
  for (uint32_t r = f.firstRow; r <= f.lastRow; ++r) {
    Between at;
    if (!f.rowAt(canvas, s, r, at)) {
      continue;
    }
    const double* upper = heights + uint64_t{at.index} * s.columns;
    pasteRow(canvas, f, r, at, upper, at.t > 0 ? upper + s.columns : upper, s.order);
  }
}

// Any other file: read whole by its reader at full resolution into `scratch`, its place set
// from its nodes; `use` then receives its heights, row by row. The scratch grid's node arrays
// are kept for the next file: fresh pages for every tile cost more than parsing some of them.
bool readWhole(Source& s, const ElevationGrid& opened, ElevationGrid& scratch, std::string& reason,
               const std::function<void(const double* heights)>& use) {
  ElevationGrid& grid = scratch;
  grid.files.clear();
  grid.fileCount = 0;
  grid.GeoCoordinates = opened.GeoCoordinates;
  grid.planeZone = opened.planeZone;
  const ElevationReader* reader = readerForPath(s.path, !opened.GeoCoordinates);
  if (reader == nullptr || !reader->list(grid, s.path) || grid.fileCount != 1) {
    reason = "no valid elevation data";
    return false;
  }
  GridFile& file = grid.files[0];
  if (file.columns != s.columns || file.rows != s.rows) {
    reason = "the file changed since it was opened";
    return false;
  }
  const uint64_t n = uint64_t{file.columns} * file.rows;
  if (n > kMaxDemExportFileNodes) {
    reason = "too large to read at full resolution";
    return false;
  }
  file.sampledColumns = file.columns;
  file.sampledRows = file.rows;
  if (grid.capacity < n) {
    grid.capacity = 0;
    for (NodeArray* a : {&grid.X, &grid.Y, &grid.H, &grid.lon, &grid.lat}) {
      *a = allocateNodeArray(static_cast<size_t>(n));
      if (!*a) {
        reason = "out of memory";
        return false;
      }
    }
    grid.capacity = static_cast<uint32_t>(n);
  }
  NodeSink sink(grid, 0, n);
  if (!reader->read(sink, s.path, 1, {}) || sink.written() != n) {
    reason = "the data cannot be read";
    return false;
  }
  const NodeArray& xs = opened.GeoCoordinates ? grid.lon : grid.X;
  const NodeArray& ys = opened.GeoCoordinates ? grid.lat : grid.Y;
  s.west = xs[0];
  s.north = ys[0];
  s.dx = (xs[n - 1] - xs[0]) / (s.columns - 1);
  s.dy = (ys[0] - ys[n - 1]) / (s.rows - 1);
  use(grid.H.get());
  return true;
}

//! Turns GDAL's progress of the write into reports of the whole export.
struct WriteProgress {
  const OpenProgressFn* progress;
  OpenProgress report;
};

int CPL_STDCALL onWriteProgress(double complete, const char*, void* data) {
  auto* w = static_cast<WriteProgress*>(data);
  if (*w->progress) {
    w->report.fraction = 0.5 + 0.5 * std::clamp(complete, 0.0, 1.0);
    (*w->progress)(w->report);
  }
  return TRUE;
}

// The canvas as a COG at `path` (which exists and is replaced).
bool writeCog(Canvas& canvas, int epsg, const std::filesystem::path& path,
              const OpenProgressFn& progress, std::string& reason) {
  GdalMessages messages;
  GDALDriverH memDriver = GDALGetDriverByName("MEM");
  GDALDriverH cogDriver = GDALGetDriverByName("COG");
  if (memDriver == nullptr || cogDriver == nullptr) {
    reason = "GDAL lacks its MEM or COG driver";
    return false;
  }
  GDALDatasetH source = GDALCreate(memDriver, "", static_cast<int>(canvas.width),
                                   static_cast<int>(canvas.height), 0, GDT_Float32, nullptr);
  if (source == nullptr) {
    reason = "out of memory";
    return false;
  }
  // The MEM band reads the canvas in place.
  char pointer[64] = {};
  pointer[CPLPrintPointer(pointer, canvas.heights.data(), sizeof pointer - 1)] = '\0';
  const std::string lineOffset = "LINEOFFSET=" + std::to_string(uint64_t{canvas.width} * 4);
  const std::string dataPointer = std::string("DATAPOINTER=") + pointer;
  const char* bandOptions[] = {dataPointer.c_str(), "PIXELOFFSET=4", lineOffset.c_str(), nullptr};
  double gt[6] = {canvas.west - canvas.dx / 2,  canvas.dx, 0,
                  canvas.north + canvas.dy / 2, 0,         -canvas.dy};
  OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
  bool ok = GDALAddBand(source, GDT_Float32, const_cast<char**>(bandOptions)) == CE_None &&
            OSRImportFromEPSG(srs, epsg) == OGRERR_NONE &&
            GDALSetSpatialRef(source, srs) == CE_None &&
            GDALSetGeoTransform(source, gt) == CE_None &&
            GDALSetRasterNoDataValue(GDALGetRasterBand(source, 1), kDemExportNoData) == CE_None;
  OSRDestroySpatialReference(srs);
  if (ok) {
    const char* options[] = {"COMPRESS=DEFLATE",
                             "PREDICTOR=YES",
                             "NUM_THREADS=ALL_CPUS",
                             "BIGTIFF=IF_SAFER",
                             "OVERVIEW_RESAMPLING=AVERAGE",
                             nullptr};
    WriteProgress w{&progress, OpenProgress{5, 0, 1, 0.5, path}};
    CPLErrorReset();
    GDALDatasetH written = GDALCreateCopy(cogDriver, path.c_str(), source, FALSE,
                                          const_cast<char**>(options), &onWriteProgress, &w);
    if (written != nullptr) {
      GDALClose(written);  // flushes the last blocks; a failure shows as GDAL's last error
    }
    ok = written != nullptr && CPLGetLastErrorType() != CE_Failure;
    if (!ok) {
      reason = messages.last().empty() ? "GDAL could not write the GeoTIFF" : messages.last();
    }
  } else {
    reason = "GDAL could not set up the output";
  }
  GDALClose(source);
  return ok;
}

// Where file k of the grid lies (see exportDem); false with the reason when it cannot be placed.
bool placeSource(const ElevationGrid& grid, int k, Source& s, std::string& reason) {
  const GridFile& f = grid.files[static_cast<size_t>(k)];
  if (grid.count > 0 && f.sampledColumns == f.columns && f.sampledRows == f.rows) {
    const uint64_t first = grid.fileBase(k);
    const uint64_t last = first + grid.fileNodeCount(k) - 1;
    const double* xs = grid.GeoCoordinates ? grid.lon.get() : grid.X.get();
    const double* ys = grid.GeoCoordinates ? grid.lat.get() : grid.Y.get();
    s.west = xs[first];
    s.north = ys[first];
    s.dx = (xs[last] - xs[first]) / (f.columns - 1);
    s.dy = (ys[first] - ys[last]) / (f.rows - 1);
    s.openedNodes = first;
  } else if (isGdalRasterPath(s.path)) {
    GdalMessages messages;
    GdalRaster raster;
    if (!raster.open(s.path, reason)) {
      return false;
    }
    s.west = raster.grid().x0;
    s.north = raster.grid().y0;
    s.dx = raster.grid().dx;
    s.dy = raster.grid().dy;
  } else if (grid.GeoCoordinates) {
    // A geographic header's corners are its outer nodes.
    ElevationGrid one;
    const ElevationReader* reader = readerForPath(s.path);
    if (reader == nullptr || !reader->list(one, s.path) || one.fileCount != 1) {
      reason = "no valid elevation data";
      return false;
    }
    s.west = one.lonMin;
    s.north = one.latMax;
    s.dx = (one.lonMax - one.lonMin) / (f.columns - 1);
    s.dy = (one.latMax - one.latMin) / (f.rows - 1);
  } else {
    ElevationGrid scratch;
    const bool read = readWhole(s, grid, scratch, reason, [&](const double* heights) {
      s.held.assign(heights, heights + uint64_t{s.columns} * s.rows);
    });
    if (!read) {
      return false;
    }
  }
  if (!(s.dx > 0) || !(s.dy > 0)) {
    reason = "no grid spacing";
    return false;
  }
  return true;
}

// The GDAL write of the canvas through the program's one writer: GDAL writes the writer's
// temporary file by name, which replaces `output` once synced. What GDAL leaves beside a failed
// temporary file goes with it.
bool writeCanvas(Canvas& canvas, int epsg, const std::filesystem::path& output,
                 const WriteGuard& guard, const OpenProgressFn& progress, WriteError& error) {
  AtomicFile file(output, guard);
  if (!file.ok()) {
    error = file.error();
    return false;
  }
  const std::filesystem::path temp = file.temporaryPath();
  const GdalThreadOption noSideFiles("GDAL_PAM_ENABLED", "NO");
  std::string reason;
  if (!writeCog(canvas, epsg, temp, progress, reason)) {
    file.fail(reason);
  }
  if (!file.commit()) {
    error = file.error();
    for (const char* side : {".ovr.tmp", ".aux.xml", ".msk"}) {
      ::unlink((temp.string() + side).c_str());
    }
    return false;
  }
  return true;
}

}  // namespace

bool exportDem(const ElevationGrid& grid, const std::filesystem::path& output, DemExport& result,
               WriteError* error, const OpenProgressFn& progress, unsigned threads) {
  result = {};
  WriteError refused;
  auto fail = [&](const std::string& reason) {
    if (error != nullptr) {
      *error = {WriteError::Kind::Content, 0, output, reason};
    }
    return false;
  };
  if (grid.fileCount == 0) {
    return fail("no elevation data is open");
  }
  if (!grid.GeoCoordinates && (grid.planeZone < 1 || grid.planeZone > 19)) {
    return fail("the plane zone of the data is unknown");
  }
  // The target is checked before the work: never over one of the files it is made from.
  std::vector<std::filesystem::path> inputs;
  for (const GridFile& f : grid.files) {
    inputs.push_back(f.path);
  }
  const WriteGuard guard{inputs};
  if (!checkWriteTarget(output, guard, &refused)) {
    if (error != nullptr) {
      *error = refused;
    }
    return false;
  }
  // Each shown file's node grid, from what costs least: the opened nodes when the open kept
  // them all, else the file's header, else (LEM data, whose header gives no corners here) the
  // file read whole, whose heights are then kept for the paste.
  std::vector<Source> sources;
  for (int k = 0; k < grid.fileCount; ++k) {
    const GridFile& f = grid.files[static_cast<size_t>(k)];
    if (!f.shown) {
      continue;
    }
    Source s;
    s.path = f.path;
    s.order = static_cast<uint8_t>(k);
    s.columns = f.columns;
    s.rows = f.rows;
    std::string reason;
    if (!placeSource(grid, k, s, reason)) {
      return fail(f.path.string() + ": " + reason);
    }
    sources.push_back(std::move(s));
  }
  if (sources.empty()) {
    return fail("no elevation file is shown");
  }
  Canvas canvas;
  canvas.west = sources[0].west;
  canvas.north = sources[0].north;
  double east = sources[0].east(), south = sources[0].south();
  canvas.dx = sources[0].dx;
  canvas.dy = sources[0].dy;
  for (const Source& s : sources) {
    canvas.west = std::min(canvas.west, s.west);
    canvas.north = std::max(canvas.north, s.north);
    east = std::max(east, s.east());
    south = std::min(south, s.south());
    canvas.dx = std::min(canvas.dx, s.dx);
    canvas.dy = std::min(canvas.dy, s.dy);
  }
  const double width = std::round((east - canvas.west) / canvas.dx) + 1;
  const double height = std::round((canvas.north - south) / canvas.dy) + 1;
  if (!(width * height <= static_cast<double>(kMaxDemExportCells)) || width > INT32_MAX ||
      height > INT32_MAX) {
    return fail("the output would be too large (more than 400 million cells)");
  }
  canvas.width = static_cast<uint32_t>(width);
  canvas.height = static_cast<uint32_t>(height);
  const size_t cells = size_t{canvas.width} * canvas.height;
  try {
    canvas.heights.assign(cells, static_cast<float>(kDemExportNoData));
    canvas.owner.assign(cells, kNoOwner);
  } catch (const std::bad_alloc&) {
    return fail("out of memory");
  }

  // Reading: files are handed to the threads in order; progress as in the open's second pass.
  const int n = static_cast<int>(sources.size());
  std::mutex progressMutex;
  OpenProgress latest{4, 0, n, 0.0, {}};
  std::vector<double> shares(static_cast<size_t>(n), 0.0);
  auto report = [&](int k, double share) {
    if (!progress) {
      return;
    }
    std::lock_guard lock(progressMutex);
    shares[static_cast<size_t>(k)] = share;
    double sum = 0;
    for (double v : shares) {
      sum += v;
    }
    latest.fileIndex = k;
    latest.file = sources[static_cast<size_t>(k)].path;
    latest.fraction = 0.5 * sum / n;
    progress(latest);
  };
  std::atomic<int> nextFile{0};
  std::atomic<bool> failed{false};
  std::mutex failureMutex;
  std::string failure;
  auto worker = [&] {
    ElevationGrid scratch;
    for (int k = nextFile++; k < n && !failed; k = nextFile++) {
      Source& s = sources[static_cast<size_t>(k)];
      report(k, 0.0);
      std::string reason;
      bool ok = true;
      if (s.openedNodes) {
        pasteNodes(canvas, s, grid.H.get() + *s.openedNodes);  // nothing to read again
      } else if (!s.held.empty()) {
        pasteNodes(canvas, s, s.held.data());
      } else if (isGdalRasterPath(s.path)) {
        ok = pasteRaster(canvas, s, grid.GeoCoordinates, grid.planeZone, reason,
                         [&](double share) { report(k, share); });
      } else {
        ok = readWhole(s, grid, scratch, reason,
                       [&](const double* heights) { pasteNodes(canvas, s, heights); });
      }
      if (!ok) {
        std::lock_guard lock(failureMutex);
        if (!failed.exchange(true)) {
          failure = s.path.string() + ": " + reason;
        }
        return;
      }
      report(k, 1.0);
    }
  };
  runOnThreads(threads, static_cast<unsigned>(n), worker, [&] {
    if (progress) {
      std::lock_guard progressLock(progressMutex);
      progress(latest);
    }
  });
  if (failed) {
    return fail(failure);
  }
  canvas.owner = {};  // only the heights go on

  const int epsg = grid.GeoCoordinates ? epsgOfPlacement(RasterPlacement::Geographic, 0)
                                       : epsgOfPlacement(RasterPlacement::Plane, grid.planeZone);
  if (!writeCanvas(canvas, epsg, output, guard, progress, refused)) {
    if (error != nullptr) {
      *error = refused;
    }
    return false;
  }
  result.width = canvas.width;
  result.height = canvas.height;
  result.epsg = epsg;
  result.noData = kDemExportNoData;
  return true;
}

}  // namespace torvane
