// Points, lines and arcs in the XY plane, millimetres: what the tool's offset
// and its proof are made of.
#pragma once
#include <cmath>
#include <utility>
#include <vector>

namespace kestrom {

struct XY {
  double x = 0, y = 0;
};
inline XY operator+(XY a, XY b) { return {a.x + b.x, a.y + b.y}; }
inline XY operator-(XY a, XY b) { return {a.x - b.x, a.y - b.y}; }
inline XY operator*(XY a, double k) { return {a.x * k, a.y * k}; }
inline double Dot(XY a, XY b) { return a.x * b.x + a.y * b.y; }
inline double Cross(XY a, XY b) { return a.x * b.y - a.y * b.x; }
inline double Norm(XY a) { return std::sqrt(a.x * a.x + a.y * a.y); }  // not hypot: far slower, and no number here comes near its overflow
inline XY Unit(double angle) { return {std::cos(angle), std::sin(angle)}; }
inline XY LeftOf(XY d) { return {-d.y, d.x}; }
inline constexpr double kPi = 3.14159265358979323846;

// A line from `a` to `b`, or an arc around `centre` from the angle `start`
// (radians) sweeping `sweep` (counter-clockwise when positive), its radius
// going evenly from `radius` to `endRadius`: an arc whose end was rounded off
// its circle is cut so, and is held by the band between its two radii.
struct Segment {
  bool arc = false;
  XY a, b;
  XY centre;
  double radius = 0, start = 0, sweep = 0, endRadius = 0;
  static Segment Line(XY from, XY to);
  static Segment Arc(XY centre, double radius, double start, double sweep);
  static Segment Spiral(XY centre, double radius, double endRadius, double start, double sweep);
  XY At(double t) const;  // t from 0 (start) to 1 (end)
  double Length() const;
  bool Spiralled() const { return arc && std::fabs(endRadius - radius) > 1e-12; }
  double Inner() const { return std::fmin(radius, endRadius); }  // the band's radii
  double Outer() const { return std::fmax(radius, endRadius); }
};

// The direction of travel at t.
XY Tangent(const Segment& s, double t);
// Where the angle `angle` lies along an arc's sweep, as t from 0 to 1;
// negative when the sweep does not reach it. A whole turn reaches every angle.
double SweepParam(const Segment& s, double angle);
// Where `p` (on the segment's line or circle) lies along it; near the start
// of an arc, the nearer of the two readings.
double ParamOf(const Segment& s, XY p);
// The piece of `s` from t0 to t1.
Segment Piece(const Segment& s, double t0, double t1);
// The points where two segments cross, as their parameters (t on `s`, u on
// `o`); a spiral is taken on its start circle.
std::vector<std::pair<double, double>> Crossings(const Segment& s, const Segment& o);
// Positive when a closed path runs counter-clockwise.
double SignedArea(const std::vector<Segment>& path);

}  // namespace kestrom
