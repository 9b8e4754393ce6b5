// A whole Form over in-memory controls, a scripted Mach3 and a memory store.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <map>

#include "fakes/fake_automation.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_platform.h"
#include "window/form.h"

namespace kestrom::testing {

class NullStore : public FileStore {
 public:
  std::optional<std::string> WriteWhole(const std::string&, const std::string&) override { return std::nullopt; }
};

// The path view's window: counts what the model asks of it.
struct FakePathSurface : PathSurface {
  int opens = 0, closes = 0, updates = 0;
  void Open() override { ++opens; }
  void Close() override { ++closes; }
  void Update() override { ++updates; }
};

struct FormFixture : ::testing::Test {
  FakeAutomation automation;
  FakeSystem system;
  CountingPump pump;
  FakeControls controls;
  NullStore store;
  int connectionsMade = 0;
  FakePathSurface pathSurface;
  Form form{controls, store,
            [this] {
              ++connectionsMade;
              return std::make_unique<CMach>(automation, system.Services(), pump);
            },
            std::nullopt, {}, &pathSurface};
  std::array<std::string, 6> dro{"+0.0000", "+0.0000", "+0.0000", "+0.0000", "+0.0000", "+0.0000"};

  FormFixture() {
    automation.onCall = [this](const std::string& member) {
      if (member == "GetDROString") {
        const int axis = automation.calls.back().args.at(0).i4;
        automation.answers["GetDROString"] = {Value::OfText(dro.at(axis))};
      }
    };
  }
  std::string Program() { return controls.Text(ControlId::Text2); }
  size_t Count(const std::string& member) {
    size_t n = 0;
    for (const auto& c : automation.calls) n += c.member == member;
    return n;
  }
};

}  // namespace kestrom::testing
