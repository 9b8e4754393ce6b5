// The path view as a real window: owned by the main window, so it follows it
// in the stacking order. It keeps the picture in a bitmap, paints only what
// changed through a second one (no flicker), and its place while Kestrom runs.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "machine/win32/raii.h"
#include "window/path_view.h"
#include "window/win32/window_procedure.h"

namespace kestrom::win32 {

// A bitmap of the window's size with its own device context.
struct OffscreenBitmap {
  MemoryDc dc;
  GdiObject<HBITMAP> bitmap;
  std::optional<Selected> selected;  // destroyed first: the bitmap leaves the DC before either goes
  void Make(HDC like, int width, int height);
  void Release();
};

class PathViewWindow : public WindowProcedure<PathViewWindow>, public PathSurface {
 public:
  static constexpr const wchar_t* kClassName = L"KestromPathView";
  explicit PathViewWindow(HINSTANCE instance) : instance_(instance) {}
  PathViewWindow(const PathViewWindow&) = delete;
  PathViewWindow& operator=(const PathViewWindow&) = delete;
  ~PathViewWindow() override;

  // `closed`: the operator closed the window with its own close box.
  void Attach(HWND owner, PathView* view, std::function<void()> closed);
  HWND hwnd() const { return hwnd_; }

  void Open() override;
  void Close() override;
  void Update() override;

 private:
  friend class WindowProcedure<PathViewWindow>;
  friend class GdiCanvas;
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Resized();
  void Paint();
  void ShowProjection();
  int Scaled(int pixelsAt96) const { return MulDiv(pixelsAt96, dpi_, 96); }

  HINSTANCE instance_;
  HWND owner_ = nullptr;
  PathView* view_ = nullptr;
  std::function<void()> closed_;
  int dpi_ = 96;
  std::optional<WINDOWPLACEMENT> placement_;  // where the operator left it last
  std::array<HWND, 3> buttons_{};
  OffscreenBitmap picture_, compose_;
  int width_ = 0, height_ = 0;
  GdiObject<HFONT> font_;
  std::array<GdiObject<HPEN>, kInkCount> pens_;
  std::array<GdiObject<HBRUSH>, kInkCount> brushes_;
  std::vector<POINT> points_;  // scratch for Polyline
};

}  // namespace kestrom::win32
