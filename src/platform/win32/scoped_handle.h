// Owners of Win32 handles: each holds one handle and releases it once, when it
// goes out of scope, so that no early return or exception can leak it.
#pragma once

#include <windows.h>

#include <utility>

namespace lorvane::win32 {

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

}  // namespace lorvane::win32
