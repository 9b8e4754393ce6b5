#!/usr/bin/python3
"""Kestrom's drawings read back by ezdxf, a DXF reader Kestrom did not write:
the units its header names, its layers, and every entity where the program
puts it. Usage: check_dxf.py <write_dxf executable>"""
import math
import os
import subprocess
import sys
import tempfile

import ezdxf  # Debian's python3-ezdxf; the test fails without it

WRITE_DXF = sys.argv[1]
HEADER = "(Kestrom File) \r\nG21 G90 G49 G64\r\n"


def drawing_of(program):
    with tempfile.TemporaryDirectory() as folder:
        tap, dxf = os.path.join(folder, "part.tap"), os.path.join(folder, "part.dxf")
        with open(tap, "w", newline="") as f:
            f.write(program)
        subprocess.run([WRITE_DXF, tap, dxf], check=True)
        return ezdxf.readfile(dxf)


def near(a, b, within=1e-6):
    return all(abs(x - y) <= within for x, y in zip(a, b))


failures = []


def check(what, ok):
    if not ok:
        failures.append(what)


# The rounded rectangle of the guide: an approach (from wherever the machine stands: not drawn), four sides,
# four corners, a retract, two holes and four more repeated by L4.
mm = drawing_of(HEADER + "\r\n".join([
    "G00 X2 Y0 Z5", "M3", "G01 X2 Y0 Z0 F200", "G01 X18", "G03 X20 Y2 I0 J2", "G01 Y8", "G03 X18 Y10 I-2 J0",
    "G01 X2", "G03 X0 Y8 I0 J-2", "G01 Y2", "G03 X2 Y0 I2 J0", "G00 Z5",
    "G98 G81 X30 Y5 Z-4 R2 F100", "X40", "G80", "G91 G81 X5 Y0 Z-6 R-3 L4", "G90 G80", "M5"]))
check("header says millimetres", mm.header.get("$INSUNITS") == 4)
layers = {layer.dxf.name for layer in mm.layers}
check("layers KESIM, HIZLI, DELIK: %s" % layers, {"KESIM", "HIZLI", "DELIK"} <= layers)
msp = mm.modelspace()
by_layer = {}
for e in msp:
    by_layer.setdefault((e.dxf.layer, e.dxftype()), []).append(e)
counts = {k: len(v) for k, v in by_layer.items()}
check("entity counts %s" % counts, counts == {("HIZLI", "LINE"): 1, ("KESIM", "LINE"): 5, ("KESIM", "ARC"): 4,
                                              ("DELIK", "POINT"): 6})
cuts = [((e.dxf.start.x, e.dxf.start.y, e.dxf.start.z), (e.dxf.end.x, e.dxf.end.y, e.dxf.end.z))
        for e in by_layer[("KESIM", "LINE")]]
expected_cuts = [((2, 0, 5), (2, 0, 0)), ((2, 0, 0), (18, 0, 0)), ((20, 2, 0), (20, 8, 0)),
                 ((18, 10, 0), (2, 10, 0)), ((0, 8, 0), (0, 2, 0))]
check("cut lines %s" % cuts, len(cuts) == 5 and all(near(a, b) and near(c, d)
                                                       for (a, c), (b, d) in zip(cuts, expected_cuts)))
arcs = [(e.dxf.center.x, e.dxf.center.y, e.dxf.radius, e.dxf.start_angle % 360, e.dxf.end_angle % 360)
        for e in by_layer[("KESIM", "ARC")]]
expected_arcs = [(18, 2, 2, 270, 0), (18, 8, 2, 0, 90), (2, 8, 2, 90, 180), (2, 2, 2, 180, 270)]
check("arcs %s" % arcs, all(near(a, b) for a, b in zip(arcs, expected_arcs)))
rapids = [((e.dxf.start.x, e.dxf.start.y, e.dxf.start.z), (e.dxf.end.x, e.dxf.end.y, e.dxf.end.z))
          for e in by_layer[("HIZLI", "LINE")]]
check("rapids %s" % rapids, near(rapids[0][0], (2, 0, 0)) and near(rapids[0][1], (2, 0, 5)))
holes = [(e.dxf.location.x, e.dxf.location.y, e.dxf.location.z) for e in by_layer[("DELIK", "POINT")]]
check("holes %s" % holes, all(near(hole, (x, 5, -4)) for hole, x in zip(holes, (30, 40, 45, 50, 55, 60))))

# An inch program with a clockwise arc: inches in the header, numbers in inches, angles counter-clockwise.
inch = drawing_of("G20 G90\r\nG00 X0 Y1 Z0.1\r\nG01 Z0 F10\r\nG02 X1 Y0 I0 J-1\r\nM30\r\n")
check("header says inches", inch.header.get("$INSUNITS") == 1)
arc = [e for e in inch.modelspace() if e.dxftype() == "ARC"]
check("one clockwise arc as counter-clockwise from 0 to 90: %s" % [(a.dxf.center, a.dxf.radius, a.dxf.start_angle,
                                                                    a.dxf.end_angle) for a in arc],
      len(arc) == 1 and near((arc[0].dxf.center.x, arc[0].dxf.center.y, arc[0].dxf.radius), (0, 0, 1)) and
      near((arc[0].dxf.start_angle % 360, arc[0].dxf.end_angle % 360), (0, 90)))

for f in failures:
    print("FAILED:", f)
print("dxf: %d checks failed" % len(failures) if failures else "dxf: ezdxf %s reads every entity where the program "
      "puts it" % ezdxf.__version__)
sys.exit(1 if failures else 0)
