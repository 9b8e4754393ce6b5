#include "window/win32/path_view_window.h"

#include "machine/win32/text_win32.h"

namespace kestrom::win32 {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int kFirstButtonId = 1;
constexpr int kWidthAt96 = 480, kHeightAt96 = 420, kMinWidthAt96 = 220, kMinHeightAt96 = 180;

COLORREF ColourOf(Ink ink) {
  const InkStyle& s = StyleOf(ink);
  return RGB(s.red, s.green, s.blue);
}

}  // namespace

void OffscreenBitmap::Make(HDC like, int width, int height) {
  selected.reset();
  bitmap = GdiObject<HBITMAP>(CreateCompatibleBitmap(like, std::max(1, width), std::max(1, height)));
  if (!dc.get()) dc = MemoryDc(CreateCompatibleDC(like));
  if (dc.get() && bitmap.get()) selected.emplace(dc.get(), bitmap.get());
}

void OffscreenBitmap::Release() {
  selected.reset();
  bitmap = GdiObject<HBITMAP>();
  dc = MemoryDc();
}

// Paints the model's strokes into one of the window's bitmaps.
class GdiCanvas : public PathCanvas {
 public:
  GdiCanvas(PathViewWindow& window, HDC dc) : w_(window), dc_(dc) {}
  void Fill(const PixelRect& r, Ink ink) override {
    const RECT rect{r.left, r.top, r.right, r.bottom};
    FillRect(dc_, &rect, w_.brushes_[static_cast<int>(ink)].get());
  }
  void Polyline(const PixelPoint* p, size_t n, Ink ink) override {
    w_.points_.resize(n);
    for (size_t i = 0; i < n; ++i) w_.points_[i] = {p[i].x, p[i].y};
    const Selected pen(dc_, w_.pens_[static_cast<int>(ink)].get());
    ::Polyline(dc_, w_.points_.data(), static_cast<int>(n));
  }
  void Dot(PixelPoint c, int r, Ink ink) override {
    const Selected pen(dc_, w_.pens_[static_cast<int>(ink)].get());
    const Selected brush(dc_, w_.brushes_[static_cast<int>(ink)].get());
    Ellipse(dc_, c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
  }
  void Ring(PixelPoint c, int r, Ink ink) override {
    const Selected pen(dc_, w_.pens_[static_cast<int>(ink)].get());
    const Selected brush(dc_, GetStockObject(NULL_BRUSH));
    Ellipse(dc_, c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
  }
  void Label(PixelPoint at, const std::string& text, Ink ink) override {
    const Selected font(dc_, w_.font_.get() ? static_cast<HGDIOBJ>(w_.font_.get()) : GetStockObject(DEFAULT_GUI_FONT));
    SetTextAlign(dc_, TA_LEFT | TA_BOTTOM);
    SetTextColor(dc_, ColourOf(ink));
    SetBkMode(dc_, TRANSPARENT);
    const std::wstring wide = Widen(text);
    TextOutW(dc_, at.x, at.y, wide.c_str(), static_cast<int>(wide.size()));
  }

 private:
  PathViewWindow& w_;
  HDC dc_;
};

PathViewWindow::~PathViewWindow() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

void PathViewWindow::Attach(HWND owner, PathView* view, std::function<void()> closed) {
  owner_ = owner;
  view_ = view;
  closed_ = std::move(closed);
}

void PathViewWindow::Open() {
  if (hwnd_ || !view_) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Procedure;
  wc.hInstance = instance_;
  wc.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32515));  // the cross: a drawing to look at
  wc.lpszClassName = kClassName;
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;

  {
    const WindowDc screen(nullptr);
    dpi_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
    if (dpi_ <= 0) dpi_ = 96;
  }
  for (int i = 0; i < static_cast<int>(pens_.size()); ++i) {
    const Ink ink = static_cast<Ink>(i);
    const InkStyle& s = StyleOf(ink);
    // A dashed pen draws only one pixel wide; the wider inks stay solid.
    pens_[i] =
        GdiObject<HPEN>(CreatePen(s.dashed ? PS_DOT : PS_SOLID, s.dashed ? 1 : Scaled(s.widthAt96), ColourOf(ink)));
    brushes_[i] = GdiObject<HBRUSH>(CreateSolidBrush(ColourOf(ink)));
  }
  font_ = GdiObject<HFONT>(CreateFontW(-MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                       TURKISH_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                       DEFAULT_PITCH | FF_DONTCARE, L"Arial"));

  // The first time beside the main window, on its right where the screen has room.
  RECT main{};
  GetWindowRect(owner_, &main);
  const int width = Scaled(kWidthAt96), height = Scaled(kHeightAt96);
  int left = main.right;
  if (left + width > GetSystemMetrics(SM_CXVIRTUALSCREEN)) left = std::max<int>(0, main.left + Scaled(40));
  hwnd_ = CreateWindowExW(0, kClassName, Widen(kPathViewCaption).c_str(), kStyle, left, main.top, width, height,
                          owner_, nullptr, instance_, this);
  if (!hwnd_) return;
  for (size_t i = 0; i < buttons_.size(); ++i) {
    buttons_[i] = CreateWindowExW(
        0, L"BUTTON", Widen(kProjections[i].caption).c_str(),
        WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | BS_PUSHLIKE | (i == 0 ? WS_GROUP : 0),
        Scaled(kButtonLeftAt96 + static_cast<int>(i) * kButtonStepAt96), Scaled(kButtonTopAt96),
        Scaled(kButtonWidthAt96), Scaled(kButtonHeightAt96), hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstButtonId + i)), instance_, nullptr);
    SendMessageW(buttons_[i], WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  }
  ShowProjection();
  if (placement_) {
    placement_->showCmd = placement_->showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNOACTIVATE;
    SetWindowPlacement(hwnd_, &*placement_);
  } else {
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);  // the keys stay where they were
  }
  // CreateWindowExW's WM_SIZE, and SetWindowPlacement's when the place changes it,
  // made the bitmaps and the picture: no second whole picture here.
  if (!picture_.selected) Resized();
  UpdateWindow(hwnd_);
}

void PathViewWindow::Close() {
  if (!hwnd_) return;
  WINDOWPLACEMENT place{};
  place.length = sizeof place;
  if (GetWindowPlacement(hwnd_, &place)) placement_ = place;
  DestroyWindow(hwnd_);
}

void PathViewWindow::Update() {
  if (!hwnd_ || !view_ || !picture_.selected) return;
  GdiCanvas canvas(*this, picture_.dc.get());
  const PixelRect changed = view_->Render(canvas);
  if (changed.empty()) return;
  const RECT rect{changed.left, changed.top, changed.right, changed.bottom};
  InvalidateRect(hwnd_, &rect, FALSE);
}

void PathViewWindow::Resized() {
  RECT client{};
  GetClientRect(hwnd_, &client);
  width_ = client.right;
  height_ = client.bottom;
  {
    const WindowDc dc(hwnd_);
    picture_.Make(dc.get(), width_, height_);
    compose_.Make(dc.get(), width_, height_);
  }
  if (view_) view_->Resize({0, std::min(Scaled(kStripAt96), height_), width_, height_}, dpi_);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void PathViewWindow::ShowProjection() {
  for (size_t i = 0; i < buttons_.size(); ++i)
    SendMessageW(buttons_[i], BM_SETCHECK,
                 view_ && view_->projection() == kProjections[i].projection ? BST_CHECKED : BST_UNCHECKED, 0);
}

// The picture and the markers meet in the second bitmap, and only the part
// Windows asks for reaches the screen.
void PathViewWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  const RECT& r = ps.rcPaint;
  if (view_ && picture_.selected && compose_.selected) {
    HDC compose = compose_.dc.get();
    const int strip = std::min(Scaled(kStripAt96), height_);
    if (r.top < strip) {
      const RECT top{r.left, r.top, r.right, std::min<LONG>(r.bottom, strip)};
      FillRect(compose, &top, GetSysColorBrush(COLOR_BTNFACE));
    }
    if (r.bottom > strip) {
      const int top = std::max<int>(r.top, strip);
      BitBlt(compose, r.left, top, r.right - r.left, r.bottom - top, picture_.dc.get(), r.left, top, SRCCOPY);
    }
    GdiCanvas canvas(*this, compose);
    const GdiObject<HRGN> clip(CreateRectRgn(r.left, r.top, r.right, r.bottom));
    SelectClipRgn(compose, clip.get());
    view_->PaintMarkers(canvas, {r.left, r.top, r.right, r.bottom});
    SelectClipRgn(compose, nullptr);
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, compose, r.left, r.top, SRCCOPY);
  } else {
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  }
  EndPaint(hwnd_, &ps);
}

LRESULT PathViewWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  const HWND self = hwnd_;
  switch (msg) {
    case WM_SIZE:
      if (wp != SIZE_MINIMIZED) Resized();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // all of the window is painted in WM_PAINT: nothing flickers
    case WM_PAINT:
      Paint();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      info->ptMinTrackSize = {Scaled(kMinWidthAt96), Scaled(kMinHeightAt96)};
      return 0;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      if (HIWORD(wp) == BN_CLICKED && view_ && id >= kFirstButtonId &&
          id < kFirstButtonId + static_cast<int>(buttons_.size())) {
        view_->SetProjection(kProjections[id - kFirstButtonId].projection);
        ShowProjection();
      }
      return 0;
    }
    case WM_CLOSE:
      if (closed_) closed_();  // the model closes the view, and the menu's check goes
      else Close();
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      buttons_ = {};
      picture_.Release();
      compose_.Release();
      break;
    default:
      break;
  }
  return DefWindowProcW(self, msg, wp, lp);
}

}  // namespace kestrom::win32
