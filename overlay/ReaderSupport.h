#pragma once
// What the line/point readers share: scanning fields the way the C library's sscanf does, and
// one layer being appended to the store with its progress reports.

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "elevation/TextLineReader.h"
#include "overlay/LineReaders.h"

namespace torvane::detail {

inline bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

/**
 * @brief Reads fields from a line as sscanf reads them with "%lf", "%d", "%c", "%s" and literal
 * characters: numbers and tokens skip leading white space, "%c" does not, a white-space literal
 * matches any run of white space (also none), any other literal must match exactly.
 */
class FieldScanner {
public:
  explicit FieldScanner(std::string_view text) : mText(text) {}

  bool number(double& value);
  bool integer(int64_t& value);
  bool character(char& c);
  bool token(std::string_view& value);
  bool literal(char c);

private:
  void skipSpace();
  std::string_view mText;
  size_t mPos = 0;
};

/// Number of occurrences of c in line; 0 for lines shorter than 2 characters.
size_t countChar(std::string_view line, char c);

/// True when the coordinates are finite and small enough to convert to single precision after
/// any projection (a corrupt record can hold 1e308 or nan).
inline bool usable(double v) { return std::isfinite(v) && std::fabs(v) < 1e7; }

/**
 * @brief One layer being read into the store: the store's append protocol, the height sampling
 * and the progress reports of one file.
 */
class LayerAppender {
public:
  LayerAppender(OverlayStore& store, const LineReadContext& context)
      : mStore(store), mContext(context), mBuilder(store) {}

  /// Begins the layer (kind and colour in the new slot); false when the store refuses.
  bool begin(int32_t kind, uint32_t colour) { return mBuilder.begin(kind, colour); }
  GroupStore::Builder& builder() { return mBuilder; }
  OverlayStore& store() { return mStore; }
  const LineReadContext& context() const { return mContext; }

  bool sampleGeo(double lon, double lat, double& X, double& Y, double& H) const {
    return usable(lon) && usable(lat) &&
           mContext.sampler.heightAtGeo(mContext.grid, mContext.mesh, lon, lat, X, Y, H);
  }
  bool sampleGrid(double X, double Y, double& H) const {
    return mContext.sampler.heightAtGrid(mContext.grid, mContext.mesh, X, Y, H);
  }

  /// Appends a point at X, Y, H with its colour and label; `lift` raises it 0.0001 units.
  void append(double X, double Y, double H, uint32_t colour, bool lift,
              std::string_view label = {}) {
    mStore.setLabel(mBuilder.nextIndex(), label);
    mBuilder.append(makeOverlayVertex(mContext.mesh.fit(), mContext.Scale, X, Y, H, colour, lift),
                    H);
  }
  /// Starts the open polyline with a copy of the last closed point (label, height, vertex).
  void repeatLastPoint() {
    const uint32_t last = mStore.pointTotal() - 1;
    mStore.copyLabel(mBuilder.nextIndex(), last);
    mBuilder.append(mStore.vertices()[last], mStore.heights()[last]);
  }

  /// Reports progress when another few megabytes of the file were read.
  void pumpSometimes(const TextLineReader& reader) {
    if (reader.bytesConsumed() >= mNextReport) {
      pump(reader);
    }
  }
  /// Reports progress now.
  void pump(const TextLineReader& reader);

  /// Registers the layer with its name, point size and draw mode if a polyline was closed.
  bool finish(const std::filesystem::path& path, int pointSize, uint32_t drawMode) {
    mStore.setNewLayer(path, pointSize, drawMode);
    return mBuilder.finish();
  }

private:
  OverlayStore& mStore;
  const LineReadContext& mContext;
  GroupStore::Builder mBuilder;
  uint64_t mNextReport = 0;
};

}  // namespace torvane::detail
