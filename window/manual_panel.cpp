#include "window/manual_panel.h"

#include "machine/number_text.h"

namespace kestrom {

const char* const kArrivedMessage = "Just arrived at location now";
const char* const kInvalidRpmMessage = "Invalid spindle rpm";
const char* const kInvalidOemMessage = "Invalid OEM code (a whole number from -32768 to 32767)";
const char* const kNotAnsweringNotSent =
    "Mach3 yanıt vermiyor: komut gönderilmedi. (Mach3 does not answer: nothing was sent.)";
const char* const kNotConnectedNotSent =
    "Mach3 bağlı değil: komut gönderilmedi. (Mach3 is not connected: nothing was sent.)";
const char* const kCommandNotMade =
    "Mach3 komutu almadı; geç kalan bir komut Mach3 yanıt verince yine de çalışabilir. (Mach3 did not take the "
    "command; a late one may still run when Mach3 answers.)";
const char* const kStopQueued =
    "Mach3 yanıt vermiyor: durdurma komutu sırada, Mach3 yanıt verir vermez gönderilecek. (Mach3 does not answer: "
    "the stop is queued and goes out as soon as Mach3 answers.)";
const char* const kStopNotSent =
    "Mach3'e ulaşılamadı: durdurma komutu gönderilemedi. (Mach3 could not be reached: the stop was not sent.)";

std::string NotZeroedMessage(const std::string& axes) {
  return "Sıfırlanamayan eksenler: " + axes + ". (Not zeroed: " + axes + ".)";
}

namespace {
constexpr int32_t kToggleJogModeCode = mach3::kToggleJogModeOemCode;
constexpr int kXYZ = 3;
}  // namespace

bool ManualPanel::CanSend(CMach& mach) {
  if (!mach.oScript()) {
    controls_.ShowMessage(kNotConnectedNotSent);
    return false;
  }
  if (mach.Late()) {
    controls_.ShowMessage(kNotAnsweringNotSent);
    return false;
  }
  return true;
}

ManualPanel::Sent ManualPanel::Send(const std::function<void(CMach&)>& calls) {
  CMach& mach = connection_.Get();
  if (!CanSend(mach)) return Sent::Refused;
  const size_t failedBefore = mach.failedCalls();
  calls(mach);
  if (mach.failedCalls() == failedBefore) return Sent::Made;
  controls_.ShowMessage(kCommandNotMade);
  return Sent::Failed;
}

void ManualPanel::CreateMachObject() { loadRoutine_(); }

void ManualPanel::RunGCode() {
  CMach& mach = connection_.Get();
  if (!CanSend(mach)) return;
  const std::string line = controls_.Text(ControlId::txtGCode);
  const bool andWait = controls_.Value(ControlId::chkAndWait) == 1;
  // Ticks run inside the wait, so only the line's own call tells whether it was made.
  if (!mach.RunGCode(line, andWait)) {
    controls_.ShowMessage(kCommandNotMade);
    return;
  }
  // Read again: unticking the box during the wait suppresses the message.
  if (controls_.Value(ControlId::chkAndWait) != 0) controls_.ShowMessage(kArrivedMessage);
}

// Each stop made now, or queued while Mach3 is late; a stop whose own call
// goes late is queued once more (a second stop does no harm), so that its
// outcome is known.
void ManualPanel::Stop(std::vector<std::function<std::shared_ptr<QueuedCall>()>> stops, std::function<void()> made) {
  CMach& mach = connection_.Get();
  if (!mach.oScript()) {
    controls_.ShowMessage(kNotConnectedNotSent);  // never connected: no Mach3 closed under a running machine
    return;
  }
  PendingStop pending{{}, std::move(made)};
  bool queued = false;
  for (auto& stop : stops) {
    queued = queued || mach.Late();
    auto call = stop();
    if (!call->ended || call->result.ok) {
      pending.calls.push_back(std::move(call));
    } else if (mach.Late()) {
      queued = true;
      pending.calls.push_back(stop());
    } else {
      pending.calls.push_back(std::move(call));  // Mach3 is gone: Poll says so
    }
  }
  if (queued) controls_.ShowMessage(kStopQueued);
  pending_.push_back(std::move(pending));
  Poll();
}

void ManualPanel::Poll() {
  for (size_t i = 0; i < pending_.size();) {
    const PendingStop& p = pending_[i];
    bool ended = true, ok = true;
    for (const auto& call : p.calls) {
      ended = ended && call->ended.load();
      ok = ok && call->ended.load() && call->result.ok;
    }
    if (!ended) {
      ++i;
      continue;
    }
    PendingStop done = std::move(pending_[i]);
    pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
    if (ok) done.made();
    else controls_.ShowMessage(kStopNotSent);
  }
}

void ManualPanel::ToggleJog() {
  CMach& mach = connection_.Get();
  if (controls_.Text(ControlId::cmdJog) == "Start Jogging") {
    const Sent sent = Send([](CMach& m) {
      const size_t failedBefore = m.failedCalls();
      for (int axis = 0; axis < kXYZ && m.failedCalls() == failedBefore; ++axis) m.JogOn(axis, true);
    });
    if (sent == Sent::Made) controls_.SetText(ControlId::cmdJog, "Jog Off");
    // Part started, or a start is late: every axis is stopped again.
    if (sent == Sent::Failed)
      for (int axis = 0; axis < kXYZ; ++axis) mach.JogOffWhenAnswering(axis);
  } else {
    std::vector<std::function<std::shared_ptr<QueuedCall>()>> stops;
    for (int axis = 0; axis < kXYZ; ++axis) stops.push_back([&mach, axis] { return mach.JogOffWhenAnswering(axis); });
    Stop(std::move(stops), [this] { controls_.SetText(ControlId::cmdJog, "Start Jogging"); });
  }
}

void ManualPanel::SendOEM() {
  const auto number = ParseNumber(controls_.Text(ControlId::txtOEM));
  const auto code = number ? ToInt16(*number) : std::nullopt;
  if (!code) {
    controls_.ShowMessage(kInvalidOemMessage);
    return;
  }
  Send([&](CMach& m) { m.SendOEMCode(*code); });
}

void ManualPanel::ReadDro() {
  CMach& mach = connection_.Get();
  static const char* const kLabels[kXYZ] = {"X: ", "Y: ", "Z: "};
  std::string text;
  for (int axis = 0; axis < kXYZ; ++axis) text += kLabels[axis] + mach.ReadDRO(axis) + "\r\n";
  controls_.ShowMessage(text);
}

void ManualPanel::ToggleSpindle() {
  const auto rpm = ParseNumber(controls_.Text(ControlId::txtRPM));
  if (!rpm) {
    controls_.ShowMessage(kInvalidRpmMessage);
    return;
  }
  CMach& mach = connection_.Get();
  if (controls_.Text(ControlId::cmdSpindle) == "Spindle On") {
    if (mach.oScript() && !mach.Late()) mach.SpindleRPM(*rpm);  // a setting is never made late
    Stop({[&mach] { return mach.StopSpindleWhenAnswering(); }},
         [this] { controls_.SetText(ControlId::cmdSpindle, "Spindle Off"); });
    return;
  }
  const Sent sent = Send([&](CMach& m) {
    m.SpindleRPM(*rpm);
    m.StartSpindle(true, -1.0);
  });
  if (sent == Sent::Made) controls_.SetText(ControlId::cmdSpindle, "Spindle On");
  if (sent == Sent::Failed) mach.StopSpindleWhenAnswering();  // a late start is stopped right behind it
}

void ManualPanel::ToggleJogMode() {
  Send([](CMach& m) { m.SendOEMCode(kToggleJogModeCode); });
}

// All three readouts are zeroed even when one is refused, and the operator
// learns which were not; once Mach3 is late nothing more is sent.
void ManualPanel::ZeroAxis() {
  CMach& mach = connection_.Get();
  if (!CanSend(mach)) return;
  std::string notZeroed;
  for (int axis = 0; axis < kXYZ; ++axis) {
    const size_t failedBefore = mach.failedCalls();
    if (!mach.Late()) mach.SetDRO(axis, 0.0);
    if (mach.Late() || mach.failedCalls() != failedBefore)
      notZeroed += std::string(notZeroed.empty() ? "" : ", ") + mach3::kAxisLetters[axis];
  }
  if (!notZeroed.empty()) controls_.ShowMessage(NotZeroedMessage(notZeroed));
}

void ManualPanel::GotoPage() {
  // 16-bit arithmetic as the page list's index is 16-bit; -1 (no selection) gives 0.
  const int16_t page = static_cast<int16_t>(controls_.ListIndex(ControlId::cboPage) + mach3::kFirstPage);
  Send([page](CMach& m) { m.GotoUIPage(page); });
}

}  // namespace kestrom
