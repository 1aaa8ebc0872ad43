#pragma once
// Auto-rotation: while the view turns by itself, the azimuth advances by Pitch x 0.1 degree at
// most once per 50 ms of the millisecond tick count, and a frame is drawn only after a step.

#include <cstdint>

namespace torvane {

struct ViewState;

inline constexpr uint32_t kRotationIntervalMs = 50;

//! The animation clock: tick counts (milliseconds, wrapping at 2^32) of the last step and paint.
struct RotationClock {
  uint32_t lastStep = 0;
  uint32_t lastPaint = 0;

  void reset(uint32_t now) { lastStep = lastPaint = now; }
};

/**
 * @brief One chance to advance the auto-rotation at tick `now`.
 *
 * Does nothing and returns false when the view is not rotating or when less than 50 ms
 * (unsigned tick difference) have passed since the last step. Otherwise records the step time,
 * moves RotaZ by Pitch x 1 degree / 10 (clockwise subtracts, counter-clockwise adds; the result
 * is wrapped into 0..2 pi) and returns true: the caller draws one frame.
 */
bool advanceAutoRotation(ViewState& view, RotationClock& clock, uint32_t now);

}  // namespace torvane
