// The one window-procedure shape of both programs' windows: the object given to
// CreateWindowExW is stored at WM_NCCREATE, its handle set then, and every
// message forwarded to its Handle member.
#pragma once
#include <windows.h>

namespace kestrom::win32 {

template <class Window>
class WindowProcedure {
 protected:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      auto* created = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
      created->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->Handle(msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
  }
  HWND hwnd_ = nullptr;
};

}  // namespace kestrom::win32
