// RAII owners for every Win32 resource the programs hold: COM apartments and
// pointers, BSTRs, VARIANTs, kernel handles, GDI objects and device contexts.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace kestrom::win32 {

// COM for this thread, for as long as the object lives.
class ComApartment {
 public:
  ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComApartment() { CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

// A BSTR's text; a null BSTR is the empty text.
inline std::wstring BstrText(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes over a reference the caller already owns.
  static ComPtr Adopt(T* p) { ComPtr c; c.p_ = p; return c; }
  ComPtr(const ComPtr& o) : p_(o.p_) { if (p_) p_->AddRef(); }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }
  ~ComPtr() { if (p_) p_->Release(); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held first.
  T** put() { *this = nullptr; return &p_; }
  void** put_void() { return reinterpret_cast<void**>(put()); }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const std::wstring& s) : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
  Bstr& operator=(Bstr&& o) noexcept { std::swap(b_, o.b_); return *this; }
  ~Bstr() { SysFreeString(b_); }
  BSTR get() const { return b_; }
  BSTR* put() { SysFreeString(b_); b_ = nullptr; return &b_; }
  BSTR* address() { return &b_; }  // for by-reference arguments: keeps what is held
  std::wstring str() const { return BstrText(b_); }

 private:
  BSTR b_ = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&v_); }
  VARIANT* get() { return &v_; }
  const VARIANT& ref() const { return v_; }
  VARIANT* put() { VariantClear(&v_); return &v_; }

 private:
  VARIANT v_;
};

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept { std::swap(h_, o.h_); return *this; }
  ~UniqueHandle() { if (valid()) CloseHandle(h_); }
  HANDLE get() const { return h_; }
  bool valid() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
  // Gives the handle up, for a close whose result matters.
  HANDLE release() { return std::exchange(h_, nullptr); }

 private:
  HANDLE h_ = nullptr;
};

// A handle of type T that this program created and `Free` gives back.
template <class T, auto Free>
class Owned {
 public:
  Owned() = default;
  explicit Owned(T handle) : handle_(handle) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& o) noexcept : handle_(std::exchange(o.handle_, nullptr)) {}
  Owned& operator=(Owned&& o) noexcept { std::swap(handle_, o.handle_); return *this; }
  ~Owned() { if (handle_) Free(handle_); }
  T get() const { return handle_; }

 private:
  T handle_ = nullptr;
};

// A GDI object (font, brush, bitmap).
template <class T>
using GdiObject = Owned<T, &DeleteObject>;
// A memory device context, from CreateCompatibleDC.
using MemoryDc = Owned<HDC, &DeleteDC>;
using AcceleratorTable = Owned<HACCEL, &DestroyAcceleratorTable>;
// A menu of our own that no window owns, such as a right-click menu.
using PopupMenu = Owned<HMENU, &DestroyMenu>;

// A window's (or, for nullptr, the screen's) device context, released at the end.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() { if (dc_) ReleaseDC(window_, dc_); }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context for as long as this lives.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;
  ~Selected() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace kestrom::win32
