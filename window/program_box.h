// The teach program's operations on the program box, where the program lives.
// Every change also reaches the journal; every change that takes text away
// keeps the text from before it, for "Bring back".
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "teach/hole_lines.h"
#include "teach/line_edits.h"
#include "teach/teach_program.h"
#include "window/controls.h"
#include "window/program_journal.h"

namespace kestrom {

// Told of every change of the program box, after it is made (the path view).
class ProgramListener {
 public:
  virtual ~ProgramListener() = default;
  virtual void Appended(std::string_view piece) = 0;  // starts with its line break
  virtual void Replaced(std::string_view program) = 0;
};

class TeachProgram {
 public:
  TeachProgram(Controls& controls, ControlId programBox, ProgramJournal& journal)
      : controls_(controls), box_(programBox), journal_(journal) {}
  void ResetProgram();
  // `flushNow`: a point the operator took on purpose goes to the disk at once.
  void AppendTaughtLine(const std::string& axisWords, const std::optional<std::string>& feed, bool flushNow = false);
  void AppendMCode(const std::string& code);
  // The whole text replaced (a program opened from its file).
  void ReplaceWith(const std::string& text);
  // A line of another form (a rapid, an arc), appended as a taught line is.
  void AppendLine(const std::string& body, bool flushNow);
  // Holes' lines (see HoleLines), as one change: a run that later lines end
  // with `run.end` (or as the run already in force ends).
  void AppendHoles(const HoleRun& run);
  // An edit in the middle of the program: the text before it is kept for
  // "Bring back", the path drawn again, the caret put on the changed line.
  // `before` is the box's text, as the edit was made from it.
  void Edit(const std::string& before, const LineEdit& edit);
  // False when only the header is left.
  bool RemoveLastLine();
  // The kept text back in the box, and the box's text kept; false when nothing is kept.
  bool BringBack();
  void Listen(ProgramListener* listener) { listener_ = listener; }

 private:
  Controls& controls_;
  ControlId box_;
  ProgramJournal& journal_;
  ProgramListener* listener_ = nullptr;
  // Before a line of another kind is appended, a drilling cycle still in force
  // where the program ends is ended (G80, and G91 again where the run left it).
  // Known after the box's own appends; read from the text again after any other change.
  void EndHoleRun();
  void Append(const std::string& piece, bool flushNow);
  std::optional<std::string> holeRun_;  // the line that ends the run in force; empty: none
};

}  // namespace kestrom
