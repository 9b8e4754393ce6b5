// Drives the recorder and the program operations with arbitrary DRO texts,
// check boxes, feed texts and buttons; the program must always begin with a
// header and grow by exactly the line each step appends.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fakes/fake_automation.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_platform.h"
#include "teach/file_name.h"
#include "teach/teach_program.h"
#include "window/form.h"

namespace {

class NullStore : public kestrom::FileStore {
 public:
  std::optional<std::string> WriteWhole(const std::string&, const std::string&) override { return std::nullopt; }
};

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kestrom;
  using namespace kestrom::testing;
  FakeAutomation automation;
  FakeSystem system;
  CountingPump pump;
  FakeControls controls;
  NullStore store;
  Form form(controls, store, [&] { return std::make_unique<CMach>(automation, system.Services(), pump); });
  form.Load();

  size_t at = 0;
  auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
  auto piece = [&]() {
    const size_t n = next() % 12;
    std::string s;
    for (size_t i = 0; i < n && at < size; ++i) s += static_cast<char>(next());
    return s;
  };
  while (at < size) {
    const std::string before = controls.Text(ControlId::Text2);
    const uint8_t op = next();
    switch (op % 6) {
      case 0: {
        automation.defaultAnswers["GetDROString"] = Value::OfText(piece());
        form.OnTimer();
        break;
      }
      case 1: {
        static const ControlId boxes[] = {ControlId::Check1, ControlId::Check2, ControlId::Check3, ControlId::Check4,
                                          ControlId::Check5, ControlId::Check6, ControlId::Check7, ControlId::Check8};
        controls.values[boxes[(op / 6) % 8]] = next() % 2;
        break;
      }
      case 2: controls.texts[ControlId::Text6] = piece(); break;
      case 3: {
        static const ControlId buttons[] = {ControlId::Command5, ControlId::Command6, ControlId::Command7};
        const ControlId b = buttons[(op / 6) % 3];
        form.OnClick(b);
        static const char* codes[] = {"M3", "M5", "M1"};
        if (controls.Text(ControlId::Text2) != before + "\r\n" + codes[(op / 6) % 3]) std::abort();
        break;
      }
      case 4: form.OnDoubleClick(ControlId::Text2); break;
      case 5: FileNameProblem(piece()); break;
    }
    const std::string after = controls.Text(ControlId::Text2);
    if (!StartsWith(after, kStartHeader) && !StartsWith(after, kResetHeader)) std::abort();
    if (op % 6 == 0 && after != before && !StartsWith(after.substr(before.size()), "\r\nG01 ")) std::abort();
  }
  return 0;
}
