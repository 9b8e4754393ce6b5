#include "window/teach_recorder.h"

#include <algorithm>

#include "teach/program_path.h"

namespace kestrom {

const std::array<AxisRow, kAxisCount> kAxisRows = {{
    {ControlId::Check2, ControlId::Text3, "X:", " X"},
    {ControlId::Check3, ControlId::Text4, "Y:", " Y"},
    {ControlId::Check4, ControlId::Text5, "Z:", " Z"},
    {ControlId::Check5, ControlId::Text7, "A:", " A"},
    {ControlId::Check6, ControlId::Text8, "B:", " B"},
    {ControlId::Check7, ControlId::Text9, "C:", " C"},
}};

const char* const kNoViaPoint =
    "Önce yayın ara noktasını alın: Yay Ara Noktası, Ctrl+Shift+V (take the arc's via point first: Arc via point, "
    "Ctrl+Shift+V).";
const char* const kNoArcStart =
    "Programda yayın başlayacağı bir hareket yok (the program has no earlier move for the arc to start from).";
std::string ProgramUnreadable(const std::string& problem) {
  return "Program okunamıyor, " + problem + "; hiçbir şey eklenmedi (the program cannot be read, " + problem +
         "; nothing was added).";
}

const char* const kPointNotRecorded =
    "Mach3'e ulaşılamadı, nokta kaydedilmedi (Mach3 does not answer; no point recorded).";

namespace {
bool AllAnswered(const std::array<std::string, kAxisCount>& dro) {
  return std::none_of(dro.begin(), dro.end(), [](const std::string& t) { return t.empty(); });
}
}  // namespace

void TeachRecorder::Tick() {
  // A cross-process call can let the window handle messages while it waits;
  // a tick arriving then is dropped rather than run inside this one.
  if (ticking_) return;
  ticking_ = true;
  CMach& mach = connection_.Get();

  for (int axis = 0; axis < kAxisCount; ++axis) currentDro_[axis] = mach.ReadDRO(axis);
  ThroughPointer();
  // An empty readout means Mach3 was not reached, or was lost part way through
  // the tick: such a tick is no position, so it records nothing and keeps the
  // reference, and the next answering tick compares with the last real position.
  if (AllAnswered(currentDro_) && currentDro_ != previousDro_) RecordChange();
  if (onReadouts_ && AllAnswered(currentDro_)) onReadouts_(currentDro_);

  for (int axis = 0; axis < kAxisCount; ++axis)
    controls_.SetText(kAxisRows[axis].displayBox, kAxisRows[axis].displayPrefix + mach.ReadDRO(axis));

  if (controls_.Value(ControlId::Check1) == 1) KeepAboveForeground();
  ticking_ = false;
}

std::string TeachRecorder::AxisWords() const {
  std::string words;
  for (int axis = 0; axis < kAxisCount; ++axis)
    if (controls_.Value(kAxisRows[axis].enableBox) == 1) words += kAxisRows[axis].wordPrefix + currentDro_[axis];
  return words;
}

// The feed word's two tests, each reading the boxes again; the recorder's also
// ask for teach mode, a recorded point does not.
// A recorded point is taken on purpose, so it goes to the disk at once.
void TeachRecorder::AppendTaughtLineByFeedBox(bool teachModeTest) {
  auto teaching = [&] { return !teachModeTest || controls_.Value(ControlId::Check1) == 1; };
  const bool point = !teachModeTest;
  if (teaching() && controls_.Value(ControlId::Check8) == 1)
    program_.AppendTaughtLine(axisWords_, controls_.Text(ControlId::Text6), point);
  if (teaching() && controls_.Value(ControlId::Check8) == 0)
    program_.AppendTaughtLine(axisWords_, std::nullopt, point);
}

void TeachRecorder::RecordChange() {
  axisWords_ = AxisWords();
  AppendTaughtLineByFeedBox(true);
  previousDro_ = currentDro_;
  controls_.CaretToEnd(ControlId::Text2);
}

void TeachRecorder::RecordPoint() {
  CMach& mach = connection_.Get();
  for (int axis = 0; axis < kAxisCount; ++axis) currentDro_[axis] = mach.ReadDRO(axis);
  ThroughPointer();
  if (!AllAnswered(currentDro_)) {
    controls_.ShowMessage(kPointNotRecorded);
    return;
  }
  // A point taken on purpose is written in the modes in force at the program's end (increments under G91).
  axisWords_ = AtProgramEnd(AxisWords());
  AppendTaughtLineByFeedBox(false);
  previousDro_ = currentDro_;  // the recorder does not write this position again
  controls_.CaretToEnd(ControlId::Text2);
}

// Where the program ends as Mach3 runs it, as the arc's end takes it; a
// program that cannot be read gets the readouts as they are.
std::string TeachRecorder::AtProgramEnd(const std::string& body) const {
  const ProgramEnd end = EndOfProgram(controls_.Text(ControlId::Text2));
  return end.problem.empty() ? InPlace(body, end.state, end.at) : body;
}

void TeachRecorder::RemoveLastLine() { program_.RemoveLastLine(); }

bool TeachRecorder::ReadAll() {
  CMach& mach = connection_.Get();
  for (int axis = 0; axis < kAxisCount; ++axis) currentDro_[axis] = mach.ReadDRO(axis);
  ThroughPointer();
  if (AllAnswered(currentDro_)) return true;
  controls_.ShowMessage(kPointNotRecorded);
  return false;
}

TickedAxes TeachRecorder::Ticked() const {
  TickedAxes ticked{};
  for (int axis = 0; axis < kAxisCount; ++axis) ticked[axis] = controls_.Value(kAxisRows[axis].enableBox) == 1;
  return ticked;
}

std::optional<std::string> TeachRecorder::FeedWord() const {
  if (controls_.Value(ControlId::Check8) != 1) return std::nullopt;
  return controls_.Text(ControlId::Text6);
}

void TeachRecorder::RecordRapidPoint() {
  if (!ReadAll()) return;
  program_.AppendLine(AtProgramEnd(RapidLineBody(AxisWords())), true);
  previousDro_ = currentDro_;  // the recorder does not write this position again
  controls_.CaretToEnd(ControlId::Text2);
}

void TeachRecorder::TakeArcVia() {
  if (!ReadAll()) return;
  via_ = currentDro_;
  if (onViaChanged_) onViaChanged_();
}

std::optional<gcode::Point> TeachRecorder::via() const {
  if (!via_) return std::nullopt;
  gcode::Point p{};
  for (int axis = 0; axis < kAxisCount; ++axis) gcode::ReadNumber((*via_)[axis], p[axis]);
  return p;
}

void TeachRecorder::TakeArcEnd() {
  if (!via_) {
    controls_.ShowMessage(kNoViaPoint);
    return;
  }
  if (!ReadAll()) return;
  const ProgramEnd end = EndOfProgram(controls_.Text(ControlId::Text2));
  if (!end.problem.empty()) return controls_.ShowMessage(ProgramUnreadable(end.problem));
  if (!end.moved) {
    controls_.ShowMessage(kNoArcStart);
    return;
  }
  // The start in the program's units, as the readouts are.
  const double unit = gcode::MillimetresPerUnit(end.state);
  gcode::Point start = end.at;
  for (int a = 0; a < 3; ++a) start[a] /= unit;
  const ArcModes modes{end.state.incremental, end.state.plane != gcode::Plane::XY};
  const ArcLine arc = ArcThroughPoints(start, *via_, currentDro_, Ticked(), FeedWord(), modes);
  if (!arc.body) {
    controls_.ShowMessage(arc.refusal);
    return;
  }
  program_.AppendLine(*arc.body, true);
  previousDro_ = currentDro_;
  via_.reset();
  if (onViaChanged_) onViaChanged_();
  controls_.CaretToEnd(ControlId::Text2);
}

void TeachRecorder::Edited(const std::string& program, const LineEdit& edit) {
  if (!edit.made()) {
    controls_.ShowMessage(edit.refusal);
    return;
  }
  program_.Edit(program, edit);
}

void TeachRecorder::ReteachCaretLine() {
  if (!ReadAll()) return;
  const std::string program = controls_.Text(ControlId::Text2);
  Edited(program, ReteachLine(program, controls_.CaretOffset(ControlId::Text2), currentDro_));
}

void TeachRecorder::InsertPointAfterCaretLine() {
  if (!ReadAll()) return;
  const std::string body = TaughtLine(AxisWords(), FeedWord()).substr(2);  // without its line end
  const std::string program = controls_.Text(ControlId::Text2);
  const std::string hole = "X" + currentDro_[0] + " Y" + currentDro_[1];
  Edited(program, InsertLineAfter(program, controls_.CaretOffset(ControlId::Text2), body, hole));
}

void TeachRecorder::RecordHole(const Drilling& drilling) {
  if (!ReadAll()) return;
  HolePlace here;
  gcode::ReadNumber(currentDro_[0], here.x);
  gcode::ReadNumber(currentDro_[1], here.y);
  AppendHoles(drilling, {here});
}

void TeachRecorder::RecordBoltCircle(const Drilling& drilling, int count, double radius, double startDegrees) {
  if (!ReadAll()) return;
  double x = 0, y = 0;
  gcode::ReadNumber(currentDro_[0], x);
  gcode::ReadNumber(currentDro_[1], y);
  AppendHoles(drilling, BoltCircle(x, y, count, radius, startDegrees));
}

// Holes are written where the program ends as Mach3 runs it: in its modes,
// and as the next holes of a run still in force there.
void TeachRecorder::AppendHoles(const Drilling& drilling, const std::vector<HolePlace>& holes) {
  const ProgramEnd end = EndOfProgram(controls_.Text(ControlId::Text2));
  if (!end.problem.empty()) return controls_.ShowMessage(ProgramUnreadable(end.problem));
  program_.AppendHoles(HoleLines(holes, drilling, gcode::StyleOf(currentDro_[0]), end));
  previousDro_ = currentDro_;  // the recorder does not write this position again
  controls_.CaretToEnd(ControlId::Text2);
}

void TeachRecorder::DeleteCaretLine() {
  const std::string program = controls_.Text(ControlId::Text2);
  Edited(program, DeleteLine(program, controls_.CaretOffset(ControlId::Text2)));
}

void TeachRecorder::ThroughPointer() {
  if (!pointer_) return;
  // A negative readout does not say whether positives get a "+": any readout that does says so.
  const bool plus = std::any_of(currentDro_.begin(), currentDro_.end(),
                                [](const std::string& t) { return !t.empty() && t[0] == '+'; });
  for (int axis = 0; axis < 2; ++axis) {
    double value = 0;
    std::string& text = currentDro_[static_cast<size_t>(axis)];
    if (text.empty() || !gcode::ReadNumber(text, value)) continue;
    gcode::NumberStyle style = gcode::StyleOf(text);
    style.plus = style.plus || plus;
    text = gcode::WriteExact(value + (*pointer_)[static_cast<size_t>(axis)], style);
  }
}

void TeachRecorder::KeepAboveForeground() {
  const WindowHandle own = controls_.OwnWindow();
  if (controls_.ForegroundWindow() == own) return;
  controls_.SetTopmost(controls_.ForegroundWindow(), false);
  controls_.SetTopmost(own, true);
}

void TeachRecorder::AppendMCode(const char* code) {
  program_.AppendMCode(code);
  controls_.CaretToEnd(ControlId::Text2);
}

void TeachRecorder::ResetProgram() { program_.ResetProgram(); }

void TeachRecorder::ShowXDro() { controls_.ShowMessage(connection_.Get().ReadDRO(0)); }

}  // namespace kestrom
