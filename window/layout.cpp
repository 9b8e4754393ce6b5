#include "window/layout.h"

#include <algorithm>
#include <stdexcept>

#include "teach/teach_program.h"

namespace kestrom {

const char* const kAppTitle = "Tavon Mach3 Kestrom";

namespace {

const FontSpec kSansSerif{"MS Sans Serif", 8.25, false};
const FontSpec kSansSerifBold{"MS Sans Serif", 8.25, true};
const FontSpec kSansSerifLargeBold{"MS Sans Serif", 9.75, true};
const FontSpec kArial9{"Arial", 9.0, false};
const FontSpec kArialFeed{"Arial", 9.75, false};
const FontSpec kArialBold{"Arial", 8.25, true};

const char* const kAxisEnableTip = "Kayıt Etkinleştir";
using K = ControlKind;
using C = ControlId;

std::vector<ControlSpec> BuildLayout() {
  std::vector<ControlSpec> t = {
      // Axis rows: enable box and DRO box, X to C.
      {C::Check2, "Check2", K::CheckBox, "", 120, 120, 255, 255, nullptr, kAxisEnableTip, 25, kChecked},
      {C::Text3, "Text3", K::TextBox, "X:", 480, 120, 1335, 285, nullptr, "X - Ekseni", 31, kCentred},
      {C::Check3, "Check3", K::CheckBox, "", 120, 480, 255, 255, nullptr, kAxisEnableTip, 26, kChecked},
      {C::Text4, "Text4", K::TextBox, "Y:", 480, 480, 1335, 285, nullptr, "Y - Ekseni", 20, kCentred},
      {C::Check4, "Check4", K::CheckBox, "", 120, 840, 255, 255, nullptr, kAxisEnableTip, 27, kChecked},
      {C::Text5, "Text5", K::TextBox, "Z:", 480, 840, 1335, 285, nullptr, "Z - Ekseni", 21, kCentred},
      {C::Check5, "Check5", K::CheckBox, "", 120, 1200, 255, 255, nullptr, kAxisEnableTip, 28, 0},
      {C::Text7, "Text7", K::TextBox, "A:", 480, 1200, 1335, 285, nullptr, "A - Ekseni", 22, kCentred},
      {C::Check6, "Check6", K::CheckBox, "", 120, 1560, 255, 255, nullptr, kAxisEnableTip, 29, 0},
      {C::Text8, "Text8", K::TextBox, "B:", 480, 1560, 1335, 285, nullptr, "B - Ekseni", 23, kCentred},
      {C::Check7, "Check7", K::CheckBox, "", 120, 1920, 255, 255, nullptr, kAxisEnableTip, 30, 0},
      {C::Text9, "Text9", K::TextBox, "C:", 480, 1920, 1335, 285, nullptr, "C - Ekseni", 24, kCentred},
      // Below the axis rows.
      {C::Line1, "Line1", K::Line, "", 0, 2280, 1800, 0, nullptr, nullptr, -1, 0},
      {C::Check8, "Check8", K::CheckBox, "", 120, 2430, 240, 255, nullptr, "Satır Sonu Hız Ac-Kapat", 35, kChecked},
      {C::Label1, "Label1", K::Label, "G01", 375, 2445, 375, 255, &kArial9, nullptr, -1, 0},
      {C::Text6, "Text6", K::TextBox, "200", 780, 2400, 1035, 315, &kArialFeed, "Milimetre/Dakika", 19, kCentred},
      {C::Command5, "Command5", K::Button, "M3", 120, 2880, 495, 375, &kSansSerifBold, "Spindle Aç", 32, 0},
      {C::Command6, "Command6", K::Button, "M5", 720, 2880, 495, 375, &kSansSerifBold, "Spindle Kapat", 33, 0},
      {C::Command7, "Command7", K::Button, "M1", 1320, 2865, 495, 375, &kSansSerifBold, "Opsiyonel Duruş", 34, 0},
      {C::Check1, "Check1", K::CheckBox, "  Öğrenme Modu", 120, 3360, 1695, 255, &kArialBold,
       "Öğrenme Modunu Açınca Kayıt Başlar", 18, kDarkRedCaption},
      {C::Text1, "Text1", K::TextBox, "Dosya1", 75, 3720, 1770, 360, &kSansSerifLargeBold, "Dosya Adı", 17,
       kCentred | kWhiteBackground},
      {C::Command4, "Command4", K::Button, "KAYDET", 75, 4200, 1770, 375, &kSansSerifBold, nullptr, 16, 0},
      {C::Text2, "Text2", K::TextBox, kStartHeader, 1920, 90, 9615, 4500, &kArial9,
       "Çift Tıklamak Ekranı Siler.", 0, kMultiLine | kReadOnly | kWhiteBackground},
      {C::Timer1, "Timer1", K::Timer, "", 0, 0, 0, 0, nullptr, nullptr, -1, 0},
      // Beyond the right edge of the client area: the manual panel and Command2.
      {C::txtOEM, "txtOEM", K::TextBox, "16", 14145, 420, 645, 375, nullptr, nullptr, 1, 0},
      {C::cmdOEM, "cmdOEM", K::Button, "SendOEMCode", 14955, 420, 1725, 420, nullptr, nullptr, 2, 0},
      {C::cmdCreateMachObj, "cmdCreateMachObj", K::Button, "Create Mach Object", 18015, 420, 1635, 420, nullptr, nullptr, 4, 0},
      {C::Command2, "Command2", K::Button, "Command2", 18000, 480, 1335, 375, nullptr, nullptr, 15, 0},
      {C::cmdReadDro, "cmdReadDro", K::Button, "Read DRO", 18015, 1005, 1635, 330, nullptr, nullptr, 10, 0},
      {C::cboPage, "cboPage", K::ComboBox, "", 14145, 1185, 1590, 315, nullptr, nullptr, 5, 0},
      {C::Command1, "Command1", K::Button, "Goto Page", 15945, 1185, 1005, 330, nullptr, nullptr, 6, 0},
      {C::cmdJog, "cmdJog", K::Button, "Start Jogging", 18015, 1590, 1635, 375, nullptr, nullptr, 11, 0},
      {C::cmdSpindle, "cmdSpindle", K::Button, "Spindle On", 15990, 2040, 1275, 420, nullptr, nullptr, 3, 0},
      {C::txtRPM, "txtRPM", K::TextBox, "1200", 14640, 2085, 1230, 330, nullptr, nullptr, 7, 0},
      {C::cmdToggleJogMode, "cmdToggleJogMode", K::Button, "Toggle Jog Mode", 18015, 2130, 1635, 420, nullptr, nullptr, 12, 0},
      {C::Label2, "Label2", K::Label, "RPM", 14055, 2175, 465, 240, nullptr, nullptr, -1, 0},
      {C::cmdZeroAxis, "cmdZeroAxis", K::Button, "Zero Axis", 17970, 2715, 1725, 375, nullptr, nullptr, 13, 0},
      {C::txtGCode, "txtGCode", K::TextBox, "g0 x5 y5", 15045, 2760, 1410, 330, nullptr, nullptr, 8, 0},
      {C::cmdGCode, "cmdGCode", K::Button, "Run GCode", 16620, 2760, 1185, 375, nullptr, nullptr, 9, 0},
      {C::Label3, "Label3", K::Label, "GCODE", 14055, 2805, 780, 285, nullptr, nullptr, -1, 0},
      {C::chkAndWait, "chkAndWait", K::CheckBox, "andWait", 17925, 2850, 1005, 240, nullptr, nullptr, 14, 0},
  };
  std::stable_sort(t.begin(), t.end(), [](const ControlSpec& a, const ControlSpec& b) {
    const unsigned ka = static_cast<unsigned>(a.tabIndex), kb = static_cast<unsigned>(b.tabIndex);
    return ka < kb;  // -1 wraps to the largest value: no-focus controls sort last
  });
  return t;
}

}  // namespace

const WindowSpec& MainWindowSpec() {
  static const WindowSpec spec{"Tavon Kestrom Module V6.00", 11640, 4695, &kSansSerif, 1};
  return spec;
}

const std::vector<ControlSpec>& MainWindowLayout() {
  static const std::vector<ControlSpec> layout = BuildLayout();
  return layout;
}

const ControlSpec& SpecOf(ControlId id) {
  for (const ControlSpec& spec : MainWindowLayout())
    if (spec.id == id) return spec;
  throw std::out_of_range("no such control");
}

}  // namespace kestrom
