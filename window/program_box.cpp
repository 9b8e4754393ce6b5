#include "window/program_box.h"

namespace kestrom {

void TeachProgram::ResetProgram() {
  journal_.Keep();
  controls_.SetText(box_, kResetHeader);
  journal_.Replaced(kResetHeader);
  if (listener_) listener_->Replaced(kResetHeader);
}

void TeachProgram::AppendTaughtLine(const std::string& axisWords, const std::optional<std::string>& feed,
                                    bool flushNow) {
  const std::string line = TaughtLine(axisWords, feed);
  controls_.AppendText(box_, line);
  journal_.Appended(line, flushNow);
  if (listener_) listener_->Appended(line);
}

void TeachProgram::AppendLine(const std::string& body, bool flushNow) {
  const std::string line = kLineEnd + body;
  controls_.AppendText(box_, line);
  journal_.Appended(line, flushNow);
  if (listener_) listener_->Appended(line);
}

void TeachProgram::Edit(const std::string& before, const LineEdit& edit) {
  const std::string after = Applied(before, edit);
  journal_.Keep();
  controls_.ReplaceRange(box_, edit.start, edit.length, edit.insert, edit.caret);
  journal_.Replaced(after);
  if (listener_) listener_->Replaced(after);
}

void TeachProgram::AppendMCode(const std::string& code) {
  const std::string line = MCodeLine(code);
  controls_.AppendText(box_, line);
  journal_.Appended(line, true);
  if (listener_) listener_->Appended(line);
}

void TeachProgram::ReplaceWith(const std::string& text) {
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
  controls_.SetText(box_, back);
  journal_.Swap();
  if (listener_) listener_->Replaced(back);
  controls_.CaretToEnd(box_);
  return true;
}

}  // namespace kestrom
