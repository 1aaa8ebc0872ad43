#pragma once
// The frame's matrices, computed in double precision with the conventions the viewer's camera
// was designed in: left-handed coordinates, row vectors (v' = v * M), clip-space depth 0..1.
// Drawing and picking both use these very matrices, so what is drawn and what is picked agree.
// toGlClip() converts a finished matrix once, for upload to OpenGL.

#include <array>

namespace torvane {

struct Vec3d {
  double x = 0, y = 0, z = 0;
};

//! A 4 x 4 matrix, row-major, applied to row vectors: m[row][column].
struct Mat4d {
  std::array<std::array<double, 4>, 4> m{};

  static Mat4d identity();
  Mat4d operator*(const Mat4d& rhs) const;
  bool operator==(const Mat4d&) const = default;
};

/// Translation by (x, y, z): the last row holds the offset.
Mat4d translationMatrix(double x, double y, double z);
/// Rotation about the x axis (pitch), y axis (yaw) and z axis (roll), angles in radians,
/// positive angles turning clockwise when looking along the axis towards the origin.
Mat4d rotationXMatrix(double angle);
Mat4d rotationYMatrix(double angle);
Mat4d rotationZMatrix(double angle);
/// Roll about z first, then pitch about x, then yaw about y: Rz(roll) * Rx(pitch) * Ry(yaw).
Mat4d yawPitchRollMatrix(double yaw, double pitch, double roll);
/// Left-handed look-at view matrix (the eye looks along +z of view space).
Mat4d lookAtLH(const Vec3d& eye, const Vec3d& at, const Vec3d& up);
/// Left-handed perspective projection with vertical field of view fovY (radians), aspect
/// width / height and depth 0 at zNear, 1 at zFar.
Mat4d perspectiveFovLH(double fovY, double aspect, double zNear, double zFar);

/// The point p (w = 1) transformed by m, before the division by w: returns x, y, z and sets *w.
Vec3d transformPoint(const Mat4d& m, const Vec3d& p, double* w = nullptr);
/// The point p transformed by m and divided by w (normalised device coordinates for a
/// world-view-projection matrix).
Vec3d projectPoint(const Mat4d& m, const Vec3d& p);

/// The matrix for OpenGL: clip depth 0..1 remapped to -1..1 (z' = 2z - w), as 16 floats in
/// OpenGL's column-major order for column vectors (which is the row-major order of m).
std::array<float, 16> toGlClip(const Mat4d& m);
/// The matrix as 16 floats in the same order without any remapping (e.g. a model-view matrix).
std::array<float, 16> toGlFloats(const Mat4d& m);

//! The camera distance from the model origin; shared by drawing and picking.
inline constexpr double kEyeDistance = 3.0;
inline constexpr double kNearPlane = 1.0;
inline constexpr double kFarPlane = 100.0;

//! The three transforms of one frame.
struct FrameTransforms {
  Mat4d world;
  Mat4d view;
  Mat4d projection;

  Mat4d worldView() const { return world * view; }
  Mat4d worldViewProjection() const { return world * view * projection; }
};

struct ViewState;

/**
 * @brief The transforms of a frame of width x height client pixels drawn from `view`.
 *
 * world = translation(-MoveX, -MoveY, -MoveZ) * yawPitchRoll(RotaY, RotaX, RotaZ); view looks
 * from (0, 0, -3) at the origin with y up; projection has field of view RZoom, aspect
 * width / height (1 when height is 0), near 1 and far 100.
 */
FrameTransforms computeFrameTransforms(const ViewState& view, int width, int height);

}  // namespace torvane
