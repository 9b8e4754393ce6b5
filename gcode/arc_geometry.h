// Points and arcs in the machine's space: millimetres for X, Y and Z, degrees
// for A, B and C.
#pragma once
#include <array>

namespace kestrom::gcode {

constexpr int kAxes = 6;  // X Y Z A B C
constexpr const char kAxisLetters[kAxes + 1] = "XYZABC";
using Point = std::array<double, kAxes>;
// The axis a word's letter names (upper case), 0 to 5; -1 for any other letter.
inline int AxisOf(char letter) {
  for (int a = 0; a < kAxes; ++a)
    if (kAxisLetters[a] == letter) return a;
  return -1;
}

enum class Plane : unsigned char { XY = 17, XZ = 18, YZ = 19 };

// The two axes of the arc plane, in the order that makes G02 clockwise:
// X Y for G17, Z X for G18, Y Z for G19.
std::array<int, 2> PlaneAxes(Plane plane);
// The axis along which a plane's helix rises: Z, Y, X.
int NormalAxis(Plane plane);

// An arc from `from` to `to` around `centre` in a plane: its swept angle
// (radians, negative for clockwise; a whole turn when start and end meet, and
// a whole turn more for each of `turns` past the first) and its start radius.
struct ArcShape {
  double sweep = 0;
  double radius = 0;
  double startAngle = 0;
};
ArcShape ShapeOf(const Point& from, const Point& to, const Point& centre, Plane plane, bool clockwise,
                 int turns = 1);

// The point at fraction `t` (0 to 1) along an arc, the other axes moving evenly.
Point PointOnArc(const Point& from, const Point& to, const Point& centre, Plane plane, const ArcShape& shape, double t);

// The length of an arc, with its helical rise over the other axes.
double ArcLength(const Point& from, const Point& to, const Point& centre, Plane plane, const ArcShape& shape);

// The distance in the plane from `p` to `centre`.
double PlaneRadius(const Point& p, const Point& centre, Plane plane);

}  // namespace kestrom::gcode
