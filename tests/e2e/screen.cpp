#include <algorithm>

#include "driver_internal.h"

namespace e2e {

using namespace detail;

int inkedRows(const Window& window) {
    RECT client{};
    GetClientRect(window.handle(), &client);
    POINT origin{0, 0};
    ClientToScreen(window.handle(), &origin);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return 0;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP image = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, image);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
    int rows = 0;
    if (copied && bits) {
        const auto* pixels = static_cast<const unsigned char*>(bits);
        for (int y = 0; y < height; ++y) {
            const unsigned char* line = pixels + 4 * static_cast<size_t>(y) * static_cast<size_t>(width);
            for (int x = 0; x < width; ++x) {
                const unsigned char* p = line + 4 * x;
                if (p[0] + p[1] + p[2] < 3 * 96) {
                    ++rows;
                    break;
                }
            }
        }
    }
    SelectObject(memory, old);
    DeleteObject(image);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) throw DriverError("cannot read the screen under " + window.describe());
    return rows;
}

std::string screenshotFolder() {
    return utf8(environment(L"LORVANE_SCREENSHOTS"));
}

std::optional<std::string> screenshot(const Window& window, const std::string& name) {
    const std::wstring folder = environment(L"LORVANE_SCREENSHOTS");
    if (folder.empty()) return std::nullopt;
    if (folder.front() != L'/' || folder.find_first_of(L"'\"") != std::wstring::npos)
        throw DriverError("LORVANE_SCREENSHOTS must be an absolute Unix path without quotes: " + utf8(folder));
    const std::wstring file = folder + L"/" + fromUtf8(name) + L".png";
    const std::wstring part = folder + L"/." + fromUtf8(name) + L".part.png";
    DeleteFileW(windowsPath(file).c_str());

    // What Wine has drawn reaches the X display a moment after the program painted it.
    pause(300ms);
    const RECT r = window.rect();
    const LONG left = std::max<LONG>(r.left, 0), top = std::max<LONG>(r.top, 0);
    const std::wstring geometry = std::to_wstring(r.right - left) + L"x" + std::to_wstring(r.bottom - top) + L"+" +
                                  std::to_wstring(left) + L"+" + std::to_wstring(top);
    // Wine starts a Unix program like a Windows one, but its process cannot be
    // waited for: the file appears, whole, when it is done.
    std::wstring command = L"/bin/sh -c \"mkdir -p '" + folder + L"' && import -window root -crop " + geometry +
                           L" +repage '" + part + L"' && mv -f '" + part + L"' '" + file + L"'\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        throw DriverError("cannot start /bin/sh for a screenshot: error " + std::to_string(GetLastError()));
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    waitUntil("the screenshot " + utf8(file) + " (ImageMagick's import on $DISPLAY)", 20s,
              [&] { return GetFileAttributesW(windowsPath(file).c_str()) != INVALID_FILE_ATTRIBUTES; });
    return utf8(file);
}

}  // namespace e2e
