// The dialogs of "Programı Çoğalt (Copy the program)", Kestrom's own: modal
// dialogs built from a template in memory (no resource file), which keep what
// the operator typed for the next time.
#pragma once
#include <windows.h>

#include "window/copy_dialogs.h"

namespace kestrom::win32 {

// The dialogs' controls, for the tests that fill them in.
enum CopyDialogControl : int {
  kCopyFirstBox = 100,  // the number boxes, top to bottom, from here
  kCopyCheckBox = 120,  // "to here" or "serpentine"
  kCopyFirstChoice = 121,  // pairs of radio buttons from here
  kCopyButton = 140,       // "Ölç (Measure)"
  kCopyFirstNote = 150,    // the lines of text above the boxes
};
inline constexpr const char* kMoveDialogTitle = "Programı Taşı (Move the program)";
inline constexpr const char* kGridDialogTitle = "Programı Dizi Olarak Çoğalt (Repeat the program in a grid)";
inline constexpr const char* kDepthPassesDialogTitle = "Derinlik Pasoları (Depth passes)";
inline constexpr const char* kDrillingDialogTitle = "Delme Ayarları (Drilling settings)";
inline constexpr const char* kBoltCircleDialogTitle = "Delik Dairesi (Bolt circle)";
inline constexpr const char* kPointerDialogTitle = "İşaretçi Kaçıklığı (Pointer offset)";
inline constexpr const char* kToolRadiusDialogTitle = "Takım Yarıçapı Kadar Kaydır (Offset by tool radius)";
inline constexpr const char* kAlignDialogTitle = "Parçaya Hizala (Align to the part)";
inline constexpr const char* kRotateDialogTitle = "Programı Döndür (Rotate the program)";
inline constexpr const char* kMirrorDialogTitle = "Programı Aynala (Mirror the program)";
inline constexpr const char* kRestartDialogTitle = "Satırdan Yeniden Başlat (Restart at this line)";

class Win32CopyDialogs : public CopyDialogs {
 public:
  explicit Win32CopyDialogs(HWND owner) : owner_(owner) {}
  std::optional<MoveRequest> AskMove(const std::string& units) override;
  std::optional<GridRequest> AskGrid(const GridStart& start) override;
  std::optional<DepthPassTexts> AskDepthPasses(const DepthPassTexts& start, const std::string& units) override;
  std::optional<DrillSettings> AskDrilling(const DrillSettings& now, const std::string& units) override;
  std::optional<BoltCircleTexts> AskBoltCircle(const std::string& units) override;
  std::optional<PointerAnswer> AskPointer(const PointerTexts& now) override;
  std::optional<ToolRadiusTexts> AskToolRadius(const ToolRadiusTexts& start, const std::string& units) override;
  std::optional<RestartTexts> AskRestart(const RestartStart& start) override;
  std::optional<AlignTexts> AskAlign(const AlignTexts& measured, const std::string& units) override;
  std::optional<RotateTexts> AskRotate(const std::string& units) override;
  std::optional<MirrorTexts> AskMirror(const std::string& units) override;

 private:
  HWND owner_;
  MoveRequest move_;
  GridRequest grid_;
  DepthPassTexts passes_;
  BoltCircleTexts bolts_;
  ToolRadiusTexts tool_;
  RotateTexts rotate_;
  MirrorTexts mirror_;
  std::string restartWait_;  // the spindle's wait, as this machine's spindle needs it
};

}  // namespace kestrom::win32
