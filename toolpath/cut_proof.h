// The proof of a cutter path before it is written: the program Kestrom
// wrote, read back through the interpreter, checked against the contour it
// cuts beside. Every cut (lines and arcs as read back, with their centres
// and sweeps) stays at the tool's radius or farther from the contour, exactly
// where a cut comes nearest it and at points along it, on the asked side; it
// passes through the whole true offset; and below safe Z nothing moves across
// but the cuts, so that every move between them lifts first.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "teach/interpreted_program.h"
#include "toolpath/offset_curves.h"

namespace kestrom {

struct CutToProve {
  OffsetPath contour;      // as the machine moves it, millimetres
  bool inside = false;     // closed contours: inside, else outside
  bool left = false;       // open ones: left of the travel, else right
  double radius = 0;       // the tool's, millimetres
  double rounding = 5e-7;  // how far the numbers written (six places) may round a point, millimetres
  double z = 0;            // the contour's depth
  double safeZ = 0;        // above which the tool may travel anywhere
  size_t firstLine = 0, lastLine = 0;  // the written lines that bring the tool to it, cut it and take it away
  std::vector<XY> truth;   // the true offset, each point within `within` of it
  double within = 0;
  int line = 0;            // the contour's first line in the program, for the refusal
};

// Nothing when every contour's cut holds; else the refusal, naming the contour's line.
std::string ProveCuts(const InterpretedProgram& written, const std::vector<CutToProve>& cuts);

}  // namespace kestrom
