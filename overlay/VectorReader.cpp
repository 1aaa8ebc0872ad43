// GPX, KML/KMZ, GeoJSON, Shapefile and GeoPackage files through GDAL's vector API. Every layer
// of the file is read in turn and fed, geometry by geometry, to a SourceLayer, which places it
// on the terrain: lines (track segments, line strings, the rings of polygons) as line strips,
// points as named marks or plain points. Coordinates are converted to longitude and latitude
// first; a layer without a coordinate system is taken as WGS 84 longitude/latitude.

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include "elevation/GdalSession.h"
#include "elevation/Readers.h"
#include "overlay/GpxScanner.h"
#include "overlay/LineReaders.h"
#include "overlay/SourceLayer.h"

#if defined(__SANITIZE_ADDRESS__)
#define TORVANE_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TORVANE_LEAK_CHECKED 1
#endif
#endif
#ifdef TORVANE_LEAK_CHECKED
// In the sanitizer builds: libkml, behind GDAL's KML driver, keeps the archive objects of a KMZ
// it fails to open (kmlengine::KmzFile::OpenFromString). Those blocks are not ours to free, so
// the leak check leaves them out instead of failing every program that adds a broken KMZ.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libkmlbase.so\nleak:libkmlengine.so\n";
}
#endif

namespace torvane {

using detail::SourceLayer;

namespace {

// Nested collections deeper than this are not followed (a hostile file may nest thousands).
constexpr int kMaxNesting = 32;
// Progress is reported after this many features or points.
constexpr uint64_t kReportFeatures = 4096;
constexpr uint64_t kReportPoints = 65535;
// A reason names GDAL's message only as far as a short report needs.
constexpr size_t kMaxReason = 160;

//! The GDAL drivers that may open a file of each extension, so that a file is never read as
//! some other format that happens to recognise it.
struct VectorFormat {
  std::string_view extension;
  const char* const* drivers;
  std::string_view name;
};
constexpr const char* kGpx[] = {"GPX", nullptr};
constexpr const char* kKml[] = {"LIBKML", "KML", nullptr};
constexpr const char* kGeoJson[] = {"GeoJSON", nullptr};
constexpr const char* kShapefile[] = {"ESRI Shapefile", nullptr};
constexpr const char* kGeoPackage[] = {"GPKG", nullptr};
constexpr VectorFormat kVectorFormats[] = {
    {".gpx", kGpx, "GPX"},
    {".kml", kKml, "KML"},
    {".kmz", kKml, "KMZ"},
    {".geojson", kGeoJson, "GeoJSON"},
    {".json", kGeoJson, "GeoJSON"},
    {".shp", kShapefile, "Shapefile"},
    {".gpkg", kGeoPackage, "GeoPackage"},
};

const VectorFormat* formatOf(const std::filesystem::path& path) {
  for (const VectorFormat& f : kVectorFormats) {
    if (hasExtension(path, f.extension)) {
      return &f;
    }
  }
  return nullptr;
}

void say(const LineReadContext& context, std::string text) {
  if (context.reason != nullptr) {
    if (text.size() > kMaxReason) {
      text.resize(kMaxReason);
      text += "...";
    }
    *context.reason = std::move(text);
  }
}

//! Conversion of a layer's coordinates to longitude and latitude (JGD2011, which GSI's data
//! use; WGS 84 is taken as the same).
class ToGeographic {
public:
  /// False when the layer's coordinate system cannot be converted; `problem` then says why.
  bool init(const OGRSpatialReference* source, std::string& problem) {
    if (source == nullptr) {
      return true;  // no coordinate system: longitude/latitude, as GeoJSON defines
    }
    OGRSpatialReference target, wgs84, from(*source);
    target.importFromEPSG(6668);
    wgs84.importFromEPSG(4326);
    for (OGRSpatialReference* s : {&target, &wgs84, &from}) {
      s->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    }
    if (from.IsGeographic() && (from.IsSame(&target) || from.IsSame(&wgs84))) {
      return true;
    }
    mTransform.reset(OGRCreateCoordinateTransformation(&from, &target));
    if (!mTransform) {
      problem = "its coordinate system cannot be converted to longitude and latitude";
      return false;
    }
    return true;
  }

  /// Converts n points in place; a point that does not convert becomes NaN (off the terrain).
  void apply(int n, double* x, double* y) {
    if (!mTransform || n <= 0) {
      return;
    }
    mOk.resize(static_cast<size_t>(n));
    if (!mTransform->Transform(n, x, y, nullptr, mOk.data())) {
      std::fill(mOk.begin(), mOk.end(), 0);
    }
    for (size_t i = 0; i < mOk.size(); ++i) {
      if (!mOk[i]) {
        x[i] = y[i] = NAN;
      }
    }
  }

private:
  std::unique_ptr<OGRCoordinateTransformation> mTransform;
  std::vector<int> mOk;
};

//! Feeds the geometries of one OGR layer to a SourceLayer.
class GeometryFeeder {
public:
  GeometryFeeder(SourceLayer& sink, ToGeographic& toGeo) : mSink(sink), mToGeo(toGeo) {}

  void feed(const OGRGeometry* g, std::string_view name, int depth = 0) {
    if (g == nullptr || depth > kMaxNesting || g->IsEmpty()) {
      return;
    }
    const OGRwkbGeometryType type = wkbFlatten(g->getGeometryType());
    if (type == wkbPoint) {
      const OGRPoint* p = g->toPoint();
      double x = p->getX(), y = p->getY();
      mToGeo.apply(1, &x, &y);
      mSink.point(x, y, name);
    } else if (type == wkbLineString) {
      curve(g->toLineString());
    } else if (type == wkbPolygon || type == wkbTriangle) {
      for (const OGRLinearRing* ring : *g->toPolygon()) {
        curve(ring);
      }
    } else if (OGR_GT_IsSubClassOf(type, wkbGeometryCollection)) {
      for (const OGRGeometry* part : *g->toGeometryCollection()) {
        feed(part, name, depth + 1);
      }
    } else if (OGR_GT_IsSubClassOf(type, wkbPolyhedralSurface)) {
      for (const OGRPolygon* part : *g->toPolyhedralSurface()) {
        feed(part, name, depth + 1);
      }
    } else if (g->hasCurveGeometry()) {
      // Arcs and curved rings as the line strings that approximate them.
      const std::unique_ptr<OGRGeometry> linear(g->getLinearGeometry());
      if (linear && !linear->hasCurveGeometry()) {
        feed(linear.get(), name, depth + 1);
      }
    }
  }

private:
  void curve(const OGRSimpleCurve* c) {
    const int n = c->getNumPoints();
    mX.resize(static_cast<size_t>(std::max(n, 0)));
    mY.resize(mX.size());
    for (int i = 0; i < n; ++i) {
      mX[static_cast<size_t>(i)] = c->getX(i);
      mY[static_cast<size_t>(i)] = c->getY(i);
    }
    mToGeo.apply(n, mX.data(), mY.data());
    mSink.beginLine();
    for (size_t i = 0; i < mX.size() && mSink.accepting(); ++i) {
      mSink.linePoint(mX[i], mY[i]);
    }
    mSink.endLine();
  }

  SourceLayer& mSink;
  ToGeographic& mToGeo;
  std::vector<double> mX, mY;
};

// GDAL's message for a report beside the file's name: without the file's folder, and only its
// first sentence (the rest is advice on GDAL's own settings).
std::string shortened(std::string message, const std::filesystem::path& file) {
  const std::string folder = file.parent_path().string() + "/";
  for (size_t at = message.find(folder); at != std::string::npos; at = message.find(folder)) {
    message.erase(at, folder.size());
  }
  if (const size_t end = message.find(". "); end != std::string::npos) {
    message.resize(end + 1);
  }
  return message;
}

// The GPX driver lists every route and track point a second time as a layer of points of its
// own; those layers are left out.
bool isPointCopyOfGpx(const VectorFormat& format, std::string_view layer) {
  return format.name == "GPX" && (layer == "route_points" || layer == "track_points");
}

// Why a file added no layer, when it was read to its end or until the store was full.
void sayWhyNothing(const LineReadContext& context, const OverlayStore& store, bool stopped,
                   uint64_t seen) {
  if (stopped) {
    say(context, store.groupCount() >= kMaxLayers ? "the store holds 100 layers already"
                                                  : "the layer store is full");
  } else if (seen > 0) {
    say(context, "no point inside the elevation data");
  } else {
    say(context, "no lines or points in the file");
  }
}

bool isGpsTrack(const VectorFormat& format, std::string_view layer) {
  return format.name == "GPX" && (layer == "routes" || layer == "tracks");
}

}  // namespace

bool readVectorFile(OverlayStore& store, const LineReadContext& context,
                    const std::filesystem::path& path) {
  const VectorFormat* format = formatOf(path);
  if (format == nullptr || !store.allocated()) {
    return false;
  }
  if (store.groupCount() >= kMaxLayers) {
    say(context, "the store holds 100 layers already");
    return false;
  }
  // GDAL also reads URLs, archive paths ("/vsizip/...") and inline text in place of file names:
  // only a regular file, by its absolute path, is handed to it.
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  if (ec || !std::filesystem::is_regular_file(absolute, ec)) {
    say(context, "not found");
    return false;
  }
  const std::string name = absolute.string();
  if (name.rfind("/vsi", 0) == 0) {
    say(context, "not found");
    return false;
  }

  if (format->name == "GPX") {
    const detail::GpxScan scan = detail::scanGpx(store, context, absolute);
    if (scan.understood) {
      if (scan.added == 0) {
        sayWhyNothing(context, store, scan.stopped, scan.seen);
      }
      return scan.added > 0;
    }
  }

  GdalMessages messages;
  const GDALDatasetUniquePtr data(
      GDALDataset::Open(name.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR,
                        format->drivers, nullptr, nullptr));
  if (!data) {
    const std::string& why = messages.last();
    say(context, why.empty() || why.find("not recognized as") != std::string::npos
                     ? "not a " + std::string(format->name) + " file"
                     : shortened(why, absolute));
    return false;
  }

  const int before = store.groupCount();
  int added = 0;
  uint64_t seen = 0;
  std::string problem;
  bool stopped = false, broken = false;
  const int layers = data->GetLayerCount();
  for (int i = 0; i < layers && !stopped; ++i) {
    OGRLayer* layer = data->GetLayer(i);
    if (layer == nullptr || isPointCopyOfGpx(*format, layer->GetName())) {
      continue;
    }
    ToGeographic toGeo;
    if (!toGeo.init(layer->GetSpatialRef(), problem)) {
      continue;
    }
    const int nameField = layer->GetLayerDefn()->GetFieldIndex("name");
    // Counting is cheap for some drivers (GeoPackage, Shapefile); the others report by layer.
    const GIntBig total = layer->GetFeatureCount(FALSE);
    auto report = [&](uint64_t features) {
      if (context.progress) {
        const double within =
            total > 0 ? std::min(1.0, static_cast<double>(features) / static_cast<double>(total))
                      : 0.0;
        context.progress((i + within) / layers);
      }
    };
    report(0);

    SourceLayer sink(store, context, path, isGpsTrack(*format, layer->GetName()));
    GeometryFeeder feeder(sink, toGeo);
    layer->ResetReading();
    uint64_t features = 0, nextPoints = kReportPoints;
    // A layer that ends in an error instead of its last feature is a broken file (cut short,
    // not well-formed): the error says so, and nothing of the file is kept.
    auto next = [&] {
      CPLErrorReset();
      OGRFeatureUniquePtr f(layer->GetNextFeature());
      broken = broken || (!f && CPLGetLastErrorType() >= CE_Failure);
      return f;
    };
    for (OGRFeatureUniquePtr f = next(); f && sink.accepting(); f = next()) {
      const char* label = nameField >= 0 && f->IsFieldSetAndNotNull(nameField)
                              ? f->GetFieldAsString(nameField)
                              : "";
      feeder.feed(f->GetGeometryRef(), label);
      if (++features % kReportFeatures == 0 || sink.seen() >= nextPoints) {
        nextPoints = sink.seen() + kReportPoints;
        report(features);
      }
    }
    seen += sink.seen();
    added += sink.finish();
    stopped = !sink.accepting();
    if (broken) {
      while (store.groupCount() > before) {
        store.deleteGroup(store.groupCount() - 1);
      }
      say(context, messages.last().empty() ? "damaged file" : shortened(messages.last(), absolute));
      return false;
    }
  }

  if (added == 0) {
    if (!stopped && seen == 0 && !problem.empty()) {
      say(context, problem);
    } else if (!stopped && seen == 0 && !messages.last().empty()) {
      say(context, shortened(messages.last(), absolute));
    } else {
      sayWhyNothing(context, store, stopped, seen);
    }
  }
  return added > 0;
}

}  // namespace torvane
