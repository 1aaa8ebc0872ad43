#pragma once
// Tone curves: 30 maps of a colour byte to the stored byte, entry j of curve c being
// trunc(255 (j / 255)^(10 / c)). Curve 10 is the identity, the one land colouring uses.

#include <array>

namespace torvane {

using ToneCurve = std::array<int, 256>;

class ToneCurves {
public:
  static constexpr int kCount = 30;
  static constexpr int kIdentity = 10;

  ToneCurves();
  /// Curve c, 1..30 (values outside are clamped to that range).
  const ToneCurve& curve(int c) const;
  const ToneCurve& identity() const { return curve(kIdentity); }

private:
  std::array<ToneCurve, kCount> mCurves;
};

}  // namespace torvane
