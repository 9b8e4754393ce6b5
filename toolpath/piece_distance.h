// Exact least distances between pieces of paths in the plane: lines, arcs,
// and spirals (an arc whose end was rounded off its circle), a spiral taken
// as the band between its two radii, which holds it, so that a distance to
// it is never more than the true one. What the offset chooses by, and what
// its proof measures with.
#pragma once
#include <cstddef>
#include <vector>

#include "toolpath/plane.h"

namespace kestrom {

double DistanceToPiece(XY p, const Segment& s);
// 0 where the two meet.
double DistanceBetween(const Segment& a, const Segment& b);
// The point of `s` nearest `p` (of a spiral: on the spiral, along the ray from its centre).
XY NearestOn(const Segment& s, XY p);

// A path's pieces by the cells of a grid their boxes (grown by a reach)
// cover: a distance within the reach asks only the pieces near.
class NearPieces {
 public:
  NearPieces(const std::vector<Segment>& pieces, double reach);
  // The least distance from `p`, or from any point of `s`, to the pieces:
  // exact where less than the reach, else the reach or more.
  double Distance(XY p) const;
  // Exact where less than `limit`; else `limit`.
  double Distance(const Segment& s, double limit = 1e300) const;
  // The piece nearest `p` within the reach, or -1.
  long Nearest(XY p) const;
  // The pieces that may lie within the reach of `p` (and some farther).
  const std::vector<size_t>& Around(XY p) const;
  const std::vector<Segment>& pieces() const { return pieces_; }

 private:
  struct Box {
    double x0, y0, x1, y1;
  };
  static Box BoxOf(const Segment& s, double grow);
  int Cell(double v, double from, int count) const;
  template <class Visit>
  void ForEachNear(const Box& box, Visit&& visit) const;

  const std::vector<Segment>& pieces_;
  double reach_;
  XY origin_;
  double cell_ = 1;
  int nx_ = 1, ny_ = 1;
  std::vector<std::vector<size_t>> cells_;
  std::vector<Box> boxes_;
  std::vector<size_t> none_;
  mutable std::vector<unsigned> seen_;  // which pieces a query has asked already
  mutable unsigned stamp_ = 0;
};

}  // namespace kestrom
