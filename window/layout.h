// The main window described as data: every control once, with its place, size,
// caption, font, tooltip and tab position. The Win32 layer creates the window
// from this table and nothing else.
#pragma once
#include <cstdint>
#include <vector>

#include "window/control_ids.h"

namespace kestrom {

enum class ControlKind { Button, CheckBox, TextBox, ComboBox, Label, Line, Timer };

struct FontSpec {
  const char* face;
  double points;
  bool bold;
};

enum ControlFlag : uint32_t {
  kCentred = 1u << 0,
  kChecked = 1u << 1,
  kMultiLine = 1u << 2,  // with a vertical scroll bar
  kReadOnly = 1u << 3,
  kDarkRedCaption = 1u << 4,
  kWhiteBackground = 1u << 5,
};

struct ControlSpec {
  ControlId id;
  const char* name;
  ControlKind kind;
  const char* caption;  // caption or initial text, UTF-8
  int left, top, width, height;  // twips; a line's width and height run to its end point
  const FontSpec* font;          // nullptr: the window's default font
  const char* tooltip;           // nullptr: none
  int tabIndex;                  // -1: takes no focus
  uint32_t flags;
};

struct WindowSpec {
  const char* caption;
  int clientWidth, clientHeight;  // twips
  const FontSpec* defaultFont;
  int timerIntervalMs;
};

extern const char* const kAppTitle;  // the title of every message box
const WindowSpec& MainWindowSpec();
// In ascending tab index; the controls that take no focus come last.
const std::vector<ControlSpec>& MainWindowLayout();
const ControlSpec& SpecOf(ControlId id);

}  // namespace kestrom
