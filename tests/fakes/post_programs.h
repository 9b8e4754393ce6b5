// Programs as the CAM posts Mach3 users run write them, written here in
// their styles (headers, safety lines, unit codes, arc forms, drilling): a
// Vectric-style post in millimetres and in inches, a Fusion-style .tap with
// helical R entries and G28 G91 Z0., a Fanuc-style one with the safety line
// and G43 H, CamBam's, and pcb-gcode's drilling with G82 P and modal repeats.
// Each with where it ends (millimetres, work coordinates) and whether it
// holds a contour to cut in passes.
#pragma once
#include <array>
#include <string>
#include <vector>

namespace kestrom::testing {

struct PostProgram {
  const char* name;
  std::string text;
  std::array<double, 3> end;  // X, Y, Z after its last move
  bool contour;               // a run of feed moves at one Z, which depth passes cut
};

inline std::vector<PostProgram> PostPrograms() {
  auto lines = [](std::initializer_list<const char*> l) {
    std::string text;
    for (const char* line : l) text += std::string(line) + "\r\n";
    return text;
  };
  return {
      {"Vectric-style, mm",
       lines({"(Part1)", "(Material Size)", "(X= 300.000, Y= 200.000, Z= 18.000)", "()",
              "(Toolpaths used in this file:)", "(Profile 1)", "(Tools used in this file: )", "(1 = End Mill {6 mm})",
              "N100G00G21G17G90G40G49G80", "N110G71G91.1", "N120T1M06", "N130 (End Mill {6 mm})",
              "N140G00G43Z20.000H1", "N150S18000M03", "N160(Toolpath:- Profile 1)", "N170()", "N180G94",
              "N190X0.000Y0.000F3000.0", "N200G00X10.000Y10.000Z5.000", "N210G1Z-3.000F1000.0",
              "N220G1X110.000F3000.0", "N230G3X120.000Y20.000I0.000J10.000", "N240G1Y80.000",
              "N250G3X110.000Y90.000I-10.000J0.000", "N260G1X20.000", "N270G3X10.000Y80.000I0.000J-10.000",
              "N280G1Y10.000", "N290G00Z20.000", "N300G00X0.000Y0.000", "N310M09", "N320M30", "%"}),
       {0, 0, 20},
       true},
      {"Vectric-style, inch",
       lines({"(Part2)", "(Material Size)", "(X= 12.000, Y= 8.000, Z= 0.750)", "()", "(1 = End Mill {1/4 inch})",
              "N100G00G20G17G90G40G49G80", "N110G70G91.1", "N120T1M06", "N140G00G43Z0.800H1", "N150S18000M03",
              "N180G94", "N190X0.000Y0.000F120.0", "N200G00X0.500Y0.500Z0.200", "N210G1Z-0.125F40.0",
              "N220G1X4.500F120.0", "N230G2X5.000Y0.000I0.000J-0.500", "N240G1Y-2.000",
              "N250G2X4.500Y-2.500I-0.500J0.000", "N260G1X0.500", "N270G1Y0.500", "N280G00Z0.800",
              "N290G00X0.000Y0.000", "N300M30", "%"}),
       {0, 0, 0.8 * 25.4},
       true},
      {"Fusion-style .tap, helical R entries",
       lines({"%", "(1001)", "(T1  D=6 CR=0 - ZMIN=-3 - FLAT END MILL)", "G90 G94 G91.1 G40 G49 G17", "G21",
              "G28 G91 Z0.", "G90", "", "(2D CONTOUR1)", "T1 M6", "S10000 M3", "G54", "G0 X31.508 Y20.",
              "G43 Z15. H1", "G0 Z5.", "G1 Z2.5 F1000.",
              // Half a turn down on a helix whose R was rounded: the chord is 0.002 longer than the diameter.
              "G3 X28.49 Y20. Z1.75 R1.508 F500.", "G3 X31.508 Y20. Z1. R1.508", "G1 Z-3. F300.",
              "G1 X60. F800.", "G1 Y50.", "G2 X55. Y55. R5.", "G1 X35.", "G2 X31.508 Y51.5 I0. J-3.5", "G1 Y20.",
              "G0 Z15.", "M5", "G28 G91 Z0.", "G90", "G28 G91 X0. Y0.", "G90", "M30", "%"}),
       {0, 0, 0},
       true},
      {"Fanuc-style, the safety line and G43 H",
       lines({"%", "O0001 (BRACKET)", "(T1 D=10. FLAT)", "N10 G0 G17 G40 G49 G80 G90", "N20 T1 M6",
              "N30 G0 G90 G54 X-20. Y-20. S3000 M3", "N40 G43 H1 Z50. M8", "N50 Z5.", "N60 G1 Z-2. F200.",
              "N70 X80. F500.", "N80 Y40.", "N90 G3 X60. Y60. I-20. J0.", "N100 G1 X-20.", "N110 Y-20.",
              "N120 G0 Z50.", "N130 M9", "N140 G91 G28 Z0.", "N150 G28 X0. Y0.", "N160 M30", "%"}),
       {0, 0, 0},
       true},
      {"CamBam",
       lines({"( Made using CamBam - http://www.cambam.co.uk )", "( Untitled 09/12/2026 10:00:00 )",
              "( T0 : 3.175 )", "G21 G90 G91.1 G64 G40", "G0 Z3.0", "( T0 : 3.175 )", "T0 M6", "( Profile1 )",
              "G17", "M3 S1000", "G0 X10.0 Y10.0", "G0 Z1.0", "G1 F300.0 Z-1.0", "G1 F600.0 X50.0",
              "G2 X55.0 Y5.0 I0.0 J-5.0", "G1 Y-20.0", "G2 X50.0 Y-25.0 I-5.0 J0.0", "G1 X10.0", "G1 Y10.0",
              "G0 Z3.0", "M5", "M30"}),
       {10, 10, 3},
       true},
      {"pcb-gcode drilling, G82 P and modal repeats",
       lines({"(pcb-gcode 3.6.2.4)", "( Drill file for board.brd )", "G90", "G21", "(Tool change position)",
              "G00 Z20.0000", "M05", "M06 T01 ; 0.8000", "G00 Z2.0000", "M03", "G04 P3.000000",
              "G82 X10.1600 Y5.0800 Z-1.8000 F300.0000 R2.0000 P0.5", "X12.7000 Y5.0800", "X15.2400 Y7.6200",
              "X15.2400 Y10.1600", "G80", "G00 Z20.0000", "M05", "M02"}),
       {15.24, 10.16, 20},
       false},
  };
}

}  // namespace kestrom::testing
