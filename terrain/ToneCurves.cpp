#include "terrain/ToneCurves.h"

#include <algorithm>
#include <cmath>

namespace torvane {

ToneCurves::ToneCurves() {
  for (int c = 1; c <= kCount; ++c) {
    ToneCurve& curve = mCurves[static_cast<size_t>(c - 1)];
    const double exponent = 10.0 / c;
    for (int j = 0; j < 256; ++j) {
      curve[static_cast<size_t>(j)] =
          static_cast<int>(std::trunc(255 * std::pow(j / 255.0, exponent)));
    }
  }
}

const ToneCurve& ToneCurves::curve(int c) const {
  return mCurves[static_cast<size_t>(std::clamp(c, 1, kCount) - 1)];
}

}  // namespace torvane
