#include "view/Transforms.h"

#include <cmath>

#include "scene/ViewState.h"

namespace torvane {

Mat4d Mat4d::identity() {
  Mat4d r;
  for (int i = 0; i < 4; ++i) {
    r.m[i][i] = 1;
  }
  return r;
}

Mat4d Mat4d::operator*(const Mat4d& rhs) const {
  Mat4d r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k) {
        s += m[i][k] * rhs.m[k][j];
      }
      r.m[i][j] = s;
    }
  }
  return r;
}

Mat4d translationMatrix(double x, double y, double z) {
  Mat4d r = Mat4d::identity();
  r.m[3][0] = x;
  r.m[3][1] = y;
  r.m[3][2] = z;
  return r;
}

Mat4d rotationXMatrix(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  Mat4d r = Mat4d::identity();
  r.m[1][1] = c;
  r.m[1][2] = s;
  r.m[2][1] = -s;
  r.m[2][2] = c;
  return r;
}

Mat4d rotationYMatrix(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  Mat4d r = Mat4d::identity();
  r.m[0][0] = c;
  r.m[0][2] = -s;
  r.m[2][0] = s;
  r.m[2][2] = c;
  return r;
}

Mat4d rotationZMatrix(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  Mat4d r = Mat4d::identity();
  r.m[0][0] = c;
  r.m[0][1] = s;
  r.m[1][0] = -s;
  r.m[1][1] = c;
  return r;
}

Mat4d yawPitchRollMatrix(double yaw, double pitch, double roll) {
  return rotationZMatrix(roll) * rotationXMatrix(pitch) * rotationYMatrix(yaw);
}

namespace {
Vec3d sub(const Vec3d& a, const Vec3d& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(const Vec3d& a, const Vec3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3d cross(const Vec3d& a, const Vec3d& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3d normalised(const Vec3d& v) {
  const double len = std::sqrt(dot(v, v));
  return len > 0 ? Vec3d{v.x / len, v.y / len, v.z / len} : v;
}
}  // namespace

Mat4d lookAtLH(const Vec3d& eye, const Vec3d& at, const Vec3d& up) {
  const Vec3d zAxis = normalised(sub(at, eye));
  const Vec3d xAxis = normalised(cross(up, zAxis));
  const Vec3d yAxis = cross(zAxis, xAxis);
  Mat4d r;
  r.m[0] = {xAxis.x, yAxis.x, zAxis.x, 0};
  r.m[1] = {xAxis.y, yAxis.y, zAxis.y, 0};
  r.m[2] = {xAxis.z, yAxis.z, zAxis.z, 0};
  r.m[3] = {-dot(xAxis, eye), -dot(yAxis, eye), -dot(zAxis, eye), 1};
  return r;
}

Mat4d perspectiveFovLH(double fovY, double aspect, double zNear, double zFar) {
  const double yScale = 1.0 / std::tan(fovY / 2);
  const double xScale = yScale / aspect;
  Mat4d r;
  r.m[0][0] = xScale;
  r.m[1][1] = yScale;
  r.m[2][2] = zFar / (zFar - zNear);
  r.m[2][3] = 1;
  r.m[3][2] = -zNear * zFar / (zFar - zNear);
  return r;
}

Vec3d transformPoint(const Mat4d& m, const Vec3d& p, double* w) {
  const double in[4] = {p.x, p.y, p.z, 1};
  double out[4] = {0, 0, 0, 0};
  for (int j = 0; j < 4; ++j) {
    for (int k = 0; k < 4; ++k) {
      out[j] += in[k] * m.m[k][j];
    }
  }
  if (w) {
    *w = out[3];
  }
  return {out[0], out[1], out[2]};
}

Vec3d projectPoint(const Mat4d& m, const Vec3d& p) {
  double w = 1;
  const Vec3d v = transformPoint(m, p, &w);
  return {v.x / w, v.y / w, v.z / w};
}

std::array<float, 16> toGlFloats(const Mat4d& m) {
  std::array<float, 16> out{};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      out[static_cast<size_t>(i * 4 + j)] = static_cast<float>(m.m[i][j]);
    }
  }
  return out;
}

std::array<float, 16> toGlClip(const Mat4d& m) {
  // Row vectors: clip' = clip * C with z' = 2z - w, x, y, w unchanged.
  Mat4d c = Mat4d::identity();
  c.m[2][2] = 2;
  c.m[3][2] = -1;
  return toGlFloats(m * c);
}

FrameTransforms computeFrameTransforms(const ViewState& view, int width, int height) {
  FrameTransforms t;
  t.world = translationMatrix(-view.MoveX, -view.MoveY, -view.MoveZ) *
            yawPitchRollMatrix(view.RotaY, view.RotaX, view.RotaZ);
  t.view = lookAtLH({0, 0, -kEyeDistance}, {0, 0, 0}, {0, 1, 0});
  const double aspect =
      height > 0 ? static_cast<double>(static_cast<float>(width) / static_cast<float>(height))
                 : 1.0;
  t.projection = perspectiveFovLH(view.RZoom, aspect, kNearPlane, kFarPlane);
  return t;
}

}  // namespace torvane
