#include "teach/arc_line.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestrom {
namespace {

ArcLine Refused(std::string why) { return {std::nullopt, std::move(why)}; }

}  // namespace

std::string RapidLineBody(const std::string& axisWords) { return "G00 " + axisWords; }

ArcLine ArcThroughPoints(const gcode::Point& start, const Readouts& via, const Readouts& end,
                         const TickedAxes& ticked, const std::optional<std::string>& feed, const ArcModes& modes) {
  if (!ticked[0] || !ticked[1])
    return Refused("Yay için X ve Y işaretli olmalı (an arc needs the X and Y axes ticked).");
  gcode::Point v{}, e{};
  for (int a = 0; a < gcode::kAxes; ++a)
    if (!gcode::ReadNumber(via[a], v[a]) || !gcode::ReadNumber(end[a], e[a]))
      return Refused("Mach3'ün okuması sayı değil (a readout of Mach3 is no number).");
  // The arc lies in the XY plane: every other axis it carries stands still
  // (an axis not ticked is not written, so the arc keeps the program's).
  for (int a = 2; a < gcode::kAxes; ++a) {
    if (!ticked[a]) continue;
    const double low = std::min({start[a], v[a], e[a]}), high = std::max({start[a], v[a], e[a]});
    if (high - low > kArcPointsApart)
      return Refused(std::string(1, gcode::kAxisLetters[a]) +
                     " üç noktada aynı değil; yay XY düzleminde olmalı (" + gcode::kAxisLetters[a] +
                     " differs between the three points; an arc lies in the XY plane).");
  }
  // From the start: b the via point, c the end.
  const double bx = v[0] - start[0], by = v[1] - start[1], cx = e[0] - start[0], cy = e[1] - start[1];
  if (std::hypot(bx, by) < kArcPointsApart || std::hypot(cx, cy) < kArcPointsApart ||
      std::hypot(cx - bx, cy - by) < kArcPointsApart)
    return Refused("Yayın iki noktası çakışıyor (two of the arc's three points are the same).");
  const double cross = bx * cy - by * cx;
  const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
  const double ux = (cy * b2 - by * c2) / (2 * cross), uy = (bx * c2 - cx * b2) / (2 * cross);
  if (cross == 0 || !std::isfinite(ux) || !std::isfinite(uy) || std::hypot(ux, uy) > kArcLargestRadius)
    return Refused("Üç nokta bir doğru üzerinde ya da yarıçap 10 m'den büyük (the three points lie on one line, "
                   "or the radius is over 10 m).");

  // I and J rounded as the readouts are; of the centres next to the rounded one,
  // the one whose circle best meets the end and the via point, as an
  // interpreter reads the numbers back. More decimals only where needed.
  const gcode::NumberStyle readouts = gcode::StyleOf(end[0]);
  const int decimals = readouts.decimals;
  for (int places = decimals; places <= decimals + 4; ++places) {
    const double step = std::pow(10.0, -places);
    double best = std::numeric_limits<double>::infinity(), bestI = 0, bestJ = 0;
    for (int di = -1; di <= 1; ++di)
      for (int dj = -1; dj <= 1; ++dj) {
        const double i = (std::round(ux / step) + di) * step, j = (std::round(uy / step) + dj) * step;
        const double rStart = std::hypot(i, j), rEnd = std::hypot(cx - i, cy - j), rVia = std::hypot(bx - i, by - j);
        const double radii = std::fabs(rStart - rEnd);
        const double offVia = std::max(std::fabs(rVia - rStart), std::fabs(rVia - rEnd));
        if (radii > kArcRadiiAgree || offVia > kArcPassesVia) continue;
        const double score = radii / kArcRadiiAgree + offVia / kArcPassesVia;
        if (score < best) best = score, bestI = i, bestJ = j;
      }
    if (best == std::numeric_limits<double>::infinity()) continue;
    std::string body = cross < 0 ? "G02" : "G03";
    if (modes.otherPlane) body += " G17";
    body += " G91.1 ";
    for (int a = 0; a < gcode::kAxes; ++a) {
      if (!ticked[a]) continue;
      // Under G91 the end is an increment from the arc's start, in the readouts' style.
      const std::string word = modes.incremental ? gcode::WriteExact(e[a] - start[a], gcode::StyleOf(end[a])) : end[a];
      body += std::string(" ") + gcode::kAxisLetters[a] + word;
    }
    const gcode::NumberStyle written{places, true, readouts.separator};
    body += " I" + gcode::Write(bestI, written) + " J" + gcode::Write(bestJ, written);
    if (feed) body += " F" + *feed;
    return {body, ""};
  }
  return Refused("Yay bu okumalarla yazılamıyor (the arc cannot be written with these readouts).");
}

}  // namespace kestrom
