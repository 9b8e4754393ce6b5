// Cutting a taught part out of the stock: every contour (a run of feed moves,
// lines and arcs, at one Z) cut again and again, a step deeper each time, the
// last pass exactly at the final depth, with tabs that hold the part on the
// deepest passes. Everything else in the program stays once, where it was.
#pragma once
#include <optional>
#include <string>

#include "toolpath/program_copies.h"

namespace kestrom {

// Every number in the program's units.
struct DepthPassRequest {
  double surfaceZ = 0, finalZ = -3, step = 1;
  double plungeFeed = 100;  // as the program's feed words are
  double safeZ = 5;          // at least the highest Z the program reaches
  int tabs = 0;              // 0: none
  double tabWidth = 0;       // along the contour
  double tabHeight = 0;      // above the final depth
};

// Each contour, from where the program brought the tool (above the surface)
// to its start: cut at surface − step, surface − 2·step, … and the final
// depth. Between passes a closed contour goes down where it starts, at the
// plunge feed; an open one rises to safe Z, rapids back to its start, comes
// down to the surface and plunges. Tabs, spaced evenly along the contour,
// are cut over at their top on every pass below it (an arc split at a tab
// stays an arc). After its last pass the tool rises back to the contour's own
// Z, and the program goes on as it was.
CopiedProgram DepthPasses(const std::string& program, const DepthPassRequest& request);

// What the dialog starts from: the units, the Z and the feed of the first
// contour, and the highest Z the program reaches, all in the program's units.
struct DepthPassStart {
  const char* units = "mm";
  std::optional<double> surfaceZ, feed, highestZ;
};
DepthPassStart DepthPassStartOf(const std::string& program);

}  // namespace kestrom
