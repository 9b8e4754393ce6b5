// The offsets of paths of lines and arcs in the XY plane: the path the centre
// of a round tool follows to cut along a path at its radius. Which points
// the tool's centre may take is region arithmetic (offset_region.h): the
// boundary of that region is the true offset, whatever the path does (a
// readout that steps back, a corner overshot and taken back, an arc whose
// end was rounded off its circle, a neck narrower than the tool). Each piece
// of that boundary is then written as what it exactly is: a line beside a
// line of the path, an arc beside an arc, or an arc of the radius around a
// corner, so that the cut keeps the path's lines and arcs.
#pragma once
#include <string>
#include <vector>

#include "toolpath/plane.h"

namespace kestrom {

struct OffsetPath {
  std::vector<Segment> segments;  // joined end to start
  bool closed = false;
};

// Open paths: left or right of the direction of travel. Closed: inside or
// outside the region they bound (Left and Right there mean the side of
// travel, taken as inside or outside by the path's turning).
enum class OffsetSide { Left, Right, Inside, Outside };

struct Offsets {
  // The cuts: each boundary of the region (on the asked side, for an open
  // path: with the quarter of each round end on that side), in the path's
  // direction of travel; the one nearest the path's start first, from where
  // the path's start stands beside it.
  std::vector<OffsetPath> paths;
  // Points of the region's boundary on the asked side, each within `within`
  // of the true offset: what the cuts must pass through.
  std::vector<XY> truth;
  double within = 0;
  std::string failure;  // why there is no offset, in English; empty when there is one (or none fits)
};
Offsets OffsetOf(const OffsetPath& path, double radius, OffsetSide side);
inline std::vector<OffsetPath> Offset(const OffsetPath& path, double radius, OffsetSide side) {
  return OffsetOf(path, radius, side).paths;
}

// The distance from `p` to the path.
double DistanceTo(const std::vector<Segment>& path, XY p);

}  // namespace kestrom
