// Where a round tool's centre may go beside a contour, by Clipper's region
// arithmetic (the polygon clipping and offsetting library that slicers and
// CAM systems use): outside a closed contour, the contour's region grown by
// the radius; inside it, the region less every point within the radius of the
// contour's path; beside an open path, the path grown by the radius with
// round ends. The region's boundary is the true offset: what the tool's
// centre follows, nothing of it nearer the contour than the radius.
#pragma once
#include <string>
#include <vector>

#include "toolpath/plane.h"

namespace kestrom {

// How far the region's boundary may stand from the true offset (millimetres):
// arcs are taken as chords this close to them.
inline constexpr double kRegionTolerance = 1e-4;

// The contour as the machine moves it, as a polyline within kRegionTolerance
// (a spiral along its spiral); nothing when a number lies beyond the range
// the region arithmetic takes.
std::vector<XY> Flattened(const std::vector<Segment>& path);

struct Region {
  // Each boundary of the region the tool's centre may take, a closed polygon
  // in millimetres: outer boundaries counter-clockwise, holes clockwise.
  std::vector<std::vector<XY>> rings;
  std::string failure;  // numbers beyond the range, said in English
};
// `path` is the contour as the machine moves it (its region, when closed);
// the tool keeps the radius from every piece of `keep` (the path's pieces in
// a chain joined end to start, then pieces beside it). `inside` only matters
// for a closed path.
Region OffsetRegion(const std::vector<Segment>& path, const std::vector<std::vector<Segment>>& keep, bool closed,
                    bool inside, double radius);

// Whether `p` lies in the region a closed polyline bounds (non-zero winding).
bool Encloses(const std::vector<XY>& polygon, XY p);

}  // namespace kestrom
