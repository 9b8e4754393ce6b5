// Every control of the main window. The numbers are the Win32 control identifiers
// too; they start above IDOK and IDCANCEL so Enter and Escape click nothing.
#pragma once

namespace kestrom {

enum class ControlId : int {
  Check1 = 100, Check2, Check3, Check4, Check5, Check6, Check7, Check8,
  Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8, Text9,
  Label1, Label2, Label3, Line1,
  Command1, Command2, Command4, Command5, Command6, Command7,
  txtOEM, cmdOEM, cmdCreateMachObj, cmdReadDro, cboPage, cmdJog, cmdSpindle, txtRPM,
  cmdToggleJogMode, cmdZeroAxis, txtGCode, cmdGCode, chkAndWait,
  Timer1,
};

}  // namespace kestrom
