// Owners of the GDI and USER handles the windows draw and measure with; the
// kernel handles' owners are in platform/win32/scoped_handle.h.
#pragma once

#include <windows.h>

#include "platform/win32/scoped_handle.h"

namespace tk::win32 {

using lorvane::win32::Owned;

// A window's device context, from GetDC until the end of the scope.
class ScopedGetDC {
public:
    explicit ScopedGetDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~ScopedGetDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    operator HDC() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A window's painting: BeginPaint now, EndPaint at the end of the scope, which
// validates what was to be painted even when the painting was cut short.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {}
    ~ScopedPaint() { EndPaint(hwnd_, &paint_); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    operator HDC() const { return dc_; }
    // The part of the client area to be painted.
    const RECT& area() const { return paint_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An object selected into a device context; the one it replaced comes back at the end of the scope.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelectObject() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

struct DeleteMemoryDC : lorvane::win32::NullMeansNone<HDC> {
    static void close(HDC dc) { DeleteDC(dc); }
};
// A memory device context of CreateCompatibleDC.
using AutoDeleteDC = Owned<HDC, DeleteMemoryDC>;

template <class Object>
struct DeleteGdiObject : lorvane::win32::NullMeansNone<Object> {
    static void close(Object object) { DeleteObject(object); }
};
// Fonts, pens, brushes and bitmaps the program made itself (never stock objects).
template <class Object>
using ScopedGdiObj = Owned<Object, DeleteGdiObject<Object>>;
using AutoDeleteFont = ScopedGdiObj<HFONT>;
using AutoDeletePen = ScopedGdiObj<HPEN>;
using AutoDeleteBrush = ScopedGdiObj<HBRUSH>;
using AutoDeleteBitmap = ScopedGdiObj<HBITMAP>;

struct DestroyIconHandle : lorvane::win32::NullMeansNone<HICON> {
    static void close(HICON icon) { DestroyIcon(icon); }
};
// An icon the caller must destroy: the shell's (SHGetFileInfo), or LoadImage's without LR_SHARED.
using AutoDestroyIcon = Owned<HICON, DestroyIconHandle>;

}  // namespace tk::win32
