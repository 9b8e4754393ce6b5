// "Yol Görünümü (Path view)": a picture of the program box's path, kept up to
// date as lines come. The model decides what is drawn where; the window paints
// it through a PathCanvas and shows it through a PathSurface.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "teach/program_path.h"
#include "window/path_geometry.h"
#include "window/program_box.h"

namespace kestrom {

inline constexpr const char* kPathViewCaption = "Yol Görünümü (Path view)";

enum class Ink { Background, Grid, Origin, Off, On, Rapid, LastPoint, Machine, Label, Via, CaretLine, Hole };
inline constexpr size_t kInkCount = 12;
struct InkStyle {
  uint8_t red, green, blue;
  int widthAt96;  // pen width in pixels at 96 dpi
  bool dashed;
};
const InkStyle& StyleOf(Ink ink);
Ink InkOf(MoveKind kind);  // Jump: Ink::Background, nothing is drawn

// The strip above the drawing with the projection buttons, in pixels at 96 dpi;
// a button for each of kProjections, left to right.
inline constexpr int kStripAt96 = 28;
inline constexpr int kButtonLeftAt96 = 4, kButtonTopAt96 = 3, kButtonWidthAt96 = 40, kButtonHeightAt96 = 22,
                     kButtonStepAt96 = 44;
inline constexpr int kGridMinAt96 = 24;  // pixels at least between two grid lines

struct PixelPoint {
  int x = 0, y = 0;
};

class PathCanvas {
 public:
  virtual ~PathCanvas() = default;
  virtual void Fill(const PixelRect& rect, Ink ink) = 0;
  virtual void Polyline(const PixelPoint* points, size_t count, Ink ink) = 0;
  virtual void Dot(PixelPoint centre, int radius, Ink ink) = 0;   // filled
  virtual void Ring(PixelPoint centre, int radius, Ink ink) = 0;  // outline
  virtual void Label(PixelPoint bottomLeft, const std::string& text, Ink ink) = 0;
};

// The view's window as the model sees it.
class PathSurface {
 public:
  virtual ~PathSurface() = default;
  virtual void Open() = 0;   // shown at its remembered place; tells Resize its drawing area
  virtual void Close() = 0;
  // The picture changed: the window calls Render on its picture and repaints what it returns.
  virtual void Update() = 0;
};

class PathView : public ProgramListener {
 public:
  explicit PathView(PathSurface* surface) : surface_(surface) {}
  bool open() const { return open_; }
  // Reads the whole program and shows the window; Close drops the points.
  void Open(std::string_view program);
  void Close();

  void Appended(std::string_view piece) override;  // text added at the end, starting with its line break
  void Replaced(std::string_view program) override;
  // Where the machine stands, from the recorder's readouts; nullopt: not known.
  void MachineAt(std::optional<PathPoint> position);
  // An arc's via point taken and not yet used; the point of the caret's line.
  void MarkVia(std::optional<PathPoint> position);
  void MarkCaretLine(std::optional<PathPoint> position);
  // Where the machine stands once the whole program has run, as read so far (open view only).
  PathPoint EndOfProgram() const { return ToPathPoint(reader_.at()); }

  // The drawing area in the window's pixels, and the screen's resolution.
  void Resize(const PixelRect& area, int dpi);
  void SetProjection(Projection projection);
  Projection projection() const { return projection_; }

  // Brings the picture (background, grid and path) up to date: all of it after a
  // change of the whole, else only the segments added since. Returns the pixels
  // that changed, markers included.
  PixelRect Render(PathCanvas& picture);
  // The grid's label (in the strip above the area) and the markers, over the picture.
  // Only what reaches into `within` is painted.
  void PaintMarkers(PathCanvas& canvas, const PixelRect& within) const;

  const ViewFit& fit() const { return fit_; }
  size_t pointCount() const { return points_.size(); }  // the start at the origin included
  int Scaled(int pixelsAt96) const;
  // What the strip says beside the grid: where and why drawing stops, or that
  // cutter compensation is in the program and the path shown is the programmed one.
  std::string StatusText() const;
  // A note the strip always shows after the grid (teaching with the pointer).
  void SetNote(std::string note);

 private:
  void Changed();
  void Mark(std::optional<PathPoint>& marker, std::optional<PathPoint> position);
  void PaintAll(PathCanvas& picture);
  PixelRect PaintNew(PathCanvas& picture);
  PixelRect MarkersRect() const;
  PixelPoint ToPixel(const PathPoint& p) const;
  // Each hole from `from` on, ringed where the XY view looks down on it; the pixels it took.
  PixelRect RingHoles(PathCanvas& picture, size_t from);

  PathSurface* surface_;
  bool open_ = false;
  Projection projection_ = Projection::XY;
  PixelRect area_{0, 0, 1, 1};
  int dpi_ = 96;
  std::vector<PathPoint> points_;
  PathReader reader_;
  std::optional<PathPoint> machine_, via_, caretLine_;
  Bounds bounds_;
  ViewFit fit_;
  double grid_ = 1;
  std::string note_;
  bool whole_ = true;       // the picture is to be painted again whole
  size_t painted_ = 0;      // points already in the picture
  size_t holesPainted_ = 0;  // holes already ringed in the picture
  PixelRect markersShown_;  // where the markers were when last rendered
  std::vector<PixelF> run_;  // scratch, kept for its capacity
  std::vector<PixelF> reduced_;
  std::vector<PixelPoint> pixels_;
};

}  // namespace kestrom
