#include "tests/support/VectorFiles.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

namespace torvane::fixtures {

namespace {

std::string escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// One <wpt>, <rtept> or <trkpt> element.
void point(std::string& out, const char* tag, const GeoPoint& p, bool extras, int n) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "<%s lat=\"%.12f\" lon=\"%.12f\">", tag, p.lat, p.lon);
  out += buf;
  if (extras) {
    std::snprintf(buf, sizeof buf, "<ele>%.1f</ele><time>2024-05-01T%02d:%02d:%02dZ</time>",
                  10.0 + n % 100, n / 3600 % 24, n / 60 % 60, n % 60);
    out += buf;
  }
  if (!p.name.empty()) {
    out += "<name>" + escaped(p.name) + "</name>";
  }
  out += std::string("</") + tag + ">\n";
}

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
    }
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string gpxText(const GpxContent& gpx) {
  const bool v10 = gpx.version == "1.0";
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"" + gpx.version +
                    "\" creator=\"torvane tests\" xmlns=\"http://www.topografix.com/GPX/" +
                    (v10 ? "1/0" : "1/1") + "\">\n";
  int n = 0;
  for (const GeoPoint& p : gpx.waypoints) {
    point(out, "wpt", p, gpx.elevationAndTime, n++);
  }
  for (const GeoLine& route : gpx.routes) {
    out += "<rte><name>route</name>\n";
    for (const GeoPoint& p : route) {
      point(out, "rtept", p, gpx.elevationAndTime, n++);
    }
    out += "</rte>\n";
  }
  for (const std::vector<GeoLine>& track : gpx.tracks) {
    out += "<trk><name>track</name>\n";
    for (const GeoLine& segment : track) {
      out += "<trkseg>\n";
      for (const GeoPoint& p : segment) {
        point(out, "trkpt", p, gpx.elevationAndTime, n++);
      }
      out += "</trkseg>\n";
    }
    out += "</trk>\n";
  }
  return out + "</gpx>\n";
}

std::string ggaSentence(double lat, double lon, int decimals) {
  auto minutes = [&](double degrees, int width) {
    const int d = static_cast<int>(degrees);
    char text[48];
    std::snprintf(text, sizeof text, "%0*d%0*.*f", width, d, decimals + 3, decimals,
                  (degrees - d) * 60);
    return std::string(text);
  };
  return "$GPGGA,123519," + minutes(lat, 2) + ",N," + minutes(lon, 3) +
         ",E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
}

std::string geoJsonFeature(const std::string& geometry, const std::string& name) {
  const std::string properties = name.empty() ? "{}" : "{\"name\":" + jsonString(name) + "}";
  return "{\"type\":\"Feature\",\"properties\":" + properties + ",\"geometry\":" + geometry + "}";
}

std::string geoJsonCollection(const std::vector<std::string>& features, int epsg) {
  std::string out = "{\"type\":\"FeatureCollection\",";
  if (epsg != 0) {
    out += "\"crs\":{\"type\":\"name\",\"properties\":{\"name\":\"urn:ogc:def:crs:EPSG::" +
           std::to_string(epsg) + "\"}},";
  }
  out += "\"features\":[\n";
  for (size_t i = 0; i < features.size(); ++i) {
    out += features[i] + (i + 1 < features.size() ? ",\n" : "\n");
  }
  return out + "]}\n";
}

std::string geoJsonPositions(const GeoLine& points) {
  std::string out;
  char buf[96];
  for (const GeoPoint& p : points) {
    std::snprintf(buf, sizeof buf, "%s[%.17g,%.17g]", out.empty() ? "" : ",", p.lon, p.lat);
    out += buf;
  }
  return out;
}

bool writeOgrFile(const std::filesystem::path& path, const char* driverName,
                  const std::vector<OgrLayerContent>& layers) {
  GDALAllRegister();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName);
  if (driver == nullptr) {
    return false;
  }
  const GDALDatasetUniquePtr data(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  if (!data) {
    return false;
  }
  for (const OgrLayerContent& content : layers) {
    OGRSpatialReference srs;
    if (content.epsg != 0) {
      srs.importFromEPSG(content.epsg);
      srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    }
    OGRLayer* layer = data->CreateLayer(content.name.c_str(), content.epsg != 0 ? &srs : nullptr,
                                        wkbUnknown, nullptr);
    if (layer == nullptr) {
      return false;
    }
    OGRFieldDefn field("name", OFTString);
    if (layer->CreateField(&field) != OGRERR_NONE) {
      return false;
    }
    for (const auto& [wkt, name] : content.features) {
      OGRGeometry* geometry = nullptr;
      if (OGRGeometryFactory::createFromWkt(wkt.c_str(), nullptr, &geometry) != OGRERR_NONE) {
        return false;
      }
      OGRFeature feature(layer->GetLayerDefn());
      feature.SetGeometryDirectly(geometry);
      if (!name.empty()) {
        feature.SetField("name", name.c_str());
      }
      if (layer->CreateFeature(&feature) != OGRERR_NONE) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace torvane::fixtures
