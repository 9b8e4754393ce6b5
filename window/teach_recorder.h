// The timer's tick: DROs polled, changes recorded as G01 lines in teach mode,
// displays refreshed, and the window kept above the foreground one.
#pragma once
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "teach/arc_line.h"
#include "teach/hole_lines.h"
#include "teach/line_edits.h"
#include "window/program_box.h"
#include "window/connection_holder.h"
#include "window/controls.h"

namespace kestrom {

constexpr int kAxisCount = 6;

struct AxisRow {
  ControlId enableBox;
  ControlId displayBox;
  const char* displayPrefix;
  const char* wordPrefix;
};
extern const std::array<AxisRow, kAxisCount> kAxisRows;
extern const char* const kPointNotRecorded;  // Record point with Mach3 unreachable
extern const char* const kNoViaPoint;
extern const char* const kNoArcStart;
std::string ProgramUnreadable(const std::string& problem);

class TeachRecorder {
 public:
  TeachRecorder(Controls& controls, TeachProgram& program, ConnectionHolder& connection)
      : controls_(controls), program_(program), connection_(connection) {}

  void Tick();
  void AppendMCode(const char* code);  // M3, M5, M1 buttons
  void ResetProgram();                 // double-click on the program box
  void ShowXDro();                     // Command2
  // Point teaching: one taught line for where the machine stands now, whatever
  // teach mode says; and taking back the last line after the header.
  void RecordPoint();
  void RemoveLastLine();
  // The teach-in: a rapid to where the machine stands; an arc's via point, then
  // its end, which writes the arc from the program's last point; and the
  // caret's line taught again, a point inserted after it, the line deleted.
  void RecordRapidPoint();
  void TakeArcVia();
  void TakeArcEnd();
  void ReteachCaretLine();
  void InsertPointAfterCaretLine();
  void DeleteCaretLine();
  // A drilling cycle where the machine stands (X and Y), and `count` holes on a
  // circle around it, with the settings given; the run goes on where it can.
  void RecordHole(const Drilling& drilling);
  void RecordBoltCircle(const Drilling& drilling, int count, double radius, double startDegrees);
  // Teaching with a pointer beside the spindle: every point taken from the
  // readouts is the readout plus this offset (X, Y, in the readouts' units),
  // written in the readouts' own style. Nothing: the readouts as they are.
  void SetPointer(std::optional<std::array<double, 2>> offset) { pointer_ = offset; }
  // The via point taken and not yet used, in millimetres.
  std::optional<gcode::Point> via() const;
  // Told whenever the via point is taken or used.
  void OnViaChanged(std::function<void()> listener) { onViaChanged_ = std::move(listener); }
  // Told the six readouts of every tick on which all of them answered.
  using ReadoutsListener = std::function<void(const std::array<std::string, kAxisCount>&)>;
  void OnReadouts(ReadoutsListener listener) { onReadouts_ = std::move(listener); }

 private:
  void RecordChange();
  // The six readouts now; false (with the message) when Mach3 does not answer them all.
  bool ReadAll();
  TickedAxes Ticked() const;
  std::optional<std::string> FeedWord() const;
  // `body`'s axis words for the program's end: increments there under G91.
  std::string AtProgramEnd(const std::string& body) const;
  // The edit made from `program` (the box's text), or its refusal shown.
  void Edited(const std::string& program, const LineEdit& edit);
  std::string AxisWords() const;
  void AppendTaughtLineByFeedBox(bool teachModeTest);
  void KeepAboveForeground();
  void ThroughPointer();
  void AppendHoles(const Drilling& drilling, const std::vector<HolePlace>& holes);

  Controls& controls_;
  TeachProgram& program_;
  ConnectionHolder& connection_;
  std::array<std::string, kAxisCount> currentDro_;
  std::array<std::string, kAxisCount> previousDro_;  // no value yet reads as empty text
  std::string axisWords_;
  bool ticking_ = false;
  ReadoutsListener onReadouts_;
  std::optional<Readouts> via_;
  std::optional<std::array<double, 2>> pointer_;
  std::function<void()> onViaChanged_;
};

}  // namespace kestrom
