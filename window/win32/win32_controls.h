// The controls interface over the real window's HWNDs, and the event pump that
// lets the window handle its messages while an operation waits.
#pragma once
#include <windows.h>

#include "machine/event_pump.h"
#include "window/controls.h"

namespace kestrom::win32 {

class Win32Controls : public Controls, public EventPump {
 public:
  explicit Win32Controls(HWND window, HACCEL keys = nullptr) : window_(window), keys_(keys) {}

  std::string Text(ControlId id) override;
  void SetText(ControlId id, const std::string& text) override;
  void AppendText(ControlId id, const std::string& text) override;
  void RemoveTail(ControlId id, const std::string& tail) override;
  void CaretToEnd(ControlId id) override;
  size_t CaretOffset(ControlId id) override;
  size_t CaretMark(ControlId id) override;
  bool CaretOnLastLine(ControlId id) override;
  void ReplaceRange(ControlId id, size_t start, size_t length, const std::string& text, size_t caret) override;
  int Value(ControlId id) override;
  void SetValue(ControlId id, int value) override;
  void ClearList(ControlId id) override;
  void AddItem(ControlId id, const std::string& item) override;
  int ListIndex(ControlId id) override;
  void SetListIndex(ControlId id, int index) override;
  void ShowMessage(const std::string& text) override;
  WindowHandle ForegroundWindow() override;
  WindowHandle OwnWindow() override;
  void SetTopmost(WindowHandle window, bool topmost) override;

  void PumpPendingEvents() override;

 private:
  HWND Item(ControlId id) const { return GetDlgItem(window_, static_cast<int>(id)); }
  HWND window_;
  HACCEL keys_;
};

// Hands one message to the window: its keys (accelerators) first, then Tab
// through the controls, then the control itself.
void DispatchWindowMessage(HWND window, HACCEL keys, MSG& msg);

}  // namespace kestrom::win32
