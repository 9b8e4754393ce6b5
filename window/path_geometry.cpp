#include "window/path_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestrom {

const ProjectionSpec& SpecOf(Projection projection) {
  for (const ProjectionSpec& spec : kProjections)
    if (spec.projection == projection) return spec;
  return kProjections[0];
}

Vec2 Project(const PathPoint& point, Projection projection) { return Project(point, SpecOf(projection)); }

void Bounds::Add(Vec2 p) {
  if (empty) {
    minU = maxU = p.u;
    minV = maxV = p.v;
    empty = false;
    return;
  }
  minU = std::min(minU, p.u);
  maxU = std::max(maxU, p.u);
  minV = std::min(minV, p.v);
  maxV = std::max(maxV, p.v);
}

PixelRect Union(const PixelRect& a, const PixelRect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

ViewFit FitView(const Bounds& bounds, const PixelRect& area, int margin) {
  Bounds b = bounds;
  if (b.empty) b = {false, -5, -5, 5, 5};
  const double spanU = std::max(b.maxU - b.minU, kMinSpanMm), spanV = std::max(b.maxV - b.minV, kMinSpanMm);
  const double roomU = std::max(1, area.width() - 2 * margin), roomV = std::max(1, area.height() - 2 * margin);
  ViewFit fit;
  fit.scale = std::min(roomU / spanU, roomV / spanV);
  const double centreU = (b.minU + b.maxU) / 2, centreV = (b.minV + b.maxV) / 2;
  fit.left = (area.left + area.right) / 2.0 - centreU * fit.scale;
  fit.top = (area.top + area.bottom) / 2.0 + centreV * fit.scale;
  return fit;
}

double GridSpacing(double scale, double minPixels) {
  double power = std::pow(10.0, std::floor(std::log10(minPixels / scale)));
  for (;;) {
    for (const double step : {1.0, 2.0, 5.0})
      if (step * power * scale >= minPixels) return step * power;
    power *= 10;
  }
}

std::string SpacingText(double spacing) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g mm", spacing);
  return text;
}

// Sleeve fitting: from the last kept point, the directions of a stroke that
// passes within the tolerance of every point since narrow to a cone; a point
// whose own direction lies outside it, or that steps back along the stroke,
// ends the stroke at the point before it. The cone's edges are kept as unit
// vectors, so a point costs two square roots and no trigonometry.
namespace {
struct Direction {
  double x = 0, y = 0;
};
double Cross(Direction a, Direction b) { return a.x * b.y - a.y * b.x; }
}  // namespace

void ReducePolyline(const std::vector<PixelF>& points, double tolerance, std::vector<PixelF>& kept) {
  kept.clear();
  if (points.empty()) return;
  kept.push_back(points.front());
  size_t anchor = 0, last = 0;
  bool narrowed = false;
  Direction low, high;  // the cone from `low` turning towards `high`, less than half a turn
  double reach = 0;
  const double tolerance2 = tolerance * tolerance;
  for (size_t i = 1; i < points.size(); ++i) {
    const double dx = points[i].x - points[anchor].x, dy = points[i].y - points[anchor].y;
    const double distance2 = dx * dx + dy * dy;
    const double distance = std::sqrt(distance2);
    bool fits = distance >= reach - tolerance;  // a point that steps back along the stroke ends it
    // Near the anchor any direction passes close enough, but once the stroke has
    // a direction, a point that is to end it must lie in that direction too.
    if (fits && (narrowed || distance2 > tolerance2) && distance > 0) {
      const Direction along{dx / distance, dy / distance};
      // The point's own cone: every direction that passes within the tolerance of it.
      const double sine = distance > tolerance ? tolerance / distance : 1.0;
      const double cosine = std::sqrt(std::max(0.0, 1.0 - sine * sine));
      const Direction pointLow{along.x * cosine + along.y * sine, along.y * cosine - along.x * sine};
      const Direction pointHigh{along.x * cosine - along.y * sine, along.y * cosine + along.x * sine};
      if (!narrowed) {
        low = pointLow;
        high = pointHigh;
        narrowed = true;
      } else {
        fits = Cross(low, along) >= 0 && Cross(along, high) >= 0;
        if (fits) {
          if (Cross(low, pointLow) > 0) low = pointLow;
          if (Cross(pointHigh, high) > 0) high = pointHigh;
        }
      }
    }
    if (!fits) {
      // The stroke ends at the last point that fitted, and the next one starts
      // there; this point is measured again from it (and always fits a fresh stroke).
      kept.push_back(points[last]);
      anchor = last;
      narrowed = false;
      reach = 0;
      --i;
      continue;
    }
    reach = std::max(reach, distance);
    last = i;
  }
  if (last != anchor) kept.push_back(points[last]);
}

}  // namespace kestrom
