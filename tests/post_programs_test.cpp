// The programs Mach3 users run, as their CAM posts write them: each read to
// its end where it must end, played back in SimMach3's machine to its end,
// and moved, repeated in a grid and cut in depth passes without a refusal.
#include <gtest/gtest.h>

#include <cmath>

#include "fakes/post_programs.h"
#include "gcode/program_walk.h"
#include "sim/sim_machine.h"
#include "toolpath/depth_passes.h"
#include "toolpath/program_copies.h"

namespace kestrom {
namespace {

TEST(PostPrograms, EachReadsToItsEndPlaysBackAndIsMovedGriddedAndCutInPasses) {
  for (const testing::PostProgram& post : testing::PostPrograms()) {
    SCOPED_TRACE(post.name);
    gcode::ProgramWalk walk(post.text);
    gcode::Interpreter interpreter;
    gcode::Block block;
    while (walk.Next(interpreter, block)) {
    }
    ASSERT_FALSE(walk.failed()) << block.Problem();
    EXPECT_TRUE(walk.ended());
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(interpreter.position()[a], post.end[a], 1e-6) << "axis " << a;

    // Played back: to its end, through its tool change, where the interpreter says.
    sim::SimMachine machine;
    machine.SetSpeedFactor(1000);
    machine.RunProgram(post.text);
    double now = 0;
    for (int step = 0; step < 100000 && machine.runState() != sim::SimMachine::RunState::Ended &&
                       machine.runState() != sim::SimMachine::RunState::Failed;
         ++step) {
      machine.Advance(now += 100);
      if (machine.runState() == sim::SimMachine::RunState::Paused) machine.CycleStart();  // M6: the tool is in
    }
    ASSERT_EQ(machine.runState(), sim::SimMachine::RunState::Ended) << machine.RunStatus();
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(machine.Position(a), post.end[a], 1e-3) << "axis " << a;

    EXPECT_TRUE(MoveProgram(post.text, 10, 5, 0).text) << MoveProgram(post.text, 10, 5, 0).message;
    const CopyStart start = CopyStartOf(post.text);
    GridLayout grid;
    grid.rows = grid.columns = 2;
    grid.dx = grid.dy = 150;
    grid.safeZ = start.highestZ.value_or(0);
    const CopiedProgram gridded = RepeatInGrid(post.text, grid);
    EXPECT_TRUE(gridded.text) << gridded.message;
    if (!post.contour) continue;
    const DepthPassStart passes = DepthPassStartOf(post.text);
    ASSERT_TRUE(passes.surfaceZ && passes.highestZ);
    DepthPassRequest r;
    r.surfaceZ = *passes.surfaceZ;
    r.finalZ = r.surfaceZ - 1;
    r.step = 0.5;
    r.plungeFeed = 50;
    r.safeZ = *passes.highestZ;
    const CopiedProgram cut = DepthPasses(post.text, r);
    EXPECT_TRUE(cut.text) << cut.message;
  }
}

}  // namespace
}  // namespace kestrom
