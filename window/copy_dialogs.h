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

class CopyDialogs {
 public:
  virtual ~CopyDialogs() = default;
  // Nothing when the operator cancels.
  virtual std::optional<MoveRequest> AskMove(const std::string& units) = 0;
  virtual std::optional<GridRequest> AskGrid(const GridStart& start) = 0;
  virtual std::optional<DepthPassTexts> AskDepthPasses(const DepthPassTexts& start, const std::string& units) = 0;
  virtual std::optional<DrillSettings> AskDrilling(const DrillSettings& now, const std::string& units) = 0;
  virtual std::optional<BoltCircleTexts> AskBoltCircle(const std::string& units) = 0;
};

inline constexpr const char* kCopyMenuCaption = "Programı Çoğalt (Copy the program)";
inline constexpr const char* kMoveCaption = "Taşı... (Move...)";
inline constexpr const char* kGridCaption = "Dizi... (Repeat in a grid...)";
inline constexpr const char* kRelativeCaption = "Göreli Yap (Make relative)";
inline constexpr const char* kDepthPassesCaption = "Derinlik Pasoları... (Depth passes...)";

}  // namespace kestrom
