#include <gtest/gtest.h>

#include "fakes/form_fixture.h"
#include "window/manual_panel.h"

namespace kestrom {
namespace {
using C = ControlId;
using Members = std::vector<std::string>;

struct Panel : testing::FormFixture {
  void SetUp() override {
    form.Load();
    automation.calls.clear();
    controls.messages.clear();
  }
  void Click(C id) { ASSERT_TRUE(form.OnClick(id)); }
};

TEST_F(Panel, RunGCodeWithAndWithoutWait) {
  Click(C::cmdGCode);
  EXPECT_EQ(automation.Members(), Members{"code"});
  EXPECT_EQ(automation.calls[0].args[0].text, "g0 x5 y5");
  EXPECT_TRUE(controls.messages.empty());

  automation.calls.clear();
  controls.values[C::chkAndWait] = 1;
  controls.texts[C::txtGCode] = "";
  automation.answers["IsMoving"] = {Value::OfBool(true), Value::OfBool(true), Value::OfBool(false)};
  Click(C::cmdGCode);
  EXPECT_EQ(automation.calls[0].args[0].text, "");
  EXPECT_EQ(pump.pumps, 2);
  EXPECT_EQ(controls.messages, std::vector<std::string>{"Just arrived at location now"});
}

TEST_F(Panel, UntickingDuringTheWaitSuppressesTheMessage) {
  controls.values[C::chkAndWait] = 1;
  automation.answers["IsMoving"] = {Value::OfBool(true), Value::OfBool(false)};
  pump.onPump = [&] { controls.values[C::chkAndWait] = 0; };
  Click(C::cmdGCode);
  EXPECT_TRUE(controls.messages.empty());
}

TEST_F(Panel, NestedRunGCodeInsideTheWait) {
  controls.values[C::chkAndWait] = 1;
  automation.answers["IsMoving"] = {Value::OfBool(true), Value::OfBool(true), Value::OfBool(false),
                                    Value::OfBool(false)};
  bool nested = false;
  pump.onPump = [&] {
    if (nested) return;
    nested = true;
    form.OnClick(C::cmdGCode);  // the operator clicks again while the first waits
  };
  Click(C::cmdGCode);
  EXPECT_EQ(automation.Members(), (Members{"code", "IsMoving", "code", "IsMoving", "IsMoving", "IsMoving"}));
  EXPECT_EQ(controls.messages.size(), 2u);  // the nested one first, then the outer
}

TEST_F(Panel, JogToggleByCaption) {
  Click(C::cmdJog);
  EXPECT_EQ(automation.Members(), (Members{"JogOn", "JogOn", "JogOn"}));
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_EQ(automation.calls[axis].args[0].i4, axis);
    EXPECT_EQ(automation.calls[axis].args[1].i4, 0);  // posDirection true
  }
  EXPECT_EQ(controls.Text(C::cmdJog), "Jog Off");
  Click(C::cmdJog);
  EXPECT_EQ(automation.Members(), (Members{"JogOn", "JogOn", "JogOn", "JogOff", "JogOff", "JogOff"}));
  EXPECT_EQ(controls.Text(C::cmdJog), "Start Jogging");
  controls.texts[C::cmdJog] = "start jogging";  // any other caption stops
  Click(C::cmdJog);
  EXPECT_EQ(automation.calls.back().member, "JogOff");
}

TEST_F(Panel, OemCodeConversion) {
  const std::vector<std::pair<const char*, int>> sent = {{"16", 16}, {"16.5", 16}, {"17,5", 18}, {" -3 ", -3},
                                                         {"32767", 32767}};
  for (const auto& [text, code] : sent) {
    automation.calls.clear();
    controls.texts[C::txtOEM] = text;
    Click(C::cmdOEM);
    ASSERT_EQ(automation.Members(), Members{"DoOEMButton"}) << text;
    EXPECT_EQ(automation.calls[0].args[0].i4, code) << text;
  }
  automation.calls.clear();
  for (const char* bad : {"", "abc", "32768", "-40000", "1e9"}) {
    controls.texts[C::txtOEM] = bad;
    Click(C::cmdOEM);
  }
  EXPECT_TRUE(automation.calls.empty());
  EXPECT_EQ(controls.messages.size(), 5u);
  EXPECT_EQ(controls.messages[0], kInvalidOemMessage);
}

TEST_F(Panel, ReadDroShowsThreeLinesEachEnded) {
  dro[0] = "1.5";
  dro[1] = "2.25";
  dro[2] = "-3";
  Click(C::cmdReadDro);
  EXPECT_EQ(controls.messages.back(), "X: 1.5\r\nY: 2.25\r\nZ: -3\r\n");
  automation.failingMembers["GetDROString"] = {1, "gone"};
  Click(C::cmdReadDro);
  EXPECT_EQ(controls.messages.back(), "X: \r\nY: \r\nZ: \r\n");
}

TEST_F(Panel, SpindleToggleSendsTheSpeedEveryValidClick) {
  Click(C::cmdSpindle);
  EXPECT_EQ(automation.Members(), (Members{"SetSpinSpeed", "DoSpinStop"}));
  EXPECT_EQ(automation.calls[0].args[0].r8, 1200.0);
  EXPECT_EQ(controls.Text(C::cmdSpindle), "Spindle Off");

  automation.calls.clear();
  controls.texts[C::txtRPM] = "1,5";
  std::string captionAtStart;
  automation.onCall = [&](const std::string& m) {
    if (m == "DoSpinCW") captionAtStart = controls.Text(C::cmdSpindle);
  };
  Click(C::cmdSpindle);
  EXPECT_EQ(automation.Members(), (Members{"SetSpinSpeed", "DoSpinCW"}));  // -1.0 sets no speed
  EXPECT_EQ(automation.calls[0].args[0].r8, 1.5);
  EXPECT_EQ(captionAtStart, "Spindle Off");  // the caption follows the start once it is made
  EXPECT_EQ(controls.Text(C::cmdSpindle), "Spindle On");

  for (const char* rpm : {"0", "-100"}) {
    automation.calls.clear();
    controls.texts[C::txtRPM] = rpm;
    Click(C::cmdSpindle);
    EXPECT_EQ(automation.calls.at(0).member, "SetSpinSpeed") << rpm;
  }
}

TEST_F(Panel, WhileMach3IsLateStopsAreQueuedStartsRefusedAndCaptionsStayTrue) {
  Click(C::cmdJog);  // jogging, spindle on
  controls.texts[C::cmdSpindle] = "Spindle On";
  automation.calls.clear();
  automation.late = true;
  Click(C::cmdJog);
  Click(C::cmdSpindle);
  EXPECT_EQ(controls.messages, std::vector<std::string>(2, kStopQueued));
  EXPECT_EQ(controls.Text(C::cmdJog), "Jog Off");
  EXPECT_EQ(controls.Text(C::cmdSpindle), "Spindle On");
  controls.messages.clear();
  for (C start : {C::cmdGCode, C::cmdOEM, C::cmdToggleJogMode, C::cmdZeroAxis, C::Command1}) Click(start);
  EXPECT_EQ(controls.messages, std::vector<std::string>(5, kNotAnsweringNotSent));
  EXPECT_TRUE(automation.calls.empty());  // nothing is made late, not even the speed

  automation.Answers(true);
  form.OnTimer();
  automation.calls.resize(4);  // the queue, in order, then the tick's readouts
  EXPECT_EQ(automation.Members(), (Members{"JogOff", "JogOff", "JogOff", "DoSpinStop"}));
  EXPECT_EQ(controls.Text(C::cmdJog), "Start Jogging");
  EXPECT_EQ(controls.Text(C::cmdSpindle), "Spindle Off");

  // Mach3 gone while the stop waited: the operator is told, the caption stays.
  controls.texts[C::cmdJog] = "Jog Off";
  automation.late = true;
  Click(C::cmdJog);
  automation.Answers(false);
  form.OnTimer();
  EXPECT_EQ(controls.messages.back(), kStopNotSent);
  EXPECT_EQ(controls.Text(C::cmdJog), "Jog Off");
  // A start that fails part way is stopped again, and its caption stays.
  controls.texts[C::cmdJog] = "Start Jogging";
  automation.calls.clear();
  automation.failingMembers["JogOn"] = {-1, "gone"};
  Click(C::cmdJog);
  EXPECT_EQ(automation.Members(), (Members{"JogOn", "JogOff", "JogOff", "JogOff"}));
  EXPECT_EQ(controls.messages.back(), kCommandNotMade);
  EXPECT_EQ(controls.Text(C::cmdJog), "Start Jogging");
}

TEST_F(Panel, InvalidSpeedChangesNothing) {
  for (const char* rpm : {"", "abc", "12 rpm"}) {
    controls.texts[C::txtRPM] = rpm;
    Click(C::cmdSpindle);
    EXPECT_EQ(controls.messages.back(), "Invalid spindle rpm");
  }
  EXPECT_TRUE(automation.calls.empty());
  EXPECT_EQ(controls.Text(C::cmdSpindle), "Spindle On");
}

TEST_F(Panel, JogModeZeroAxisAndPages) {
  Click(C::cmdToggleJogMode);
  Click(C::cmdZeroAxis);
  EXPECT_EQ(automation.Members(), (Members{"DoOEMButton", "SetDRO", "SetDRO", "SetDRO"}));
  EXPECT_EQ(automation.calls[0].args[0].i4, 103);
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_EQ(automation.calls[1 + axis].args[0].i4, axis);
    EXPECT_EQ(automation.calls[1 + axis].args[1].kind, Arg::Kind::RefR8);
    EXPECT_EQ(automation.calls[1 + axis].args[1].r8, 0.0);
  }
  for (const auto& [index, page] : std::vector<std::pair<int, int>>{{5, 6}, {0, 1}, {-1, 0}}) {
    automation.calls.clear();
    controls.listIndex[C::cboPage] = index;
    Click(C::Command1);
    EXPECT_EQ(automation.calls.at(0).args[0].i4, page);
  }
  EXPECT_TRUE(controls.messages.empty());
}

TEST_F(Panel, ZeroAxisMakesEveryCallAndNamesTheAxesLeft) {
  int setDro = 0;
  automation.onCall = [&](const std::string& m) {
    if (m != "SetDRO") return;
    if (++setDro == 2) automation.failingMembers["SetDRO"] = {-1, "refused"};
    else automation.failingMembers.erase("SetDRO");
  };
  Click(C::cmdZeroAxis);
  EXPECT_EQ(automation.Members(), (Members{"SetDRO", "SetDRO", "SetDRO"}));
  EXPECT_EQ(automation.calls[2].args[0].i4, 2);
  EXPECT_EQ(controls.messages, std::vector<std::string>{NotZeroedMessage("Y")});

  // Mach3 goes late on the first call: nothing more is sent, and all three are named.
  automation.calls.clear();
  controls.messages.clear();
  automation.onCall = [&](const std::string&) { automation.late = true; };
  Click(C::cmdZeroAxis);
  EXPECT_EQ(automation.Members(), Members{"SetDRO"});
  EXPECT_EQ(controls.messages, std::vector<std::string>{NotZeroedMessage("X, Y, Z")});
}

using PanelNeverConnected = testing::FormFixture;
TEST_F(PanelNeverConnected, StopsSayMach3IsNotConnected) {
  auto& f = *this;
  f.system.processes.records.resize(2);  // no Mach3 running at load
  f.form.Load();
  f.controls.messages.clear();
  f.controls.texts[C::cmdJog] = "Jog Off";
  for (C stop : {C::cmdSpindle, C::cmdJog}) ASSERT_TRUE(f.form.OnClick(stop));
  EXPECT_EQ(f.controls.messages, std::vector<std::string>(2, kNotConnectedNotSent));
  EXPECT_EQ(f.controls.Text(C::cmdSpindle), "Spindle On");
  EXPECT_EQ(f.controls.Text(C::cmdJog), "Jog Off");
}

TEST_F(Panel, CreateMachObjectRerunsTheLoadOnTheSameConnection) {
  controls.listIndex[C::cboPage] = 4;
  controls.texts[C::cmdJog] = "Jog Off";
  Click(C::cmdCreateMachObj);
  Click(C::cmdCreateMachObj);
  EXPECT_EQ(controls.lists[C::cboPage].size(), 6u);
  EXPECT_EQ(controls.listIndex[C::cboPage], 0);
  EXPECT_EQ(controls.Text(C::cmdJog), "Jog Off");
  EXPECT_EQ(connectionsMade, 1);
  EXPECT_EQ(automation.document->permanentReferences, 3);
}

}  // namespace
}  // namespace kestrom
