// What the benchmarks share: a precise clock, the viewer's title, and the lines
// of a backup log that lists every file it copied.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "app/program.h"
#include "platform/platform_system_access.h"

namespace bench {

// The toolkit, host and system access as the program wires them at start.
inline void startAsTheProgram() {
    tk::initialize(lorvane::programInfo());
    static lorvane::ProgramHost host;
    lorvane::setHost(&host);
    lorvane::setSystemAccess(&lorvane::platformSystemAccess());
}

inline constexpr wchar_t kViewerTitle[] = L"Lorvane - ﾛｸﾞﾌｧｲﾙの確認";

inline double seconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

inline std::wstring twoDigits(std::size_t n) {
    return (n < 10 ? L"0" : L"") + std::to_wstring(n);
}

// Line i of the log, ended by CR LF.
inline std::wstring logLine(std::size_t i) {
    static const wchar_t* const folders[] = {L"経理", L"営業部", L"ﾃﾞｰﾀ", L"プロジェクト", L"写真", L"共有"};
    std::wstring number = std::to_wstring(i);
    number.insert(0, number.size() < 7 ? 7 - number.size() : 0, L'0');
    return L"2026/12/07 " + twoDigits(2 + i / 3600 % 20) + L":" + twoDigits(i / 60 % 60) + L":" +
           twoDigits(i % 60) + L"  C:\\DATA\\" + folders[i % 6] + L"\\資料_" + number + L".xlsx  " +
           std::to_wstring(i * 7919 % 10000000) + L" バイト  コピーしました\r\n";
}

}  // namespace bench
