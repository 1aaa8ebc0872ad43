#pragma once
// One layer of a vector file (a layer of a GeoPackage, the tracks of a GPX file, a GeoJSON
// FeatureCollection) turned into store layers, fed one geometry at a time in geographic degrees.
//
// A source layer may mix lines and points, but a store layer has one draw mode. So its lines go
// straight into one store layer as they come (line strips), while its points are placed at once
// and kept aside; when the source layer ends they become a layer of named marks (pins with their
// labels) and a layer of plain points, each only when it holds a point. Everything is placed on
// the terrain as GPS tracks are: a point off the data is skipped and breaks the line there.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "overlay/ReaderSupport.h"

namespace torvane::detail {

class SourceLayer {
public:
  /// `gpsTrack`: the lines are a GPS track or route (the NMEA kind and colour), else "other".
  SourceLayer(OverlayStore& store, const LineReadContext& context,
              const std::filesystem::path& path, bool gpsTrack);

  /// Starts a polyline (a track segment, a line string, a ring of a polygon).
  void beginLine() { endLine(); }
  /// The next point of the open polyline; a point off the terrain (or not finite) breaks it.
  void linePoint(double lon, double lat);
  /// Ends the open polyline; one of a single point is dropped.
  void endLine();
  /// A point feature with its name (empty for none): a named mark or a plain point.
  void point(double lon, double lat, std::string_view name);

  /// False once the store is full or refused a layer: nothing more can be added to it.
  bool accepting() const { return !mStopped; }
  /// Points given so far (lines and points).
  uint64_t seen() const { return mSeen; }

  /// Registers the store layers: the lines, then the named marks, then the plain points. Returns
  /// how many were added.
  int finish();

private:
  //! A point placed on the terrain, waiting for its layer.
  struct Staged {
    double X, Y, H;
    uint32_t labelOffset;  //!< into mLabels
    uint8_t labelLength;   //!< 0: a plain point
  };

  bool beginLines();
  int writePoints(bool named);

  OverlayStore& mStore;
  const LineReadContext& mContext;
  const std::filesystem::path& mPath;
  const bool mGpsTrack;
  LayerAppender mLines;
  bool mLinesBegun = false;
  bool mStopped = false;
  uint64_t mSeen = 0;
  // Points beyond what the store can still take are never kept.
  size_t mStageLimit;
  std::vector<Staged> mStaged;
  std::string mLabels;
  size_t mNamed = 0;
};

/// A feature name as a label: leading and trailing blanks removed, control characters (line
/// breaks, tabs) made spaces, cut to the label slot on a UTF-8 character boundary.
std::string labelFromName(std::string_view name);

}  // namespace torvane::detail
