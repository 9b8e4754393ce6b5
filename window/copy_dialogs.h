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
  virtual std::optional<ToolRadiusTexts> AskToolRadius(const std::string& units) = 0;
};

inline constexpr const char* kCopyMenuCaption = "Programı Çoğalt (Copy the program)";
inline constexpr const char* kMoveCaption = "Taşı... (Move...)";
inline constexpr const char* kGridCaption = "Dizi... (Repeat in a grid...)";
inline constexpr const char* kRelativeCaption = "Göreli Yap (Make relative)";
inline constexpr const char* kDepthPassesCaption = "Derinlik Pasoları... (Depth passes...)";
inline constexpr const char* kToolRadiusCaption = "Takım Yarıçapı Kadar Kaydır... (Offset by tool radius...)";

}  // namespace kestrom
