// The portable core's hot paths, natively: one recorder tick and one appended
// line against the program's length, with in-memory controls and Mach3.
#include <benchmark/benchmark.h>

#include "fakes/fake_recovery.h"
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

}  // namespace

BENCHMARK_MAIN();
