// Contours as a person teaches them, for the tool's offset to be tried on:
// readouts that step forward and back, corners overshot and taken back, fins
// beside arcs, arcs whose numbers were rounded off their circles, necks
// narrower than the tool, a contour cut at two depths, open paths that come
// back near their start, and recordings of thousands of four-place points in
// millimetres and inches; each written in G90 or G91, either way round, with
// the side asked.
#pragma once
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace kestrom::testing {

struct TaughtContour {
  std::string kind;
  std::string program;
  double diameter = 6;  // program units
  bool closed = true;
  bool inside = false;  // closed: inside, else outside
  bool right = false;   // open: right of the travel, else left
  bool inches = false;
};

namespace taught {

constexpr double kPi = 3.14159265358979323846;
struct P {
  double x, y;
};

inline std::string Num(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", std::fabs(v) < 5e-5 ? 0.0 : v);
  return text;
}

// A path of points (and arcs: a point with a centre) written as a program.
struct Step {
  P to;
  bool arc = false, ccw = false;
  P centre{0, 0};
};

class Writer {
 public:
  Writer(bool inches, bool relative) : inches_(inches), relative_(relative) {
    text_ = inches ? "G20 G90 G17\r\n" : "G21 G90 G17\r\n";
  }
  void Start(P at, double z, double safe) {
    line("G0 Z" + Num(safe));
    line("G0 X" + Num(at.x) + " Y" + Num(at.y));
    line("G1 Z" + Num(z) + " F" + (inches_ ? "4" : "100"));
    at_ = at;
    if (relative_) line("G91");
  }
  void Step(const taught::Step& s, bool feed) {
    const double x = s.to.x - (relative_ ? at_.x : 0), y = s.to.y - (relative_ ? at_.y : 0);
    std::string l = s.arc ? (s.ccw ? "G3" : "G2") : "G1";
    l += " X" + Num(x) + " Y" + Num(y);
    if (s.arc) l += " I" + Num(s.centre.x - at_.x) + " J" + Num(s.centre.y - at_.y);
    if (feed) l += inches_ ? " F12" : " F300";
    line(l);
    // Where the machine is, as the program's rounded numbers put it.
    at_ = relative_ ? P{at_.x + std::stod(Num(x)), at_.y + std::stod(Num(y))} : P{std::stod(Num(x)), std::stod(Num(y))};
  }
  void AbsoluteDown(double z) {
    if (relative_) line("G90");
    line("G1 Z" + Num(z));
    if (relative_) line("G91");
  }
  std::string Finish(double safe) {
    if (relative_) line("G90");
    line("G0 Z" + Num(safe));
    line("M30");
    return text_;
  }

 private:
  void line(const std::string& l) { text_ += l + "\r\n"; }
  bool inches_, relative_;
  std::string text_;
  P at_{0, 0};
};

inline std::vector<Step> Lines(const std::vector<P>& points) {
  std::vector<Step> steps;
  for (const P& p : points) steps.push_back({p});
  return steps;
}

}  // namespace taught

// `count` contours of every kind in turn, from `seed`.
inline std::vector<TaughtContour> TaughtContours(int count, unsigned seed) {
  using namespace taught;
  std::mt19937 random(seed);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  std::vector<TaughtContour> out;
  for (int n = 0; n < count; ++n) {
    const int kind = n % 8;
    const bool inches = kind == 7 ? n % 16 == 15 : uniform(0, 1) < 0.15;
    const double u = inches ? 1 / 25.4 : 1;  // millimetres to program units
    const bool relative = uniform(0, 1) < 0.35, reverse = uniform(0, 1) < 0.5;
    TaughtContour c;
    c.inches = inches;
    c.diameter = (kind == 6 ? 12.7 : uniform(0, 1) < 0.5 ? 6 : 10) * u;
    c.inside = uniform(0, 1) < 0.5;
    c.right = uniform(0, 1) < 0.5;
    std::vector<Step> path;
    P start{0, 0};
    const double w = uniform(25, 60) * u, h = uniform(22, 40) * u;
    switch (kind) {
      case 0:
      case 1: {  // a rectangle with a readout that steps forward and back, or a corner overshot and taken back
        c.kind = kind == 0 ? "flicker" : "overshoot";
        std::vector<P> corners = {{0, 0}, {w, 0}, {w, h}, {0, h}};
        std::vector<P> points;
        const double step = (uniform(0, 1) < 0.5 ? 0.001 : 0.01) * u;
        for (int k = 1; k <= 4; ++k) {
          const P a = corners[k - 1], b = corners[k % 4];
          const P d{(b.x - a.x) / std::hypot(b.x - a.x, b.y - a.y), (b.y - a.y) / std::hypot(b.x - a.x, b.y - a.y)};
          if (kind == 0 && random() % 2) {
            const double t = uniform(0.2, 0.8);
            const P mid{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
            points.push_back(mid);
            points.push_back({mid.x + d.x * step, mid.y + d.y * step});
            points.push_back(mid);
          }
          if (kind == 1 && random() % 2) {
            points.push_back({b.x + d.x * step * 10, b.y + d.y * step * 10});
          }
          points.push_back(b);
        }
        path = Lines(points);
        break;
      }
      case 2: {  // a fin: a line and an arc back over it, a tip between them
        c.kind = "fin";
        const double len = uniform(30, 50) * u, tip = uniform(20, 45) * kPi / 180;
        const P end{-uniform(5, 12) * u, uniform(4, 9) * u};
        // The arc from (len, 0) to `end` around a centre below, its I and J rounded.
        const double mx = (len + end.x) / 2, my = end.y / 2, dx = end.x - len, dy = end.y;
        const double chord = std::hypot(dx, dy), R = chord / (2 * std::sin(tip));
        const double off = std::sqrt(std::max(0.0, R * R - chord * chord / 4));
        const P centre{mx - dy / chord * off, my + dx / chord * off};  // on the left of the chord: a short arc bulging up
        path = {{{len, 0}}, {end, true, true, centre}, {{0, 0}}};
        c.diameter = uniform(2, 6) * u;
        break;
      }
      case 3: {  // a rounded rectangle, its corners' numbers rounded
        c.kind = "rounded arcs";
        const double r = uniform(2, 8) * u;
        path = {{{w - r, 0}}, {{w, r}, true, true, {w - r, r}}, {{w, h - r}}, {{w - r, h}, true, true, {w - r, h - r}},
                {{r, h}}, {{0, h - r}, true, true, {r, h - r}}, {{0, r}}, {{r, 0}, true, true, {r, r}}};
        start = {r, 0};
        break;
      }
      case 4: case 5: {  // a dumbbell with a neck, at one depth or two
        c.kind = kind == 4 ? "neck" : "two depths";
        const double neck = uniform(3, 8) * u, half = w / 2;
        path = Lines({{half - 5 * u, 0}, {half - 5 * u, h / 2 - neck / 2}, {half + 5 * u, h / 2 - neck / 2},
                      {half + 5 * u, 0}, {w + 10 * u, 0}, {w + 10 * u, h}, {half + 5 * u, h},
                      {half + 5 * u, h / 2 + neck / 2}, {half - 5 * u, h / 2 + neck / 2}, {half - 5 * u, h}, {0, h},
                      {0, 0}});
        break;
      }
      case 6: {  // an open path that comes back near its start
        c.kind = "open returning";
        c.closed = false;
        const double gap = uniform(0.5, 8) * u;
        path = Lines({{w, 0}, {w, h}, {0, h}, {0, gap}});
        break;
      }
      default: {  // a recording: thousands of points of four places round an ellipse
        c.kind = inches ? "recorded inch" : "recorded mm";
        const int points = 2000 + static_cast<int>(random() % 2000);
        const double a = uniform(30, 50) * u, b = uniform(20, 30) * u;
        std::vector<P> ring;
        for (int k = 1; k <= points; ++k) {
          const double t = 2 * kPi * k / points;
          ring.push_back({a * std::cos(t) - a, b * std::sin(t)});
        }
        ring.back() = {0, 0};
        path = Lines(ring);
        c.diameter = 6 * u;
        break;
      }
    }
    if (reverse) {  // the other way round
      std::vector<Step> back;
      std::vector<P> ends{start};
      for (const Step& s : path) ends.push_back(s.to);
      for (size_t k = path.size(); k-- > 0;) {
        Step s = path[k];
        s.to = ends[k];
        s.ccw = !s.ccw;
        back.push_back(s);
      }
      start = ends.back();
      path = back;
    }
    const double z = -1 * u, safe = 5 * u;
    Writer writer(inches, relative);
    writer.Start(start, z, safe);
    for (size_t k = 0; k < path.size(); ++k) writer.Step(path[k], k == 0);
    if (c.kind == "two depths") {
      writer.AbsoluteDown(2 * z);
      for (const Step& s : path) writer.Step(s, false);
    }
    c.program = writer.Finish(safe);
    out.push_back(std::move(c));
  }
  return out;
}

}  // namespace kestrom::testing
