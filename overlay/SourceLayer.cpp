#include "overlay/SourceLayer.h"

#include "overlay/LabelText.h"

namespace torvane::detail {

namespace {
constexpr int kMarkPointSize = 5;

bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isBlankOrControl(s.front())) {
    s.remove_prefix(1);
  }
  while (!s.empty() && isBlankOrControl(s.back())) {
    s.remove_suffix(1);
  }
  return s;
}
}  // namespace

std::string labelFromName(std::string_view name) {
  name = trimmed(name);
  // Only the start of a huge name matters; cut it before a UTF-8 lead byte so that the cut
  // keeps valid text valid.
  constexpr size_t kLook = 4 * kLabelSlot;
  if (name.size() > kLook) {
    size_t n = kLook;
    while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) {
      --n;
    }
    name = name.substr(0, n);
  }
  std::string clean(name);
  for (char& c : clean) {
    if (isBlankOrControl(c)) {
      c = ' ';
    }
  }
  return std::string(trimmed(truncateLabel(clean, kMaxLabelBytes)));
}

SourceLayer::SourceLayer(OverlayStore& store, const LineReadContext& context,
                         const std::filesystem::path& path, bool gpsTrack)
    : mStore(store),
      mContext(context),
      mPath(path),
      mGpsTrack(gpsTrack),
      mLines(store, context),
      mStageLimit(store.capacity() > store.pointTotal() ? store.capacity() - store.pointTotal()
                                                        : 0) {}

bool SourceLayer::beginLines() {
  if (!mLinesBegun) {
    mLinesBegun = mLines.begin(mGpsTrack ? kKindNmea : kKindOtherLines,
                               mGpsTrack ? kColourBlue : kColourWhite);
    mStopped = !mLinesBegun;
  }
  return mLinesBegun;
}

void SourceLayer::linePoint(double lon, double lat) {
  if (mStopped) {
    return;
  }
  ++mSeen;
  double X = 0, Y = 0, H = 0;
  if (!mLines.sampleGeo(lon, lat, X, Y, H)) {
    endLine();  // the line leaves the data; a single stranded point is dropped
    return;
  }
  GroupStore::Builder& b = mLines.builder();
  if (!beginLines() || b.full()) {
    mStopped = true;
    return;
  }
  mLines.append(X, Y, H, mGpsTrack ? kColourBlue : kColourWhite, true);
  if (b.open() == kMaxPolylinePoints) {
    b.close();
    if (b.full()) {
      mStopped = true;
      return;
    }
    // The next polyline starts where this one ended, so the drawn line has no gap.
    mLines.repeatLastPoint();
  }
}

void SourceLayer::endLine() {
  if (mLinesBegun) {
    mLines.builder().close(2);
  }
}

void SourceLayer::point(double lon, double lat, std::string_view name) {
  if (mStopped) {
    return;
  }
  ++mSeen;
  double X = 0, Y = 0, H = 0;
  if (!mLines.sampleGeo(lon, lat, X, Y, H) || mStaged.size() >= mStageLimit) {
    return;
  }
  const std::string label = labelFromName(name);
  mStaged.push_back(
      {X, Y, H, static_cast<uint32_t>(mLabels.size()), static_cast<uint8_t>(label.size())});
  mLabels += label;
  mNamed += label.empty() ? 0 : 1;
}

int SourceLayer::writePoints(bool named) {
  const size_t count = named ? mNamed : mStaged.size() - mNamed;
  if (count == 0 || mStopped) {
    return 0;
  }
  LayerAppender layer(mStore, mContext);
  GroupStore::Builder& b = layer.builder();
  // Marks stand on the terrain like the marks of BLN files; plain points are lifted like the
  // point features of GSI files.
  if (!layer.begin(named ? kKindMark : kKindOtherPoints, kColourWhite)) {
    mStopped = true;
    return 0;
  }
  for (const Staged& s : mStaged) {
    if ((s.labelLength != 0) != named) {
      continue;
    }
    if (b.full()) {
      mStopped = true;
      break;
    }
    layer.append(s.X, s.Y, s.H, kColourWhite, !named,
                 std::string_view(mLabels).substr(s.labelOffset, s.labelLength));
    if (b.open() == kMaxPolylinePoints) {
      b.close();
    }
  }
  b.close();
  return layer.finish(mPath, kMarkPointSize, named ? kDrawMarks : kDrawPoints) ? 1 : 0;
}

int SourceLayer::finish() {
  int added = 0;
  if (mLinesBegun) {
    endLine();
    added += mLines.finish(mPath, 0, kDrawLineStrip) ? 1 : 0;
  }
  added += writePoints(true);
  added += writePoints(false);
  return added;
}

}  // namespace torvane::detail
