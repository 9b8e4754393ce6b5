// The window's controls in memory, seeded from the layout table.
#pragma once
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "window/controls.h"
#include "window/layout.h"

namespace kestrom::testing {

class FakeControls : public Controls {
 public:
  std::map<ControlId, std::string> texts;
  std::map<ControlId, int> values;
  std::map<ControlId, std::vector<std::string>> lists;
  std::map<ControlId, int> listIndex;
  std::vector<std::string> messages;
  std::function<void(const std::string&)> onMessage;
  int caretMoves = 0;
  int appends = 0;
  WindowHandle own = 1, foreground = 1;
  std::vector<std::pair<WindowHandle, bool>> stacking;

  FakeControls() {
    for (const ControlSpec& spec : MainWindowLayout()) {
      texts[spec.id] = spec.caption;
      if (spec.kind == ControlKind::CheckBox) values[spec.id] = (spec.flags & kChecked) ? 1 : 0;
      if (spec.kind == ControlKind::ComboBox) listIndex[spec.id] = -1;
    }
  }

  std::function<void(ControlId)> onText;  // before each Text(): a test may make it throw
  std::string Text(ControlId id) override {
    if (onText) onText(id);
    return texts.at(id);
  }
  void SetText(ControlId id, const std::string& text) override { texts.at(id) = text; }
  void AppendText(ControlId id, const std::string& text) override {
    ++appends;
    texts.at(id) += text;
  }
  void RemoveTail(ControlId id, const std::string& tail) override {
    std::string& text = texts.at(id);
    if (text.size() < tail.size() || text.compare(text.size() - tail.size(), tail.size(), tail) != 0)
      throw std::logic_error("RemoveTail: the text does not end with the tail");
    text.resize(text.size() - tail.size());
  }
  void CaretToEnd(ControlId id) override {
    ++caretMoves;
    caret[id] = texts.at(id).size();
  }
  size_t CaretOffset(ControlId id) override { return caret[id]; }
  size_t CaretMark(ControlId id) override { return caret[id]; }
  bool CaretOnLastLine(ControlId id) override { return texts.at(id).find('\n', caret[id]) == std::string::npos; }
  void ReplaceRange(ControlId id, size_t start, size_t length, const std::string& text, size_t at) override {
    std::string& t = texts.at(id);
    if (start + length > t.size()) throw std::logic_error("ReplaceRange: beyond the text");
    t.replace(start, length, text);
    caret[id] = at;
  }
  std::map<ControlId, size_t> caret;
  int Value(ControlId id) override { return values.at(id); }
  void SetValue(ControlId id, int value) override { values.at(id) = value; }
  void ClearList(ControlId id) override { lists[id].clear(); listIndex[id] = -1; }
  void AddItem(ControlId id, const std::string& item) override { lists[id].push_back(item); }
  int ListIndex(ControlId id) override { return listIndex.at(id); }
  void SetListIndex(ControlId id, int index) override { listIndex[id] = index; }
  void ShowMessage(const std::string& text) override {
    messages.push_back(text);
    if (onMessage) onMessage(text);
  }
  WindowHandle ForegroundWindow() override { return foreground; }
  WindowHandle OwnWindow() override { return own; }
  void SetTopmost(WindowHandle window, bool topmost) override { stacking.push_back({window, topmost}); }
};

}  // namespace kestrom::testing
