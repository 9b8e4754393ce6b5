// Writes taught contours and Kestrom's offsets of them for another reader to
// check: write_offsets <folder> <count>. Each case is <n>.tap (the program),
// and <n>-offset.tap (Kestrom's result) or <n>-refused.txt (its refusal);
// manifest.txt names each with what was asked.
#include <fstream>
#include <iostream>
#include <string>

#include "fakes/taught_contours.h"
#include "toolpath/tool_radius.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::cerr << "usage: write_offsets <folder> <count> [seed]\n";
    return 2;
  }
  const std::string folder = argv[1];
  std::ofstream manifest(folder + "/manifest.txt");
  int refused = 0;
  const auto contours = kestrom::testing::TaughtContours(std::stoi(argv[2]), argc > 3 ? std::stoul(argv[3]) : 20261209u);
  for (size_t n = 0; n < contours.size(); ++n) {
    const kestrom::testing::TaughtContour& c = contours[n];
    const std::string name = folder + "/" + std::to_string(n);
    std::ofstream(name + ".tap", std::ios::binary) << c.program;
    kestrom::ToolRadiusRequest r;
    r.diameter = c.diameter;
    r.inside = c.inside;
    r.right = c.right;
    const kestrom::CopiedProgram out = kestrom::OffsetByToolRadius(c.program, r);
    if (out.text) std::ofstream(name + "-offset.tap", std::ios::binary) << *out.text;
    else std::ofstream(name + "-refused.txt", std::ios::binary) << out.message, ++refused;
    manifest << n << '\t' << c.kind << '\t' << c.diameter << '\t' << (c.closed ? "closed" : "open") << '\t'
             << (c.closed ? (c.inside ? "inside" : "outside") : (c.right ? "right" : "left")) << '\t'
             << (c.inches ? "inch" : "mm") << '\t' << (out.text ? "offset" : "refused") << '\n';
  }
  std::cout << contours.size() << " contours, " << refused << " refused\n";
  return 0;
}
