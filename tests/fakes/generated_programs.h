// Programs of random moves in random modes, for properties over what the
// commands that change a program make of them: G90/G91, G20/G21, the three
// planes, G90.1/G91.1, R and I/J arcs, drilling cycles, places fixed on the
// machine; and, asked for, the machine's own modes: tool changes with G43 H,
// the spindle, coolant, work offsets set by G10 L2 and G52. Each number is
// written in the modes in force where it stands.
#pragma once
#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "gcode/arc_geometry.h"
#include "teach/teach_program.h"

namespace kestrom::testing {

// A program of random moves in random modes, each number written in the modes in force.
struct Generated {
  std::string text;
  bool fixedPlaces = false;
};
// `otherPlanes`: arcs in G18 and G19 as well as G17.
inline Generated Generate(unsigned seed, bool fixedPlaces, bool machineModes = false, bool otherPlanes = true) {
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto real = [&](double lo, double hi) { return lo + (hi - lo) * (rng() % 10000) / 10000.0; };
  Generated g;
  g.text = pick(2) ? std::string(kStartHeader) : std::string("%\r\nO0100\r\n");
  bool inches = pick(3) == 0, incremental = false, arcAbsolute = false;
  gcode::Point at{};
  char line[160];
  auto add = [&](const std::string& l) { g.text += (g.text.empty() || g.text.back() == '\n' ? "" : "\r\n") + l; };
  add(inches ? "G20" : "G21");
  const double u = inches ? 25.4 : 1;
  auto word = [&](char letter, int axis, double to) {
    std::snprintf(line, sizeof line, " %c%.4f", letter, (incremental ? to - at[axis] : to) / u);
    return std::string(line);
  };
  auto round = [&](double mm) { return std::round(mm / u * 10000) / 10000 * u; };
  // CAM programs start, and go on after a place fixed on the machine, with a rapid to a known point.
  auto rapidTo = [&] {
    const gcode::Point to{round(real(0, 20) * u), round(real(0, 20) * u), round(real(2, 6) * u), 0, 0, 0};
    add("G0" + word('X', 0, to[0]) + word('Y', 1, to[1]) + word('Z', 2, to[2]));
    at = to;
  };
  g.text = pick(2) ? std::string(kStartHeader) : std::string("%\r\nO0100\r\n");
  add(inches ? "G20 G90 G17" : "G21 G90 G17");
  rapidTo();
  // The work offsets' table (millimetres) and the one in force, G52's shift: where work zero is.
  std::array<gcode::Point, 6> offsets{};
  std::array<bool, 6> offsetSet{};
  int offset = 0;
  gcode::Point local{};
  int tool = 0;
  for (int n = 0; n < 14; ++n) {
    if (machineModes && pick(3) == 0) {  // the machine's own modes: tool, spindle, coolant, work zero
      switch (pick(5)) {
        case 0:
          tool = 1 + pick(9);
          std::snprintf(line, sizeof line, "T%d M6", tool);
          add(line);
          std::snprintf(line, sizeof line, "G43 H%d", tool);
          add(pick(2) ? line : "G49");
          break;
        case 1:
          std::snprintf(line, sizeof line, "S%d %s", 1000 + 500 * pick(20), pick(3) == 0 ? "M4" : pick(4) ? "M3" : "M5");
          add(line);
          break;
        case 2: add(pick(3) == 0 ? "M7" : pick(2) ? "M8" : "M9"); break;
        case 3: {  // another work offset, its zero set first; the machine stays where it is
          const int next = pick(6);
          if (!offsetSet[static_cast<size_t>(next)]) {
            gcode::Point o{round(real(-50, 50) * u), round(real(-50, 50) * u), round(real(-5, 5) * u), 0, 0, 0};
            if (next == offset) {  // the offset in force moves under the machine
              for (int a = 0; a < 3; ++a) at[a] -= o[a] - offsets[static_cast<size_t>(next)][a];
            }
            offsets[static_cast<size_t>(next)] = o;
            offsetSet[static_cast<size_t>(next)] = true;
            std::snprintf(line, sizeof line, "G10 L2 P%d X%.4f Y%.4f Z%.4f", next + 1, o[0] / u, o[1] / u, o[2] / u);
            add(line);
          }
          for (int a = 0; a < 3; ++a)
            at[a] += offsets[static_cast<size_t>(offset)][a] - offsets[static_cast<size_t>(next)][a];
          offset = next;
          add("G5" + std::to_string(4 + next));
          break;
        }
        default: {  // G52: a local shift of work zero
          const gcode::Point l{round(real(-10, 10) * u), round(real(-10, 10) * u), 0, 0, 0, 0};
          for (int a = 0; a < 3; ++a) at[a] += local[a] - l[a];
          local = l;
          std::snprintf(line, sizeof line, "G52 X%.4f Y%.4f", l[0] / u, l[1] / u);
          add(line);
          break;
        }
      }
      continue;
    }
    const int kind = pick(fixedPlaces ? 9 : 8);
    if (kind == 0) {
      incremental = !incremental;
      add(incremental ? "G91" : "G90");
    } else if (kind == 1) {
      arcAbsolute = !arcAbsolute;
      add(arcAbsolute ? "G90.1" : "G91.1");
    } else if (kind <= 4) {  // a straight move, some axes left out
      gcode::Point to = at;
      std::string w = pick(2) ? "G1" : "G0";
      for (int a = 0; a < 3; ++a)
        if (pick(3)) {
          to[a] = round(real(-10, 30));
          w += word("XYZ"[a], a, to[a]);
        }
      add(w + " F200");
      at = to;
    } else if (kind <= 6) {  // an arc in one of the planes, by its centre or by R
      const int planeIndex = otherPlanes ? pick(3) : (pick(3), 0);
      const gcode::Plane plane = planeIndex == 0 ? gcode::Plane::XY : planeIndex == 1 ? gcode::Plane::XZ : gcode::Plane::YZ;
      const auto [uu, vv] = gcode::PlaneAxes(plane);
      const double radius = round(real(2, 10) * u), angle = real(0, 6.28);
      gcode::Point centre = at;
      centre[uu] = round(at[uu] - radius * std::cos(angle));
      centre[vv] = round(at[vv] - radius * std::sin(angle));
      const double r = std::hypot(at[uu] - centre[uu], at[vv] - centre[vv]);
      const double end = angle + real(0.3, 2.8) * (pick(2) ? 1 : -1);
      gcode::Point to = at;
      to[uu] = round(centre[uu] + r * std::cos(end));
      to[vv] = round(centre[vv] + r * std::sin(end));
      const bool cw = pick(2);
      std::string w = std::string(planeIndex == 0 ? "G17" : planeIndex == 1 ? "G18" : "G19") + (cw ? " G2" : " G3");
      w += word(gcode::kAxisLetters[uu], uu, to[uu]) + word(gcode::kAxisLetters[vv], vv, to[vv]);
      if (pick(3) == 0) {  // R: the sweep under half a turn is the shorter way round
        const double cross = (at[uu] - centre[uu]) * (to[vv] - centre[vv]) - (at[vv] - centre[vv]) * (to[uu] - centre[uu]);
        const bool shortWay = (cross < 0) == cw;
        std::snprintf(line, sizeof line, " R%.4f", (shortWay ? r : -r) / u);
        w += line;
      } else {
        for (const int a : {uu, vv}) {
          std::snprintf(line, sizeof line, " %c%.4f", "IJK"[a], (arcAbsolute ? centre[a] : centre[a] - at[a]) / u);
          w += line;
        }
      }
      add(w + " F100");
      add("G17");
      at = to;
    } else if (kind == 7) {  // a hole, back to where it started
      const gcode::Point hole{round(real(0, 20) * u), round(real(0, 20) * u), at[2], 0, 0, 0};
      const double r = round(at[2] > 2 * u ? 1 * u : at[2] - 1 * u);
      std::snprintf(line, sizeof line, "G98 G81 X%.4f Y%.4f Z%.4f R%.4f F50", (incremental ? hole[0] - at[0] : hole[0]) / u,
                    (incremental ? hole[1] - at[1] : hole[1]) / u, (incremental ? -3 * u : r - 3 * u) / u,
                    (incremental ? r - at[2] : r) / u);
      add(line);
      add("G80");
      at[0] = hole[0];
      at[1] = hole[1];
      at[2] = std::max(at[2], r);
    } else {  // a place fixed on the machine
      g.fixedPlaces = true;
      const bool home = pick(2);
      add(home ? "G91 G28 Z0" : "G53 G0 Z0");
      incremental |= home;
      if (pick(2)) {
        incremental = pick(2);
        add(incremental ? "G91" : "G90");
      }
      at[2] = -offsets[static_cast<size_t>(offset)][2] - local[2];  // machine Z0, in work coordinates
      rapidTo();
    }
  }
  add("M5");
  add("M30");
  return g;
}


}  // namespace kestrom::testing
