// What the portable window logic asks of the real window: the controls' values
// (they hold the window's state; nothing here keeps a copy), message boxes and
// the window's place in the stacking order.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "window/control_ids.h"

namespace kestrom {

using WindowHandle = uintptr_t;

class Controls {
 public:
  virtual ~Controls() = default;
  // A text box's text or a button's or check box's caption (UTF-8).
  virtual std::string Text(ControlId id) = 0;
  virtual void SetText(ControlId id, const std::string& text) = 0;
  // Appends at the end of a text box without replacing what it holds.
  virtual void AppendText(ControlId id, const std::string& text) = 0;
  // Removes `tail`, which the text box's text ends with, without setting the rest again.
  virtual void RemoveTail(ControlId id, const std::string& tail) = 0;
  // Caret after the last character, no selection, last line scrolled into view.
  virtual void CaretToEnd(ControlId id) = 0;
  // The caret (the selection's start) as a byte offset into Text(id).
  virtual size_t CaretOffset(ControlId id) = 0;
  // A cheap mark that changes whenever the caret moves, for noticing that it did.
  virtual size_t CaretMark(ControlId id) = 0;
  // True when the caret stands in the text's last line (cheap: no text is read).
  virtual bool CaretOnLastLine(ControlId id) = 0;
  // Bytes [start, start + length) of Text(id) replaced by `text` without setting
  // the rest again; the caret then stands at byte `caret` of the new text, in view.
  virtual void ReplaceRange(ControlId id, size_t start, size_t length, const std::string& text, size_t caret) = 0;
  // A check box's value: 0 unchecked, 1 checked.
  virtual int Value(ControlId id) = 0;
  virtual void SetValue(ControlId id, int value) = 0;
  virtual void ClearList(ControlId id) = 0;
  virtual void AddItem(ControlId id, const std::string& item) = 0;
  virtual int ListIndex(ControlId id) = 0;  // -1: no selection
  virtual void SetListIndex(ControlId id, int index) = 0;
  // A modal message box with OK only and the application title; returns when closed.
  virtual void ShowMessage(const std::string& text) = 0;
  virtual WindowHandle ForegroundWindow() = 0;
  virtual WindowHandle OwnWindow() = 0;
  // Changes only the stacking: no move, no resize.
  virtual void SetTopmost(WindowHandle window, bool topmost) = 0;
};

}  // namespace kestrom
