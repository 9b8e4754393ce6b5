#include "window/program_box.h"

namespace kestrom {

void TeachProgram::Append(const std::string& piece, bool flushNow) {
  controls_.AppendText(box_, piece);
  journal_.Appended(piece, flushNow);
  if (listener_) listener_->Appended(piece);
}

void TeachProgram::EndHoleRun() {
  if (!holeRun_) holeRun_ = HoleRunEnd(controls_.Text(box_));
  if (!holeRun_->empty()) Append(kLineEnd + *holeRun_, true);
  holeRun_ = std::string();
}

void TeachProgram::AppendHoles(const HoleRun& run) {
  std::string piece;
  for (const std::string& line : run.lines) piece += kLineEnd + line;
  if (!holeRun_) holeRun_ = HoleRunEnd(controls_.Text(box_));
  Append(piece, true);
  // A run that follows another without a G80 ends as the first one began.
  if (holeRun_->empty() && run.end) holeRun_ = *run.end;
}

void TeachProgram::ResetProgram() {
  holeRun_ = std::string();
  journal_.Keep();
  controls_.SetText(box_, kResetHeader);
  journal_.Replaced(kResetHeader);
  if (listener_) listener_->Replaced(kResetHeader);
}

void TeachProgram::AppendTaughtLine(const std::string& axisWords, const std::optional<std::string>& feed,
                                    bool flushNow) {
  EndHoleRun();
  Append(TaughtLine(axisWords, feed), flushNow);
}

void TeachProgram::AppendLine(const std::string& body, bool flushNow) {
  EndHoleRun();
  Append(kLineEnd + body, flushNow);
}

void TeachProgram::Edit(const std::string& before, const LineEdit& edit) {
  const std::string after = Applied(before, edit);
  holeRun_.reset();
  journal_.Keep();
  controls_.ReplaceRange(box_, edit.start, edit.length, edit.insert, edit.caret);
  journal_.Replaced(after);
  if (listener_) listener_->Replaced(after);
}

void TeachProgram::AppendMCode(const std::string& code) {
  EndHoleRun();
  Append(MCodeLine(code), true);
}

void TeachProgram::ReplaceWith(const std::string& text) {
  holeRun_.reset();
  journal_.Keep();
  controls_.SetText(box_, text);
  journal_.Replaced(text);
  if (listener_) listener_->Replaced(text);
}

bool TeachProgram::RemoveLastLine() {
  // The first two lines are the header; every later line came with its CR LF before it.
  const std::string text = controls_.Text(box_);
  const size_t firstEnd = text.find(kLineEnd);
  const size_t headerEnd = firstEnd == std::string::npos ? std::string::npos : text.find(kLineEnd, firstEnd + 2);
  const size_t last = text.rfind(kLineEnd);
  if (headerEnd == std::string::npos || last == std::string::npos || last <= headerEnd) return false;
  holeRun_.reset();
  journal_.Keep();
  // Only the tail changes: a long program is not set again whole.
  controls_.RemoveTail(box_, text.substr(last));
  journal_.Cut(last);
  if (listener_) listener_->Replaced(std::string_view(text).substr(0, last));
  return true;
}

bool TeachProgram::BringBack() {
  if (!journal_.kept()) return false;
  const std::string back = *journal_.kept();
  holeRun_.reset();
  controls_.SetText(box_, back);
  journal_.Swap();
  if (listener_) listener_->Replaced(back);
  controls_.CaretToEnd(box_);
  return true;
}

}  // namespace kestrom
