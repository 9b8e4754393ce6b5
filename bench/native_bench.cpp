// The portable core's hot paths, natively: one recorder tick and one appended
// line against the program's length, with in-memory controls and Mach3.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "fakes/fake_recovery.h"
#include "gcode/interpreter.h"
#include "gcode/lines.h"
#include "toolpath/path_thinning.h"
#include "toolpath/depth_passes.h"
#include "toolpath/tool_radius.h"
#include "toolpath/program_copies.h"
#include "toolpath/restart.h"
#include "toolpath/part_transform.h"
#include "teach/program_path.h"
#include "fakes/form_fixture.h"
#include "window/program_box.h"

namespace {
using namespace kestrom;
using namespace kestrom::testing;

class NullStoreBench : public FileStore {
 public:
  std::optional<std::string> WriteWhole(const std::string&, const std::string&) override { return std::nullopt; }
};

void BM_TickStandingStill(benchmark::State& state) {
  FakeAutomation automation;
  FakeSystem system;
  CountingPump pump;
  FakeControls controls;
  NullStoreBench store;
  Form form(controls, store, [&] { return std::make_unique<CMach>(automation, system.Services(), pump); });
  form.Load();
  automation.defaultAnswers["GetDROString"] = Value::OfText("+1.2500");
  for (auto _ : state) {
    form.OnTimer();
    automation.calls.clear();
  }
}
BENCHMARK(BM_TickStandingStill);

void BM_AppendAtLength(benchmark::State& state) {
  FakeControls controls;
  ManualClock clock;
  ProgramJournal journal(controls, nullptr, clock);
  TeachProgram program(controls, ControlId::Text2, journal);
  const std::string words = " X+123.4567 Y-12.5000 Z+0.0000";
  for (int i = 0; i < state.range(0); ++i) program.AppendTaughtLine(words, std::string("200"));
  for (auto _ : state) program.AppendTaughtLine(words, std::string("200"));
}
BENCHMARK(BM_AppendAtLength)->Arg(100)->Arg(10000)->Arg(100000);

// A million recorded lines, jogged in straight strokes of a thousand steps with
// a turn between, thinned at the default tolerance.
void BM_ThinMillionLines(benchmark::State& state) {
  std::string program = kStartHeader;
  char line[96];
  double x = 0, y = 0;
  for (int i = 0; i < 1000000; ++i) {
    if ((i / 1000) % 2) y += 0.01; else x += 0.01;
    std::snprintf(line, sizeof line, "\r\nG01  X%+.4f Y%+.4f Z+0.0000 F200", x, y);
    program += line;
  }
  size_t kept = 0;
  for (auto _ : state) kept = ThinPath(program, 0.01).linesAfter;
  state.counters["lines_kept"] = static_cast<double>(kept);
}
BENCHMARK(BM_ThinMillionLines)->Unit(benchmark::kMillisecond)->Iterations(3);

// The interpreter over a million recorded lines, with their modal state and
// every move's end point in millimetres.
void BM_ReadMillionLines(benchmark::State& state) {
  std::string program = kStartHeader;
  char line[96];
  for (int i = 0; i < 1000000; ++i) {
    std::snprintf(line, sizeof line, "\r\nG01  X%+.4f Y%+.4f Z+0.0000 F200", i * 0.01, (i % 1000) * 0.01);
    program += line;
  }
  size_t moves = 0;
  for (auto _ : state) {
    gcode::Interpreter interpreter;
    gcode::Block block;
    moves = 0;
    gcode::ForEachLine(program, [&](std::string_view text, size_t, size_t) {
      if (interpreter.Read(text, block)) moves += block.moves.size();
      return true;
    });
    benchmark::DoNotOptimize(interpreter.position());
  }
  state.counters["moves"] = static_cast<double>(moves);
}
BENCHMARK(BM_ReadMillionLines)->Unit(benchmark::kMillisecond)->Iterations(3);

// What an arc's end adds to a taught point: finding where the program's last
// move ends, which reads the program from its start (its modal state decides).
void BM_ArcStartAtLength(benchmark::State& state) {
  std::string program = kStartHeader;
  char line[96];
  for (int i = 0; i < state.range(0); ++i) {
    std::snprintf(line, sizeof line, "\r\nG01  X%+.4f Y%+.4f Z+0.0000 F200", i * 0.01, (i % 1000) * 0.01);
    program += line;
  }
  for (auto _ : state) benchmark::DoNotOptimize(LastPointOf(program));
}
BENCHMARK(BM_ArcStartAtLength)->Arg(100)->Arg(20000)->Unit(benchmark::kMicrosecond);

// Teach once, cut many: a 10,000-line program (header, M3, 9,995 moves, M5)
// repeated in a grid of 10 × 10, just under the million lines allowed.
void BM_GridOfAMillionLines(benchmark::State& state) {
  std::string program = std::string(kStartHeader) + "\r\nM3";
  char line[96];
  for (int i = 0; i < 9995; ++i) {
    std::snprintf(line, sizeof line, "\r\nG01  X%+.4f Y%+.4f Z+0.0000 F200", (i % 100) * 0.1, (i / 100) * 0.1);
    program += line;
  }
  program += "\r\nM5";
  GridLayout grid;
  grid.rows = grid.columns = 10;
  grid.dx = grid.dy = 20;
  size_t lines = 0;
  for (auto _ : state) {
    const CopiedProgram copies = RepeatInGrid(program, grid);
    if (!copies.text) return state.SkipWithError(copies.message.c_str());
    lines = static_cast<size_t>(std::count(copies.text->begin(), copies.text->end(), '\n')) + 1;
  }
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_GridOfAMillionLines)->Unit(benchmark::kMillisecond)->Iterations(3);

// Cut out of the sheet: a continuously recorded closed contour of 10,000 short
// lines (a circle of 50 mm radius) in 10 passes, 4 tabs on the deepest ones.
void BM_DepthPassesOfTenThousandLines(benchmark::State& state) {
  std::string program = std::string(kStartHeader) + "\r\nG00  X+50.0000 Y+0.0000 Z+5.0000\r\nM3" +
                        "\r\nG01  X+50.0000 Y+0.0000 Z+0.0000 F200";
  char line[96];
  for (int i = 1; i <= 9996; ++i) {
    const double a = 2 * 3.14159265358979 * i / 9996;
    std::snprintf(line, sizeof line, "\r\nG01  X%+.4f Y%+.4f Z+0.0000 F200", 50 * std::cos(a), 50 * std::sin(a));
    program += line;
  }
  program += "\r\nG01  X+50.0000 Y+0.0000 Z+0.0000 F200\r\nM5";
  DepthPassRequest r{0, -10, 1, 60, 5, 4, 5, 2};
  size_t lines = 0;
  for (auto _ : state) {
    const CopiedProgram passes = DepthPasses(program, r);
    if (!passes.text) return state.SkipWithError(passes.message.c_str());
    lines = static_cast<size_t>(std::count(passes.text->begin(), passes.text->end(), '\n')) + 1;
  }
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_DepthPassesOfTenThousandLines)->Unit(benchmark::kMillisecond)->Iterations(3);

// Cut with a tool's radius: the offset of a continuously recorded closed
// contour of 10,000 short lines (a 200 × 100 mm rectangle with corners of
// 10 mm, its points rounded as the readouts give them), outside by 3 mm:
// the region, its exact lines and arcs, the program written and read back,
// and every cut proven against the contour.
void BM_ToolOffsetOfTenThousandLines(benchmark::State& state) {
  std::string program = std::string(kStartHeader) + "\r\nG00  X+0.0000 Y+10.0000 Z+5.0000";
  const double perimeter = 2 * (180 + 80) + 2 * 3.14159265358979 * 10, step = perimeter / 10000;
  for (int n = 0; n <= 10000; ++n) {
    double d = std::fmod(n * step, perimeter), x = 0, y = 0;
    const double sides[4] = {180, 80, 180, 80};
    const double cx[4] = {190, 190, 10, 10}, cy[4] = {10, 90, 90, 10};
    for (int k = 0; k < 4; ++k) {
      const double a0 = (k - 1) * 3.14159265358979 / 2;
      if (d < sides[k]) {
        const double along = d, dirs[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
        x = cx[(k + 3) % 4] + 10 * std::cos(a0) + dirs[k][0] * along;
        y = cy[(k + 3) % 4] + 10 * std::sin(a0) + dirs[k][1] * along;
        break;
      }
      d -= sides[k];
      if (d < 3.14159265358979 * 5) {
        x = cx[k] + 10 * std::cos(a0 + d / 10);
        y = cy[k] + 10 * std::sin(a0 + d / 10);
        break;
      }
      d -= 3.14159265358979 * 5;
    }
    char line[96];
    if (n == 0) {
      std::snprintf(line, sizeof line, "\r\nG00  X%+.4f Y%+.4f Z+5.0000", x, y);
      program += line;
    }
    std::snprintf(line, sizeof line, "\r\nG01  X%+.4f Y%+.4f Z-1.0000 F200", n == 10000 ? 10.0 : x, n == 10000 ? 0.0 : y);
    program += line;
  }
  program += "\r\nG00  X+10.0000 Y+0.0000 Z+5.0000\r\nM5";
  size_t lines = 0;
  for (auto _ : state) {
    const CopiedProgram cut = OffsetByToolRadius(program, {6, false, false, std::nullopt});
    if (!cut.text) return state.SkipWithError(cut.message.c_str());
    lines = static_cast<size_t>(std::count(cut.text->begin(), cut.text->end(), '\n')) + 1;
  }
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_ToolOffsetOfTenThousandLines)->Unit(benchmark::kMillisecond)->Iterations(3);

// After a stop near the end: a 1,000,000-line CAM program (tool change, spindle,
// coolant, length offset, then moves) restarted at its last line, the state
// there worked out, the restart written and read back and proven.
void BM_RestartOfAMillionLinesAtTheLast(benchmark::State& state) {
  std::string program = "%\r\nO1000\r\nG90 G94 G17\r\nG21\r\nT1 M6\r\nS12000 M3\r\nM8\r\nG54\r\nG0 X0 Y0\r\n"
                        "G43 Z15 H1\r\nG1 Z-1 F600";
  const int moves = 1000000 - 11;
  char line[64];
  for (int i = 0; i < moves; ++i) {
    std::snprintf(line, sizeof line, "\r\nG1 X%.3f Y%.3f", (i % 1000) * 0.1, (i / 1000) * 0.1);
    program += line;
  }
  RestartRequest r;
  r.line = 1000000 - 1;
  r.safeZ = 15;
  r.plungeFeed = 200;
  r.toolChange = true;
  size_t lines = 0;
  for (auto _ : state) {
    const Restart restart = RestartProgram(program, r);
    if (!restart.text) return state.SkipWithError(restart.message.c_str());
    lines = static_cast<size_t>(std::count(restart.text->begin(), restart.text->end(), '\n')) + 1;
  }
  state.counters["restart lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_RestartOfAMillionLinesAtTheLast)->Unit(benchmark::kMillisecond)->Iterations(3);

// A part that lies askew: a 1,000,000-line program (lines and arcs by I and J)
// turned by 12° about a point, every line written in its modes and read back.
void BM_RotateAMillionLines(benchmark::State& state) {
  std::string program = std::string(kStartHeader) + "\r\nG00  X+0.0000 Y+0.0000 Z+5.0000\r\nG01  Z-1.0000 F200";
  char line[96];
  for (int n = 0; n < 1000000 - 5; ++n) {
    const double x = (n % 500) * 0.2, y = (n / 500) * 0.2;
    // Every tenth move within a row is a half circle of radius 0.1 from the point before.
    const bool arc = n % 10 == 9 && n % 500 != 0;
    std::snprintf(line, sizeof line, arc ? "\r\nG03  X%+.4f Y%+.4f I+0.1000 J+0.0000" : "\r\nG01  X%+.4f Y%+.4f", x, y);
    program += line;
  }
  size_t lines = 0;
  for (auto _ : state) {
    const CopiedProgram turned = RotateProgram(program, 12, 50, 50);
    if (!turned.text) return state.SkipWithError(turned.message.c_str());
    lines = static_cast<size_t>(std::count(turned.text->begin(), turned.text->end(), '\n')) + 1;
  }
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_RotateAMillionLines)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
