#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "fakes/form_fixture.h"
#include "teach/teach_program.h"
#include "window/layout.h"

namespace kestrom {
namespace {
using C = ControlId;
using FormLoad = testing::FormFixture;

TEST_F(FormLoad, Mach3NotRunningShowsTheTextAndTheWindowStillWorks) {
  system.processes.records.resize(2);
  form.Load();
  EXPECT_EQ(controls.messages, std::vector<std::string>{"Mach3 Programı Kapalı. Önce Mach3 'ü Açınız."});
  EXPECT_EQ(controls.lists[C::cboPage],
            (std::vector<std::string>{"Run", "MDI", "Toolpath", "Positioning", "Diagonistics", "Corrections"}));
  EXPECT_EQ(controls.listIndex[C::cboPage], 0);
  for (C on : {C::Check2, C::Check3, C::Check4, C::Check8}) EXPECT_EQ(controls.Value(on), 1);
  for (C off : {C::Check5, C::Check6, C::Check7, C::Check1, C::chkAndWait}) EXPECT_EQ(controls.Value(off), 0);
  EXPECT_EQ(controls.Text(C::Text6), "200");
  EXPECT_EQ(controls.Text(C::Text1), "Dosya1");
  EXPECT_EQ(controls.Text(C::Text2), kStartHeader);
  form.OnTimer();  // unconnected: bare prefixes, nothing recorded
  EXPECT_EQ(controls.Text(C::Text3), "X:");
  form.Load();
  EXPECT_EQ(controls.messages.size(), 2u);
  EXPECT_EQ(controls.lists[C::cboPage].size(), 6u);
  EXPECT_EQ(connectionsMade, 1);
}

TEST_F(FormLoad, ConnectedLoadShowsNoMessage) {
  form.Load();
  EXPECT_TRUE(controls.messages.empty());
  EXPECT_TRUE(form.connection().Get().isMachInit());
}

TEST_F(FormLoad, OnlyTheListedControlsHaveClickHandlers) {
  const std::set<C> clickable = {C::Command1, C::Command2, C::Command4, C::Command5, C::Command6,
                                 C::Command7, C::cmdCreateMachObj, C::cmdGCode, C::cmdJog, C::cmdOEM,
                                 C::cmdReadDro, C::cmdSpindle, C::cmdToggleJogMode, C::cmdZeroAxis};
  form.Load();
  for (const ControlSpec& spec : MainWindowLayout()) {
    if (clickable.count(spec.id)) continue;
    EXPECT_FALSE(form.OnClick(spec.id)) << spec.name;
  }
}

TEST(Layout, TablesAsSpecified) {
  const auto& layout = MainWindowLayout();
  EXPECT_EQ(layout.size(), 41u);
  const std::vector<std::string> tabOrder = {
      "Text2", "txtOEM", "cmdOEM", "cmdSpindle", "cmdCreateMachObj", "cboPage", "Command1", "txtRPM",
      "txtGCode", "cmdGCode", "cmdReadDro", "cmdJog", "cmdToggleJogMode", "cmdZeroAxis", "chkAndWait",
      "Command2", "Command4", "Text1", "Check1", "Text6", "Text4", "Text5", "Text7", "Text8", "Text9",
      "Check2", "Check3", "Check4", "Check5", "Check6", "Check7", "Text3", "Command5", "Command6",
      "Command7", "Check8"};
  for (size_t i = 0; i < tabOrder.size(); ++i) {
    EXPECT_EQ(layout[i].name, tabOrder[i]);
    EXPECT_EQ(layout[i].tabIndex, static_cast<int>(i));
  }
  for (size_t i = tabOrder.size(); i < layout.size(); ++i) EXPECT_EQ(layout[i].tabIndex, -1);

  const int clientWidth = MainWindowSpec().clientWidth;
  const std::set<std::string> offScreen = {"txtOEM", "cmdOEM", "cmdCreateMachObj", "Command2", "cmdReadDro",
                                           "cboPage", "Command1", "cmdJog", "cmdSpindle", "txtRPM",
                                           "cmdToggleJogMode", "Label2", "cmdZeroAxis", "txtGCode", "cmdGCode",
                                           "Label3", "chkAndWait"};
  for (const ControlSpec& spec : layout) {
    if (spec.kind == ControlKind::Timer) continue;
    EXPECT_EQ(spec.left > clientWidth, offScreen.count(spec.name) == 1) << spec.name;
    if (!offScreen.count(spec.name)) {
      EXPECT_LE(spec.left + spec.width, clientWidth) << spec.name;
      EXPECT_LE(spec.top + spec.height, MainWindowSpec().clientHeight) << spec.name;
    }
  }
  EXPECT_STREQ(SpecOf(C::Check1).caption, "  Öğrenme Modu");
  EXPECT_STREQ(SpecOf(C::Text2).tooltip, "Çift Tıklamak Ekranı Siler.");
  EXPECT_EQ(SpecOf(C::Text9).top, 120 + 360 * 5);
}

// The window's texts written out letter for letter, apart from the code that
// builds the window, so that a typo in either fails here.
TEST(Layout, EveryTextIsTheOneTheOperatorKnows) {
  EXPECT_STREQ(MainWindowSpec().caption, "Tavon Kestrom Module V6.00");
  EXPECT_STREQ(kAppTitle, "Tavon Mach3 Kestrom");
  EXPECT_EQ(MainWindowSpec().timerIntervalMs, 1);
  EXPECT_STREQ(kStartHeader, "(Kestrom File) \r\nG21 G90 G49 G64\r\n");
  struct Texts {
    const char* name;
    const char* caption;
    const char* tooltip;  // nullptr: none
  };
  const char* const enable = "Kayıt Etkinleştir";
  const std::vector<Texts> expected = {
      {"Check2", "", enable}, {"Check3", "", enable}, {"Check4", "", enable},
      {"Check5", "", enable}, {"Check6", "", enable}, {"Check7", "", enable},
      {"Text3", "X:", "X - Ekseni"}, {"Text4", "Y:", "Y - Ekseni"}, {"Text5", "Z:", "Z - Ekseni"},
      {"Text7", "A:", "A - Ekseni"}, {"Text8", "B:", "B - Ekseni"}, {"Text9", "C:", "C - Ekseni"},
      {"Line1", "", nullptr}, {"Check8", "", "Satır Sonu Hız Ac-Kapat"}, {"Label1", "G01", nullptr},
      {"Text6", "200", "Milimetre/Dakika"}, {"Command5", "M3", "Spindle Aç"},
      {"Command6", "M5", "Spindle Kapat"}, {"Command7", "M1", "Opsiyonel Duruş"},
      {"Check1", "  Öğrenme Modu", "Öğrenme Modunu Açınca Kayıt Başlar"}, {"Text1", "Dosya1", "Dosya Adı"},
      {"Command4", "KAYDET", nullptr}, {"Text2", "(Kestrom File) \r\nG21 G90 G49 G64\r\n", "Çift Tıklamak Ekranı Siler."},
      {"Timer1", "", nullptr}, {"txtOEM", "16", nullptr}, {"cmdOEM", "SendOEMCode", nullptr},
      {"cmdCreateMachObj", "Create Mach Object", nullptr}, {"Command2", "Command2", nullptr},
      {"cmdReadDro", "Read DRO", nullptr}, {"cboPage", "", nullptr}, {"Command1", "Goto Page", nullptr},
      {"cmdJog", "Start Jogging", nullptr}, {"cmdSpindle", "Spindle On", nullptr}, {"txtRPM", "1200", nullptr},
      {"cmdToggleJogMode", "Toggle Jog Mode", nullptr}, {"Label2", "RPM", nullptr},
      {"cmdZeroAxis", "Zero Axis", nullptr}, {"txtGCode", "g0 x5 y5", nullptr}, {"cmdGCode", "Run GCode", nullptr},
      {"Label3", "GCODE", nullptr}, {"chkAndWait", "andWait", nullptr}};
  ASSERT_EQ(MainWindowLayout().size(), expected.size());
  for (const Texts& t : expected) {
    const auto spec = std::find_if(MainWindowLayout().begin(), MainWindowLayout().end(),
                                   [&](const ControlSpec& c) { return std::string(c.name) == t.name; });
    ASSERT_NE(spec, MainWindowLayout().end()) << t.name;
    EXPECT_EQ(std::string(spec->caption), t.caption) << t.name;
    EXPECT_EQ(spec->tooltip ? std::string(spec->tooltip) : "(none)", t.tooltip ? t.tooltip : "(none)") << t.name;
  }
}

}  // namespace
}  // namespace kestrom
