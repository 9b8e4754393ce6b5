// The commands that the window's system menu (title-bar icon, Alt+Space) adds,
// with their keys, as data: the Win32 layer builds the menu, the accelerators
// and the global hot key from this table.
#pragma once
#include <array>
#include <cstdint>

#include "window/form.h"

namespace kestrom {

enum KeyModifier : unsigned { kCtrl = 1, kShift = 2 };

struct MenuCommand {
  FormCommand command;
  const char* caption;    // with the key after a tab; nullptr: a key only, no menu item
  unsigned modifiers;     // KeyModifier bits
  uint16_t virtualKey;    // Windows' virtual-key code
  bool global;            // also while another program (Mach3) has the focus
};

// The edits at the caret's line, also in the program box's own right-click menu.
inline constexpr const char* kReteachCaption = "Satırı Yeniden Öğret (Re-teach line)\tCtrl+Shift+T";
inline constexpr const char* kInsertPointCaption = "Araya Nokta Ekle (Insert point after line)\tCtrl+Shift+I";
inline constexpr const char* kDeleteLineCaption = "Satırı Sil (Delete line)\tCtrl+Shift+Delete";
inline constexpr const char* kCopyCaption = "Kopyala (Copy)\tCtrl+C";
inline constexpr const char* kPointerCaption = "İşaretçi Kaçıklığı... (Pointer offset...)";
inline constexpr const char* kSelectAllCaption = "Tümünü Seç (Select All)\tCtrl+A";

// Ctrl+S, Ctrl+Shift+S and Ctrl+O are Windows' own keys for save, save as and open.
// Ctrl+Shift+P records a point from anywhere: Mach3's default keys are plain keys,
// Alt+letters for its screen buttons and Shift/Ctrl with the arrows and Page keys
// for jogging, so Ctrl+Shift+letter is free there; Ctrl+Alt is avoided because it
// is AltGr on Turkish keyboards. Inside Kestrom Ctrl+Z is the program box's undo,
// so taking back a line is Ctrl+Shift+Backspace, and bringing back what a change
// took away is Ctrl+Shift+Z, the undo key's other half.
// New items go at the end: an item's command id follows its place.
inline const std::array<MenuCommand, 21>& WindowMenu() {
  static const std::array<MenuCommand, 21> menu = {{
      {FormCommand::SaveAs, "Farklı Kaydet... (Save As...)\tCtrl+Shift+S", kCtrl | kShift, 0x53, false},
      {FormCommand::Open, "Aç... (Open...)\tCtrl+O", kCtrl, 0x4F, false},
      {FormCommand::LoadIntoMach3, "Mach3'e Yükle (Load into Mach3)", 0, 0, false},
      {FormCommand::RecordPoint, "Noktayı Kaydet (Record point)\tCtrl+Shift+P", kCtrl | kShift, 0x50, true},
      {FormCommand::RemoveLastLine, "Son Satırı Geri Al (Remove last line)\tCtrl+Shift+Backspace", kCtrl | kShift,
       0x08, false},
      {FormCommand::Save, nullptr, kCtrl, 0x53, false},  // Ctrl+S: what KAYDET does
      {FormCommand::BringBack, "Silineni Geri Getir (Bring back cleared text)\tCtrl+Shift+Z", kCtrl | kShift, 0x5A,
       false},
      {FormCommand::CheckMach3, "Mach3'ü Denetle (Check Mach3)", 0, 0, false},
      {FormCommand::SimplifyPath, "Yolu Sadeleştir (Simplify path)", 0, 0, false},
      {FormCommand::PathView, kPathViewCaption, 0, 0, false},
      // The teach-in. Its point commands work from Mach3's screen too, as Record point does.
      {FormCommand::RecordRapidPoint, "Hızlı Nokta Kaydet (Record rapid point)\tCtrl+Shift+R", kCtrl | kShift, 0x52,
       true},
      {FormCommand::ArcViaPoint, "Yay Ara Noktası (Arc via point)\tCtrl+Shift+V", kCtrl | kShift, 0x56, true},
      {FormCommand::ArcEndPoint, "Yay Bitiş Noktası (Arc end point)\tCtrl+Shift+E", kCtrl | kShift, 0x45, true},
      {FormCommand::ReteachLine, kReteachCaption, kCtrl | kShift, 0x54, true},
      {FormCommand::InsertPoint, kInsertPointCaption, kCtrl | kShift, 0x49, true},
      {FormCommand::DeleteLine, kDeleteLineCaption, kCtrl | kShift, 0x2E, false},  // VK_DELETE
      // Holes: recorded from Mach3's screen too, as points are.
      {FormCommand::RecordHole, "Delik Kaydet (Record hole)\tCtrl+Shift+H", kCtrl | kShift, 0x48, true},
      {FormCommand::DrillingSettings, "Delme Ayarları... (Drilling settings...)", 0, 0, false},
      {FormCommand::BoltCircle, "Delik Dairesi... (Bolt circle...)", 0, 0, false},
      {FormCommand::SaveDrawing, "Çizim Olarak Kaydet... (Save as drawing (DXF)...)", 0, 0, false},
      {FormCommand::PointerOffset, kPointerCaption, 0, 0, false},
  }};
  return menu;
}

// The submenu "Programı Çoğalt (Copy the program)", at the menu's end; its item
// ids follow kCopyCommands from kCopyCommandBase.
inline constexpr FormCommand kCopyCommands[] = {FormCommand::MoveProgram, FormCommand::RepeatInGrid,
                                                FormCommand::MakeRelative, FormCommand::DepthPasses,
                                                FormCommand::ToolRadius};
inline constexpr const char* kCopyCommandCaptions[] = {kMoveCaption, kGridCaption, kRelativeCaption,
                                                       kDepthPassesCaption, kToolRadiusCaption};
inline constexpr unsigned kCopyCommandBase = 0x900;

// The submenu beside "Simplify path" that chooses its tolerance; its item ids
// follow kThinningTolerances from here.
inline constexpr const char* kToleranceMenuCaption = "Sadeleştirme Toleransı (Simplify tolerance)";
inline constexpr unsigned kToleranceCommandBase = 0x800;

}  // namespace kestrom
