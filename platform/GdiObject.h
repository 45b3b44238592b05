// Owners for GDI objects and for their selection into a device context.
#pragma once

#include <windows.h>

// Deletes the pen, brush or font it holds when it goes.
template <class Handle>
class TGdiObject {
 public:
  explicit TGdiObject(Handle handle = nullptr) : handle_(handle) {}
  ~TGdiObject() { Reset(); }
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;

  void Reset(Handle handle = nullptr) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
  }
  Handle Get() const { return handle_; }

 private:
  Handle handle_;
};

// Selects an object into a device context and puts the old one back.
class TSelected {
 public:
  TSelected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~TSelected() { SelectObject(dc_, old_); }
  TSelected(const TSelected&) = delete;
  TSelected& operator=(const TSelected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A window's device context for the length of a scope.
class TWindowDC {
 public:
  explicit TWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~TWindowDC() { ReleaseDC(window_, dc_); }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint and EndPaint around the painting of a window, EndPaint also
// when the painting raises an error (else WM_PAINT would come forever).
class TPaintScope {
 public:
  explicit TPaintScope(HWND window) : window_(window) { BeginPaint(window, &paint_); }
  ~TPaintScope() { EndPaint(window_, &paint_); }
  TPaintScope(const TPaintScope&) = delete;
  TPaintScope& operator=(const TPaintScope&) = delete;
  HDC Get() const { return paint_.hdc; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
};
