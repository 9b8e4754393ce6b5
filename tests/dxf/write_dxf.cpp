// Writes a program's drawing as Kestrom saves it: write_dxf <program.tap> <drawing.dxf>.
// The DXF test reads the result back with another program's reader.
#include <fstream>
#include <iostream>
#include <sstream>

#include "toolpath/dxf_drawing.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: write_dxf <program.tap> <drawing.dxf>\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream program;
  program << in.rdbuf();
  const kestrom::Drawing drawing = kestrom::DrawingOf(program.str());
  if (drawing.dxf.empty()) {
    std::cerr << drawing.refusal << "\n";
    return 1;
  }
  std::ofstream(argv[2], std::ios::binary) << drawing.dxf;
  return 0;
}
