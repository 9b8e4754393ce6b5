// The path view's geometry: projection, one scale for both axes, the grid, and
// the reduction of a long path to what the window's pixels can show.
#pragma once
#include <string>
#include <vector>

#include "teach/program_path.h"

namespace kestrom {

enum class Projection { XY, XZ, YZ };

struct ProjectionSpec {
  Projection projection;
  const char* caption;
  int across, up;  // axis numbers (0 X, 1 Y, 2 Z) drawn to the right and upwards
};
inline constexpr ProjectionSpec kProjections[] = {
    {Projection::XY, "XY", 0, 1}, {Projection::XZ, "XZ", 0, 2}, {Projection::YZ, "YZ", 1, 2}};
const ProjectionSpec& SpecOf(Projection projection);

struct Vec2 {
  double u = 0, v = 0;  // millimetres along the projection's axes
};
Vec2 Project(const PathPoint& point, Projection projection);
// The same with the projection looked up once, for loops over many points.
inline Vec2 Project(const PathPoint& point, const ProjectionSpec& spec) {
  const double axes[3] = {point.x, point.y, point.z};
  return {axes[spec.across], axes[spec.up]};
}

struct Bounds {
  bool empty = true;
  double minU = 0, minV = 0, maxU = 0, maxV = 0;
  void Add(Vec2 p);
  bool Contains(Vec2 p) const { return !empty && p.u >= minU && p.u <= maxU && p.v >= minV && p.v <= maxV; }
};

struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom outside, as Windows has it
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
};
PixelRect Union(const PixelRect& a, const PixelRect& b);

struct PixelF {
  double x = 0, y = 0;
};

// Millimetres to pixels: one scale for both axes, upwards on the screen is up.
struct ViewFit {
  double scale = 1;  // pixels per millimetre
  double left = 0, top = 0;  // the pixel of (0, 0)
  PixelF ToPixel(Vec2 p) const { return {left + p.u * scale, top - p.v * scale}; }
};

// A span shorter than this is shown as this much, so that a single point or a
// straight line along one axis does not fill the window with a speck.
inline constexpr double kMinSpanMm = 1.0;
// Around the path inside the drawing area, in pixels at 96 dpi.
inline constexpr int kMarginAt96 = 16;
// The path's bounds centred in `area`, with `margin` pixels left free on each side
// along the tighter axis; an empty path shows 10 mm around the origin.
ViewFit FitView(const Bounds& bounds, const PixelRect& area, int margin);

// The grid's spacing: the least 1, 2 or 5 times a power of ten millimetres that
// puts at least `minPixels` between two lines.
double GridSpacing(double scale, double minPixels);
std::string SpacingText(double spacing);  // "10 mm", "0.5 mm", "0.002 mm"

// The points of a polyline without those that lie within `tolerance` pixels of
// the straight stroke through their kept neighbours: one pass, constant work per
// point. The first and last point are always kept, and so is every point where
// the line turns back on itself.
void ReducePolyline(const std::vector<PixelF>& points, double tolerance, std::vector<PixelF>& kept);

}  // namespace kestrom
