// Owners of Win32 handles: each holds one handle and releases it once, when it
// goes out of scope, so that no early return or exception can leak it. Kernel
// handles (files, pipes, processes) first, then the GDI and USER handles the
// windows draw and measure with.
#pragma once

#include <windows.h>

#include <utility>

namespace tk::win32 {

// One handle and the call that lets go of it. Move-only: a handle has one owner.
// Release says how to close a handle and which value means "none".
template <class Handle, class Release>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    operator Handle() const { return handle_; }
    Handle get() const { return handle_; }
    bool valid() const { return Release::valid(handle_); }

    // Hands the handle over to the caller, who closes it now.
    Handle release() { return std::exchange(handle_, Release::none()); }
    void reset(Handle handle = Release::none()) {
        if (Release::valid(handle_)) Release::close(handle_);
        handle_ = handle;
    }
    // For a call that returns the handle through a pointer (CreatePipe).
    Handle* receive() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Release::none();
};

// For the kinds of handle whose "none" is NULL.
template <class Handle>
struct NullMeansNone {
    static Handle none() { return nullptr; }
    static bool valid(Handle h) { return h != nullptr; }
};

// Kernel objects: files, pipes, processes, threads. CreateFile's failure is
// INVALID_HANDLE_VALUE, most other calls' is NULL; neither is closed.
struct CloseKernelHandle : NullMeansNone<HANDLE> {
    static bool valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
using AutoCloseHandle = Owned<HANDLE, CloseKernelHandle>;

// A directory search of FindFirstFile, whose failure is INVALID_HANDLE_VALUE.
struct CloseFind {
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { FindClose(h); }
};
using AutoFindClose = Owned<HANDLE, CloseFind>;


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

struct DeleteMemoryDC : NullMeansNone<HDC> {
    static void close(HDC dc) { DeleteDC(dc); }
};
// A memory device context of CreateCompatibleDC.
using AutoDeleteDC = Owned<HDC, DeleteMemoryDC>;

template <class Object>
struct DeleteGdiObject : NullMeansNone<Object> {
    static void close(Object object) { DeleteObject(object); }
};
// Fonts, pens, brushes and bitmaps the program made itself (never stock objects).
template <class Object>
using ScopedGdiObj = Owned<Object, DeleteGdiObject<Object>>;
using AutoDeleteFont = ScopedGdiObj<HFONT>;
using AutoDeleteBitmap = ScopedGdiObj<HBITMAP>;

struct DestroyIconHandle : NullMeansNone<HICON> {
    static void close(HICON icon) { DestroyIcon(icon); }
};
// An icon the caller must destroy: the shell's (SHGetFileInfo), or LoadImage's without LR_SHARED.
using AutoDestroyIcon = Owned<HICON, DestroyIconHandle>;

}  // namespace tk::win32
