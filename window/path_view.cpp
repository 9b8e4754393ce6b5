#include "window/path_view.h"

#include <algorithm>
#include <cmath>

namespace kestrom {
namespace {

// Feed moves with the spindle on stand out (warm, heavier); with it off they are
// a thin blue, rapids a grey dash: what a machinist knows from toolpath views.
const InkStyle kStyles[] = {
    {255, 255, 255, 1, false},  // Background
    {228, 228, 228, 1, false},  // Grid
    {96, 96, 96, 1, false},     // Origin
    {40, 90, 200, 1, false},    // Off
    {220, 50, 20, 2, false},    // On
    {150, 150, 150, 1, true},   // Rapid
    {0, 150, 0, 1, false},      // LastPoint
    {190, 0, 190, 1, false},    // Machine
    {80, 80, 80, 1, false},     // Label
    {230, 140, 0, 2, false},    // Via: the arc's point taken, waiting for its end
    {0, 160, 200, 2, false},    // CaretLine: the point of the line the caret is on
    {0, 110, 60, 2, false},     // Hole: a drilling cycle's hole, seen from above
};
static_assert(sizeof kStyles / sizeof kStyles[0] == kInkCount, "a style for every ink");
constexpr double kReduceTolerance = 0.5;  // pixels: less than the eye can tell apart
constexpr int kLastPointRadiusAt96 = 4, kMachineRadiusAt96 = 7, kOriginArmAt96 = 10, kViaRadiusAt96 = 5,
              kCaretLineRadiusAt96 = 9, kHoleRadiusAt96 = 5;

bool Drawn(MoveKind kind) { return kind != MoveKind::Jump; }

// Far beyond any window, yet safe from overflow however far off a point lies.
int ToPixelInt(double value) { return static_cast<int>(std::lround(std::clamp(value, -1e7, 1e7))); }

}  // namespace

const InkStyle& StyleOf(Ink ink) { return kStyles[static_cast<int>(ink)]; }

Ink InkOf(MoveKind kind) {
  switch (kind) {
    case MoveKind::Off: return Ink::Off;
    case MoveKind::On: return Ink::On;
    case MoveKind::Rapid: return Ink::Rapid;
    case MoveKind::Jump: break;
  }
  return Ink::Background;
}

int PathView::Scaled(int pixelsAt96) const { return static_cast<int>(std::lround(pixelsAt96 * dpi_ / 96.0)); }

void PathView::Open(std::string_view program) {
  if (open_) return;
  open_ = true;
  Replaced(program);
  if (surface_) surface_->Open();
}

void PathView::Close() {
  if (!open_) return;
  open_ = false;
  if (surface_) surface_->Close();
  std::vector<PathPoint>().swap(points_);  // a long program's points are not held for a closed view
  reader_ = PathReader();                  // nor its text
  machine_.reset();
  via_.reset();
  caretLine_.reset();
}

void PathView::Appended(std::string_view piece) {
  if (!open_) return;
  const size_t before = points_.size();
  const bool stoppedBefore = !reader_.problem().empty();  // a reading once stopped stays stopped
  reader_.Read(piece, points_);
  if (!stoppedBefore && !reader_.problem().empty()) whole_ = true;  // the strip says why the drawing stops
  for (size_t i = before; i < points_.size(); ++i) {
    const Vec2 p = Project(points_[i], projection_);
    // A point beyond the bounds changes the fit: the whole picture again.
    if (!bounds_.Contains(p)) whole_ = true;
    bounds_.Add(p);
  }
  if (points_.size() != before || whole_) Changed();
}

void PathView::Replaced(std::string_view program) {
  if (!open_) return;
  reader_ = PathReader();
  points_.assign(1, PathPoint{0, 0, 0, MoveKind::Jump});  // where the machine starts
  reader_.Read(program, points_);
  whole_ = true;
  Changed();
}

std::string PathView::StatusText() const {
  if (!reader_.problem().empty())
    return note_ + "   Çizim burada duruyor (drawing stops here): " + reader_.problem();
  if (reader_.compensation())
    return note_ + "   G41/G42: programlanan yol gösteriliyor (cutter compensation: the path as programmed)";
  return note_;
}

void PathView::SetNote(std::string note) {
  if (note == note_) return;
  note_ = std::move(note);
  whole_ = true;  // the strip is painted with the whole picture
  Changed();
}

void PathView::Mark(std::optional<PathPoint>& marker, std::optional<PathPoint> position) {
  if (!open_) return;
  const bool same = position.has_value() == marker.has_value() &&
                    (!position || (position->x == marker->x && position->y == marker->y && position->z == marker->z));
  if (same) return;
  marker = position;
  Changed();
}

void PathView::MachineAt(std::optional<PathPoint> position) { Mark(machine_, position); }
void PathView::MarkVia(std::optional<PathPoint> position) { Mark(via_, position); }
void PathView::MarkCaretLine(std::optional<PathPoint> position) { Mark(caretLine_, position); }

void PathView::Resize(const PixelRect& area, int dpi) {
  area_ = area;
  dpi_ = dpi > 0 ? dpi : 96;
  whole_ = true;
  Changed();
}

void PathView::SetProjection(Projection projection) {
  if (projection == projection_) return;
  projection_ = projection;
  whole_ = true;
  Changed();
}

void PathView::Changed() {
  if (open_ && surface_) surface_->Update();
}

PixelPoint PathView::ToPixel(const PathPoint& p) const {
  const PixelF f = fit_.ToPixel(Project(p, projection_));
  return {ToPixelInt(f.x), ToPixelInt(f.y)};
}

PixelRect PathView::Render(PathCanvas& picture) {
  PixelRect changed;
  if (whole_) {
    PaintAll(picture);
    changed = {area_.left, 0, area_.right, area_.bottom};  // the strip's label too
  } else {
    changed = PaintNew(picture);
  }
  const PixelRect markers = MarkersRect();
  changed = Union(changed, Union(markersShown_, markers));
  markersShown_ = markers;
  return changed;
}

void PathView::PaintAll(PathCanvas& picture) {
  whole_ = false;
  bounds_ = Bounds();
  const ProjectionSpec& spec = SpecOf(projection_);
  for (const PathPoint& p : points_) bounds_.Add(Project(p, spec));
  fit_ = FitView(bounds_, area_, Scaled(kMarginAt96));
  grid_ = GridSpacing(fit_.scale, Scaled(kGridMinAt96));
  picture.Fill(area_, Ink::Background);

  // The grid over the whole area, on multiples of its spacing from the origin.
  const double firstU = std::ceil((area_.left - fit_.left) / fit_.scale / grid_);
  const double lastU = std::floor((area_.right - fit_.left) / fit_.scale / grid_);
  for (double k = firstU; k <= lastU; ++k) {
    const int x = ToPixelInt(fit_.left + k * grid_ * fit_.scale);
    const PixelPoint line[2] = {{x, area_.top}, {x, area_.bottom}};
    picture.Polyline(line, 2, Ink::Grid);
  }
  const double firstV = std::ceil((fit_.top - area_.bottom) / fit_.scale / grid_);
  const double lastV = std::floor((fit_.top - area_.top) / fit_.scale / grid_);
  for (double k = firstV; k <= lastV; ++k) {
    const int y = ToPixelInt(fit_.top - k * grid_ * fit_.scale);
    const PixelPoint line[2] = {{area_.left, y}, {area_.right, y}};
    picture.Polyline(line, 2, Ink::Grid);
  }
  const PixelPoint origin = ToPixel(PathPoint{});
  const int arm = Scaled(kOriginArmAt96);
  const PixelPoint across[2] = {{origin.x - arm, origin.y}, {origin.x + arm + 1, origin.y}};
  const PixelPoint up[2] = {{origin.x, origin.y - arm}, {origin.x, origin.y + arm + 1}};
  picture.Polyline(across, 2, Ink::Origin);
  picture.Polyline(up, 2, Ink::Origin);
  picture.Ring(origin, Scaled(3), Ink::Origin);

  // The path in runs of one ink, each reduced to what the pixels can show.
  size_t i = 1;
  while (i < points_.size()) {
    if (!Drawn(points_[i].kind)) {
      ++i;
      continue;
    }
    const MoveKind kind = points_[i].kind;
    run_.clear();
    run_.push_back(fit_.ToPixel(Project(points_[i - 1], spec)));
    for (; i < points_.size() && points_[i].kind == kind; ++i) run_.push_back(fit_.ToPixel(Project(points_[i], spec)));
    ReducePolyline(run_, kReduceTolerance, reduced_);
    pixels_.clear();
    for (const PixelF& f : reduced_) {
      const PixelPoint p{ToPixelInt(f.x), ToPixelInt(f.y)};
      if (pixels_.empty() || pixels_.back().x != p.x || pixels_.back().y != p.y) pixels_.push_back(p);
    }
    if (pixels_.size() == 1) pixels_.push_back(pixels_.front());  // a move shorter than a pixel is a dot
    picture.Polyline(pixels_.data(), pixels_.size(), InkOf(kind));
  }
  painted_ = points_.size();
  holesPainted_ = 0;
  RingHoles(picture, 0);
}

PixelRect PathView::RingHoles(PathCanvas& picture, size_t from) {
  PixelRect changed;
  const std::vector<PathPoint>& holes = reader_.holes();
  if (projection_ == Projection::XY) {
    const int r = Scaled(kHoleRadiusAt96), pen = Scaled(StyleOf(Ink::Hole).widthAt96) + 1;
    for (size_t i = from; i < holes.size(); ++i) {
      const PixelPoint at = ToPixel(holes[i]);
      picture.Ring(at, r, Ink::Hole);
      changed = Union(changed, {at.x - r - pen, at.y - r - pen, at.x + r + pen + 1, at.y + r + pen + 1});
    }
  }
  holesPainted_ = holes.size();
  return changed;
}

PixelRect PathView::PaintNew(PathCanvas& picture) {
  PixelRect changed;
  for (size_t i = std::max<size_t>(painted_, 1); i < points_.size(); ++i) {
    if (!Drawn(points_[i].kind)) continue;
    const PixelPoint segment[2] = {ToPixel(points_[i - 1]), ToPixel(points_[i])};
    picture.Polyline(segment, 2, InkOf(points_[i].kind));
    const int pen = Scaled(StyleOf(InkOf(points_[i].kind)).widthAt96) + 1;
    changed = Union(changed, {std::min(segment[0].x, segment[1].x) - pen, std::min(segment[0].y, segment[1].y) - pen,
                              std::max(segment[0].x, segment[1].x) + pen + 1,
                              std::max(segment[0].y, segment[1].y) + pen + 1});
  }
  painted_ = points_.size();
  return Union(changed, RingHoles(picture, holesPainted_));
}

PixelRect PathView::MarkersRect() const {
  PixelRect rect;
  auto around = [&](PixelPoint p, int radius) {
    rect = Union(rect, {p.x - radius - 1, p.y - radius - 1, p.x + radius + 2, p.y + radius + 2});
  };
  if (!points_.empty()) around(ToPixel(points_.back()), Scaled(kLastPointRadiusAt96));
  if (machine_) around(ToPixel(*machine_), Scaled(kMachineRadiusAt96));
  if (via_) around(ToPixel(*via_), Scaled(kViaRadiusAt96) + Scaled(2));
  if (caretLine_) around(ToPixel(*caretLine_), Scaled(kCaretLineRadiusAt96) + Scaled(2));
  return rect;
}

void PathView::PaintMarkers(PathCanvas& canvas, const PixelRect& within) const {
  // In the strip beside the projection buttons, where it covers no part of the path;
  // text is dear under Wine, so only when the strip is repainted.
  if (within.top < area_.top)
    canvas.Label({area_.left + Scaled(kButtonLeftAt96 + 3 * kButtonStepAt96 + 8), area_.top - Scaled(9)},
                 "Izgara (grid) " + SpacingText(grid_) + StatusText(), Ink::Label);
  if (!points_.empty()) canvas.Dot(ToPixel(points_.back()), Scaled(kLastPointRadiusAt96), Ink::LastPoint);
  if (caretLine_) canvas.Ring(ToPixel(*caretLine_), Scaled(kCaretLineRadiusAt96), Ink::CaretLine);
  if (via_) {  // a diamond: a point on an arc still to be drawn
    const PixelPoint v = ToPixel(*via_);
    const int r = Scaled(kViaRadiusAt96);
    const PixelPoint diamond[5] = {{v.x, v.y - r}, {v.x + r, v.y}, {v.x, v.y + r}, {v.x - r, v.y}, {v.x, v.y - r}};
    canvas.Polyline(diamond, 5, Ink::Via);
  }
  if (machine_) {
    const PixelPoint m = ToPixel(*machine_);
    const int r = Scaled(kMachineRadiusAt96);
    canvas.Ring(m, r, Ink::Machine);
    const PixelPoint across[2] = {{m.x - r, m.y}, {m.x + r + 1, m.y}};
    const PixelPoint up[2] = {{m.x, m.y - r}, {m.x, m.y + r + 1}};
    canvas.Polyline(across, 2, Ink::Machine);
    canvas.Polyline(up, 2, Ink::Machine);
  }
}

}  // namespace kestrom
