// The small dialogs of "Programı Çoğalt (Copy the program)": the texts the
// operator typed, which the form checks before anything changes.
#pragma once
#include <optional>
#include <string>

#include "teach/hole_lines.h"

namespace kestrom {

struct MoveRequest {
  std::string dx = "0", dy = "0", dz = "0";
  bool toHere = false;  // the program's first move to where the machine stands
};

struct GridRequest {
  std::string rows = "2", columns = "3", dx = "0", dy = "0", safeZ = "5";
  bool serpentine = false;
};

// What the grid dialog starts with, from the program: safe Z at the highest Z
// it reaches, and the units its numbers are in ("mm" or "inch").
struct GridStart {
  std::string safeZ;
  std::string units = "mm";
};

// "Derinlik Pasoları (Depth passes)" as typed, in the program's units. The
// form starts surface Z, plunge feed and safe Z from the program.
struct DepthPassTexts {
  std::string surfaceZ = "0", finalZ = "-3", step = "1", plungeFeed = "100", safeZ = "5";
  std::string tabs = "0", tabWidth = "5", tabHeight = "1";
};

struct BoltCircleTexts {
  std::string count = "4", radius = "20", startAngle = "0";
};

// "İşaretçi Kaçıklığı (Pointer offset)": ΔX and ΔY in the readouts' units, and
// whether points are taught with the pointer. `measure`: the operator pressed
// "Ölç (Measure)", which closes the dialog for the two steps of measuring.
struct PointerTexts {
  std::string dx = "0", dy = "0";
  bool teach = false;
};
struct PointerAnswer {
  PointerTexts texts;
  bool measure = false;
};

// "Takım Yarıçapı Kadar Kaydır (Offset by tool radius)".
struct ToolRadiusTexts {
  std::string diameter = "6";
  bool inside = false;  // closed contours: inside, else outside
  bool right = false;   // open contours: right of the travel, else left
  std::string safeZ;    // starts at the highest Z the program reaches
};

// "Satırdan Yeniden Başlat (Restart at this line)": what the dialog shows of
// the line and the state there, and the texts typed, in the program's units.
struct RestartTexts {
  std::string safeZ, plungeFeed, spindleWait = "3";
  bool toolChange = false;
  bool fromMachine = false;  // from where the machine stands on the line, not the line's start
};
struct RestartStart {
  std::string line;   // "line N of M" and the line's text
  std::string state;  // the tool, spindle, coolant, units and offsets there, in words
  std::string units;
  bool fromMachineOffered = false;  // the machine stands on the line's path
  RestartTexts texts;
};

// "Parçaya Hizala (Align to the part)": the edge's angle and the part's
// corner as measured, which the operator may correct; "Döndür (Rotate)": an
// angle about a point; "Aynala (Mirror)": about X = value or Y = value.
struct AlignTexts {
  std::string degrees, x, y;
};
struct RotateTexts {
  std::string degrees = "0", x = "0", y = "0";
};
struct MirrorTexts {
  bool acrossY = false;  // about the line Y = value, else X = value
  std::string value = "0";
};

class CopyDialogs {
 public:
  virtual ~CopyDialogs() = default;
  // Nothing when the operator cancels.
  virtual std::optional<MoveRequest> AskMove(const std::string& units) = 0;
  virtual std::optional<GridRequest> AskGrid(const GridStart& start) = 0;
  virtual std::optional<DepthPassTexts> AskDepthPasses(const DepthPassTexts& start, const std::string& units) = 0;
  virtual std::optional<DrillSettings> AskDrilling(const DrillSettings& now, const std::string& units) = 0;
  virtual std::optional<BoltCircleTexts> AskBoltCircle(const std::string& units) = 0;
  virtual std::optional<PointerAnswer> AskPointer(const PointerTexts& now) = 0;
  // The diameter and the sides kept from the last time; safe Z from `start`.
  virtual std::optional<ToolRadiusTexts> AskToolRadius(const ToolRadiusTexts& start, const std::string& units) = 0;
  virtual std::optional<RestartTexts> AskRestart(const RestartStart& start) = 0;
  virtual std::optional<AlignTexts> AskAlign(const AlignTexts& measured, const std::string& units) = 0;
  virtual std::optional<RotateTexts> AskRotate(const std::string& units) = 0;
  virtual std::optional<MirrorTexts> AskMirror(const std::string& units) = 0;
};

inline constexpr const char* kCopyMenuCaption = "Programı Çoğalt (Copy the program)";
inline constexpr const char* kMoveCaption = "Taşı... (Move...)";
inline constexpr const char* kGridCaption = "Dizi... (Repeat in a grid...)";
inline constexpr const char* kRelativeCaption = "Göreli Yap (Make relative)";
inline constexpr const char* kDepthPassesCaption = "Derinlik Pasoları... (Depth passes...)";
inline constexpr const char* kToolRadiusCaption = "Takım Yarıçapı Kadar Kaydır... (Offset by tool radius...)";
inline constexpr const char* kAlignCaption = "Parçaya Hizala... (Align to the part...)";
inline constexpr const char* kRotateCaption = "Döndür... (Rotate...)";
inline constexpr const char* kMirrorCaption = "Aynala... (Mirror...)";
inline constexpr const char* kRestartCaption = "Satırdan Yeniden Başlat... (Restart at this line...)";

}  // namespace kestrom
