// The commands that the window's system menu (title-bar icon, Alt+Space) adds,
// with their keys, as data: the Win32 layer builds the menu, the accelerators
// and the global hot key from this table.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "window/form.h"

namespace kestrom {

enum KeyModifier : unsigned { kCtrl = 1, kShift = 2 };

// The window menu's submenus, by what the operator is doing; `Top` is the
// menu itself.
enum class MenuGroup { Top, File, Teaching, Changes, Copies, Settings };
struct MenuGroupRow {
  MenuGroup group, parent;
  const char* caption;
};
inline constexpr MenuGroupRow kMenuGroups[] = {
    {MenuGroup::File, MenuGroup::Top, "Dosya ve Mach3 (File and Mach3)"},
    {MenuGroup::Teaching, MenuGroup::Top, "Öğretme (Teaching)"},
    {MenuGroup::Changes, MenuGroup::Top, "Programı Değiştir (Change the program)"},
    {MenuGroup::Copies, MenuGroup::Changes, kCopyMenuCaption},
    {MenuGroup::Settings, MenuGroup::Top, "Ayarlar ve Denetim (Settings and checks)"},
};

struct MenuCommand {
  FormCommand command;
  const char* caption;    // with the key after a tab; nullptr: a key only, no menu item
  unsigned modifiers;     // KeyModifier bits
  uint16_t virtualKey;    // Windows' virtual-key code
  bool global;            // also while another program (Mach3) has the focus
  MenuGroup group;        // the submenu it stands in, in the table's order
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
// New items go at the end: an item's command id follows its place (MenuId).
using G = MenuGroup;
inline const std::array<MenuCommand, 30>& WindowMenu() {
  static const std::array<MenuCommand, 30> menu = {{
      {FormCommand::SaveAs, "Farklı Kaydet... (Save As...)\tCtrl+Shift+S", kCtrl | kShift, 0x53, false, G::File},
      {FormCommand::Open, "Aç... (Open...)\tCtrl+O", kCtrl, 0x4F, false, G::File},
      {FormCommand::LoadIntoMach3, "Mach3'e Yükle (Load into Mach3)", 0, 0, false, G::File},
      {FormCommand::RecordPoint, "Noktayı Kaydet (Record point)\tCtrl+Shift+P", kCtrl | kShift, 0x50, true, G::Teaching},
      {FormCommand::RemoveLastLine, "Son Satırı Geri Al (Remove last line)\tCtrl+Shift+Backspace", kCtrl | kShift,
       0x08, false, G::Teaching},
      {FormCommand::Save, nullptr, kCtrl, 0x53, false, G::File},  // Ctrl+S: what KAYDET does
      {FormCommand::BringBack, "Silineni Geri Getir (Bring back cleared text)\tCtrl+Shift+Z", kCtrl | kShift, 0x5A,
       false, G::Changes},
      {FormCommand::CheckMach3, "Mach3'ü Denetle (Check Mach3)", 0, 0, false, G::Settings},
      {FormCommand::SimplifyPath, "Yolu Sadeleştir (Simplify path)", 0, 0, false, G::Changes},
      {FormCommand::PathView, kPathViewCaption, 0, 0, false, G::Top},
      // The teach-in. Its point commands work from Mach3's screen too, as Record point does.
      {FormCommand::RecordRapidPoint, "Hızlı Nokta Kaydet (Record rapid point)\tCtrl+Shift+R", kCtrl | kShift, 0x52,
       true, G::Teaching},
      {FormCommand::ArcViaPoint, "Yay Ara Noktası (Arc via point)\tCtrl+Shift+V", kCtrl | kShift, 0x56, true,
       G::Teaching},
      {FormCommand::ArcEndPoint, "Yay Bitiş Noktası (Arc end point)\tCtrl+Shift+E", kCtrl | kShift, 0x45, true,
       G::Teaching},
      {FormCommand::ReteachLine, kReteachCaption, kCtrl | kShift, 0x54, true, G::Teaching},
      {FormCommand::InsertPoint, kInsertPointCaption, kCtrl | kShift, 0x49, true, G::Teaching},
      {FormCommand::DeleteLine, kDeleteLineCaption, kCtrl | kShift, 0x2E, false, G::Teaching},  // VK_DELETE
      // Holes: recorded from Mach3's screen too, as points are.
      {FormCommand::RecordHole, "Delik Kaydet (Record hole)\tCtrl+Shift+H", kCtrl | kShift, 0x48, true, G::Teaching},
      {FormCommand::DrillingSettings, "Delme Ayarları... (Drilling settings...)", 0, 0, false, G::Settings},
      {FormCommand::BoltCircle, "Delik Dairesi... (Bolt circle...)", 0, 0, false, G::Teaching},
      {FormCommand::SaveDrawing, "Çizim Olarak Kaydet... (Save as drawing (DXF)...)", 0, 0, false, G::File},
      {FormCommand::PointerOffset, kPointerCaption, 0, 0, false, G::Settings},
      // "Programı Çoğalt (Copy the program)".
      {FormCommand::MoveProgram, kMoveCaption, 0, 0, false, G::Copies},
      {FormCommand::RepeatInGrid, kGridCaption, 0, 0, false, G::Copies},
      {FormCommand::MakeRelative, kRelativeCaption, 0, 0, false, G::Copies},
      {FormCommand::DepthPasses, kDepthPassesCaption, 0, 0, false, G::Copies},
      {FormCommand::ToolRadius, kToolRadiusCaption, 0, 0, false, G::Copies},
      // After a stop: the rest of the program from the caret's line, loaded into Mach3.
      {FormCommand::RestartAtLine, kRestartCaption, 0, 0, false, G::File},
      // A part that lies askew, and a part turned or seen in a mirror.
      {FormCommand::AlignToPart, kAlignCaption, 0, 0, false, G::Copies},
      {FormCommand::Rotate, kRotateCaption, 0, 0, false, G::Copies},
      {FormCommand::Mirror, kMirrorCaption, 0, 0, false, G::Copies},
  }};
  return menu;
}

// System-menu command ids keep their low four bits clear, as Windows asks.
inline unsigned MenuIdAt(size_t index) { return 0x100u + static_cast<unsigned>(index) * 0x10u; }
// The command id of `command`'s item; 0 when it has none.
inline unsigned MenuId(FormCommand command) {
  for (size_t i = 0; i < WindowMenu().size(); ++i)
    if (WindowMenu()[i].command == command) return MenuIdAt(i);
  return 0;
}
// What the menu item of `command` says, without its key; empty when it has none.
inline std::string MenuCaption(FormCommand command) {
  for (const MenuCommand& item : WindowMenu())
    if (item.command == command && item.caption) {
      const std::string caption = item.caption;
      return caption.substr(0, caption.find('\t'));
    }
  return {};
}

// The submenu beside "Simplify path" that chooses its tolerance; its item ids
// follow kThinningTolerances from here.
inline constexpr const char* kToleranceMenuCaption = "Sadeleştirme Toleransı (Simplify tolerance)";
inline constexpr unsigned kToleranceCommandBase = 0x800;

}  // namespace kestrom
