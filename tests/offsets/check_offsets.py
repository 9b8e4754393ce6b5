#!/usr/bin/python3
"""Kestrom's tool offsets checked by another reader: a G-code reader of its
own and Debian's pyclipper (the Python binding of the Clipper library) for
the region arithmetic. For every taught contour and its offset: no cut comes
nearer the contour than the tool's radius, each cut is on the side asked,
below safe Z nothing moves across but the cuts, and the whole true offset is
cut. Few contours may be refused. Usage: check_offsets.py <write_offsets> [count [seed]]"""
import math
import os
import re
import subprocess
import sys
import tempfile

import pyclipper  # Debian's python3-pyclipper; the test fails without it

WRITE_OFFSETS = sys.argv[1]
COUNT = int(sys.argv[2]) if len(sys.argv) > 2 else 120
SEED = sys.argv[3] if len(sys.argv) > 3 else "20261209"
SCALE = 1e5               # Clipper's integers: a hundred thousandth of a millimetre
ARC_STEP = 1e-4           # millimetres an arc's chords may stand off it
NEARER = 2e-4             # a cut this much nearer than the radius is a gouge
COVERED = 2e-3            # the true offset must lie this near a cut
MOST_REFUSED = 0.03       # the share of contours that may be refused

WORD = re.compile(r"([A-Z])\s*([-+]?(?:\d+\.?\d*|\.\d+))")


def read(program):
    """The moves of a program, in millimetres: (kind, start, end, centre, ccw, approach)."""
    at = [0.0, 0.0, 0.0]
    placed = [False, False, False]
    unit, relative, arc_relative, motion = 1.0, False, True, 1
    moves = []
    for raw in program.splitlines():
        line = re.sub(r"\(.*?\)|;.*", "", raw.upper())
        words = [(l, float(v)) for l, v in WORD.findall(line)]
        axis = {}
        for letter, value in words:
            if letter == "G":
                g = round(value * 10)
                if g in (0, 10, 20, 30):
                    motion = g // 10
                elif g == 200:
                    unit = 25.4
                elif g == 210:
                    unit = 1.0
                elif g == 900:
                    relative = False
                elif g == 910:
                    relative = True
                elif g == 901:
                    arc_relative = False
                elif g == 911:
                    arc_relative = True
            elif letter in "XYZIJ":
                axis[letter] = value * unit
        if not any(k in axis for k in "XYZ"):
            continue
        start = list(at)
        end = list(at)
        for i, letter in enumerate("XYZ"):
            if letter in axis:
                end[i] = at[i] + axis[letter] if relative else axis[letter]
        approach = any(letter in axis and not placed[i] and not relative for i, letter in enumerate("XYZ"))
        for i, letter in enumerate("XYZ"):
            if letter in axis and not relative:
                placed[i] = True
        centre = None
        if motion in (2, 3):
            i, j = axis.get("I", 0.0), axis.get("J", 0.0)
            centre = (start[0] + i, start[1] + j) if arc_relative else (i, j)
        moves.append(("rapid" if motion == 0 else "feed" if motion == 1 else "arc", start, end, centre, motion == 3,
                      approach))
        at = end
    return moves


def points_of(move):
    """A move's XY path as points no farther apart than its chords may sag."""
    kind, a, b, centre, ccw, _ = move
    if kind != "arc":
        return [(a[0], a[1]), (b[0], b[1])]
    r0 = math.hypot(a[0] - centre[0], a[1] - centre[1])
    r1 = math.hypot(b[0] - centre[0], b[1] - centre[1])
    t0 = math.atan2(a[1] - centre[1], a[0] - centre[0])
    t1 = math.atan2(b[1] - centre[1], b[0] - centre[0])
    sweep = t1 - t0
    if ccw:
        while sweep <= 1e-12:
            sweep += 2 * math.pi
    else:
        while sweep >= -1e-12:
            sweep -= 2 * math.pi
    r = max(r0, r1, 1e-9)
    step = 2 * math.acos(max(-1.0, 1 - ARC_STEP / r)) if r > ARC_STEP else math.pi
    n = max(1, int(math.ceil(abs(sweep) / step)))
    out = []
    for k in range(n + 1):
        t = k / n
        radius = r0 + (r1 - r0) * t  # the radius goes evenly from start to end, as the machine cuts it
        out.append((centre[0] + radius * math.cos(t0 + sweep * t), centre[1] + radius * math.sin(t0 + sweep * t)))
    return out


def cuts_at(moves, z):
    """The feed moves across at height z, in chains of moves that follow each other."""
    chains, chain = [], []
    for m in moves:
        kind, a, b, _, _, approach = m
        across = kind == "arc" or math.hypot(b[0] - a[0], b[1] - a[1]) > 1e-9
        if kind != "rapid" and across and not approach and abs(a[2] - z) < 1e-6 and abs(b[2] - z) < 1e-6:
            chain.append(m)
        elif a == b:
            continue  # a move to where the machine is: a readout read again
        elif chain:
            chains.append(chain)
            chain = []
    if chain:
        chains.append(chain)
    return chains


def polyline(chain):
    pts = []
    for m in chain:
        p = points_of(m)
        pts.extend(p if not pts else p[1:])
    return pts


def ints(points):
    return [(int(round(x * SCALE)), int(round(y * SCALE))) for x, y in points]


def grown(paths, radius, closed):
    o = pyclipper.PyclipperOffset()
    o.ArcTolerance = ARC_STEP * SCALE / 4
    for p in paths:
        o.AddPath(ints(p), pyclipper.JT_ROUND, pyclipper.ET_CLOSEDLINE if closed else pyclipper.ET_OPENROUND)
    return o.Execute(radius * SCALE)


def length(path):
    return sum(math.hypot(path[k + 1][0] - path[k][0], path[k + 1][1] - path[k][1]) / SCALE
               for k in range(len(path) - 1))


def sides_of(path, q):
    """Which side of an open path q lies on, as seen from each of its nearest points: positive on the left;
    nothing when one of them is an end of the path, beyond which there is no side."""
    found = []
    for k in range(len(path) - 1):
        (ax, ay), (bx, by) = path[k], path[k + 1]
        dx, dy = bx - ax, by - ay
        n2 = dx * dx + dy * dy
        t = 0.0 if n2 == 0 else max(0.0, min(1.0, ((q[0] - ax) * dx + (q[1] - ay) * dy) / n2))
        fx, fy = ax + dx * t, ay + dy * t
        end = (k == 0 and t == 0.0) or (k == len(path) - 2 and t == 1.0)
        if n2 > 0:
            found.append((math.hypot(q[0] - fx, q[1] - fy), (dx * (q[1] - fy) - dy * (q[0] - fx)) / math.sqrt(n2), end))
    best = min(d for d, _, _ in found)
    nearest = [(side, end) for d, side, end in found if d < best + 1e-6]
    return [] if any(end for _, end in nearest) else [side for side, _ in nearest]


def primitives(chain):
    """A contour's moves exactly: lines, and arcs on their circles (an arc rounded off its circle in fine chords)."""
    out = []
    for kind, a, b, centre, ccw, _ in chain:
        if kind != "arc":
            out.append(("line", (a[0], a[1]), (b[0], b[1])))
            continue
        r0 = math.hypot(a[0] - centre[0], a[1] - centre[1])
        r1 = math.hypot(b[0] - centre[0], b[1] - centre[1])
        pts = points_of((kind, a, b, centre, ccw, False))
        if abs(r1 - r0) > 1e-9:
            out += [("line", pts[k], pts[k + 1]) for k in range(len(pts) - 1)]
        else:
            out.append(("arc", centre, r0, pts))
    return out


def distance(q, prim):
    if prim[0] == "line":
        (ax, ay), (bx, by) = prim[1], prim[2]
        dx, dy = bx - ax, by - ay
        n2 = dx * dx + dy * dy
        t = 0.0 if n2 == 0 else max(0.0, min(1.0, ((q[0] - ax) * dx + (q[1] - ay) * dy) / n2))
        f = (ax + dx * t, ay + dy * t)
    else:
        _, c, r, pts = prim
        rho = math.hypot(q[0] - c[0], q[1] - c[1])
        # On the arc where the ray through q meets it (its chords' points tell its angles), else at an end.
        f = min(pts, key=lambda p: math.hypot(q[0] - p[0], q[1] - p[1]))
        if rho > 0 and f is not pts[0] and f is not pts[-1]:
            f = (c[0] + (q[0] - c[0]) * r / rho, c[1] + (q[1] - c[1]) * r / rho)
    return math.hypot(q[0] - f[0], q[1] - f[1]), f


class Near:
    """A contour's exact pieces by the cells of a grid: the nearest within a reach."""

    def __init__(self, prims, reach):
        self.prims, self.cell, self.cells = prims, max(reach, 1e-3), {}
        for k, p in enumerate(prims):
            pts = [p[1], p[2]] if p[0] == "line" else p[3]
            x0, x1 = min(x for x, _ in pts) - reach, max(x for x, _ in pts) + reach
            y0, y1 = min(y for _, y in pts) - reach, max(y for _, y in pts) + reach
            for i in range(int(math.floor(x0 / self.cell)), int(math.floor(x1 / self.cell)) + 1):
                for j in range(int(math.floor(y0 / self.cell)), int(math.floor(y1 / self.cell)) + 1):
                    self.cells.setdefault((i, j), []).append(k)

    def nearest(self, q):
        best = (1e300, None)
        for k in self.cells.get((int(math.floor(q[0] / self.cell)), int(math.floor(q[1] / self.cell))), []):
            d, f = distance(q, self.prims[k])
            if d < best[0]:
                best = (d, f)
        return best


def check(case, program, offset, radius, closed, asked):
    problems = []
    original, result = read(program), read(offset)
    depths = sorted({round(m[1][2], 9) for m in original if cuts_at([m], m[1][2])}, reverse=True)
    safe = max(max(m[1][2], m[2][2]) if not m[5] else m[2][2] for m in original)
    for m in result:  # below safe Z nothing moves across but the cuts
        kind, a, b, _, _, approach = m
        across = kind == "arc" or math.hypot(b[0] - a[0], b[1] - a[1]) > 1e-9
        low = (b[2] if approach else min(a[2], b[2])) < safe - 1e-6
        if across and low and not (kind != "rapid" and abs(a[2] - b[2]) < 1e-9 and any(abs(a[2] - z) < 1e-6 for z in depths)):
            problems.append("a move across below safe Z from %s to %s" % (a, b))
    for z in depths:
        contour_chains = cuts_at(original, z)
        contour = polyline(contour_chains[0])
        cuts = [polyline(c) for c in cuts_at(result, z)]
        if not cuts:
            problems.append("nothing cut at Z%g" % z)
            continue
        # No cut nearer the contour than the radius: none passes through where the tool may not go.
        forbidden = grown([contour], radius - NEARER, closed)
        clip = pyclipper.Pyclipper()
        for c in cuts:
            clip.AddPath(ints(c), pyclipper.PT_SUBJECT, False)
        clip.AddPaths(forbidden, pyclipper.PT_CLIP, True)
        inside_forbidden = pyclipper.OpenPathsFromPolyTree(clip.Execute2(pyclipper.CT_INTERSECTION,
                                                                         pyclipper.PFT_NONZERO, pyclipper.PFT_NONZERO))
        gouge = sum(length(p) for p in inside_forbidden)
        if gouge > 1e-6:
            problems.append("%.4f mm of cut nearer Z%g's contour than the radius" % (gouge, z))
        # On the side asked.
        ring = ints(contour)
        for c in cuts:
            for q in c[:: max(1, len(c) // 20)]:
                if closed:
                    inside = pyclipper.PointInPolygon(ints([q])[0], ring) != 0
                    wrong = inside != (asked == "inside")
                else:  # where two pieces are as near, on the side asked of either; round an end, no side
                    sides = sides_of(contour, q)
                    wrong = bool(sides) and all((s < -1e-6 * radius) if asked == "left" else (s > 1e-6 * radius)
                                                for s in sides)
                if wrong:
                    problems.append("a cut at %s on the other side of the contour" % (q,))
                    break
        # The whole true offset cut.
        band = grown([contour], radius, closed)
        if closed:
            clip = pyclipper.Pyclipper()
            try:
                clip.AddPath(ring, pyclipper.PT_SUBJECT, True)
            except pyclipper.ClipperException:
                problems.append("a closed contour that bounds nothing")
                continue
            clip.AddPaths(band, pyclipper.PT_CLIP, True)
            truth = clip.Execute(pyclipper.CT_DIFFERENCE if asked == "inside" else pyclipper.CT_UNION,
                                 pyclipper.PFT_NONZERO, pyclipper.PFT_NONZERO)
        else:
            truth = band
        # An arc whose end was rounded off its circle is kept from as the band between its radii: the cut may
        # stand off the true offset of its spiral by the band's width.
        band_width = max([abs(math.hypot(b[0] - c[0], b[1] - c[1]) - math.hypot(a[0] - c[0], a[1] - c[1]))
                          for kind, a, b, c, _, _ in contour_chains[0] if kind == "arc"] + [0.0])
        covered = grown(cuts, COVERED + band_width, False)
        near = Near(primitives(contour_chains[0]), radius * 1.5)
        for t in truth:
            for k, p in enumerate(t):
                if k % 3:
                    continue
                # The point of the true offset beside the same piece of the contour, exactly at the radius;
                # where another piece is nearer (a sliver where the tool would not quite fit), none.
                v = (p[0] / SCALE, p[1] / SCALE)
                d, f = near.nearest(v)
                if f is None or d < 1e-12:
                    continue
                q = (f[0] + (v[0] - f[0]) * radius / d, f[1] + (v[1] - f[1]) * radius / d)
                if near.nearest(q)[0] < radius - 1e-6:
                    continue
                p = ints([q])[0]
                if not closed:
                    sides = sides_of(contour, q)
                    if not sides or any(abs(v) < 1e-3 * radius for v in sides) or \
                            all((v > 0) != (asked == "left") for v in sides):
                        continue
                if not any(pyclipper.PointInPolygon(p, c) != 0 for c in covered):
                    problems.append("the true offset near (%.4f, %.4f) is left uncut" % q)
                    break
            else:
                continue
            break
    return ["%s: %s" % (case, p) for p in problems[:3]]


with tempfile.TemporaryDirectory() as folder:
    print(subprocess.run([WRITE_OFFSETS, folder, str(COUNT), SEED], check=True, capture_output=True, text=True).stdout.strip())
    failures, refused, kinds = [], [], {}
    with open(os.path.join(folder, "manifest.txt")) as manifest:
        for row in manifest:
            n, kind, diameter, closed, asked, units, outcome = row.rstrip("\n").split("\t")
            unit = 25.4 if units == "inch" else 1.0
            case = "%s (%s, %s %s, diameter %s %s)" % (n, kind, closed, asked, diameter, units)
            kinds[kind] = kinds.get(kind, 0) + 1
            program = open(os.path.join(folder, n + ".tap"), newline="").read()
            if outcome == "refused":
                refused.append(case + ": " + open(os.path.join(folder, n + "-refused.txt")).read())
                continue
            offset = open(os.path.join(folder, n + "-offset.tap"), newline="").read()
            failures += check(case, program, offset, float(diameter) * unit / 2, closed == "closed", asked)
    for f in failures:
        print("FAILED:", f)
    for r in refused:
        print("refused:", r)
    share = len(refused) / COUNT
    if share > MOST_REFUSED:
        print("FAILED: %d of %d contours refused (at most %d%% may be)" % (len(refused), COUNT, MOST_REFUSED * 100))
        failures.append("refusals")
    print("offsets: %d contours of %s checked by pyclipper %s: %d wrong, %d refused" %
          (COUNT, ", ".join("%d %s" % (v, k) for k, v in sorted(kinds.items())), pyclipper.__version__
           if hasattr(pyclipper, "__version__") else "", len(failures), len(refused)))
    sys.exit(1 if failures else 0)
