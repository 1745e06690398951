// Reads this program's own resources back through the Windows API, the way the
// Win32 backend reads lorvane.exe's, and checks them against version.h:
//     lorvane_resource_check version     the version information
//     lorvane_resource_check code-page   the ANSI and OEM code pages (932)
// The resource compiler turns the UTF-8 texts of lorvane.rc into UTF-16; without
// the script's code page it would mangle the Japanese company name.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "resource_ids.h"
#include "version.h"

namespace {

int failures = 0;

std::string codeUnits(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        char unit[8];
        std::snprintf(unit, sizeof unit, "%04X ", static_cast<unsigned>(c));
        out += unit;
    }
    return out;
}

void expectText(const wchar_t* key, const std::wstring& got, const std::wstring& want) {
    if (got == want) return;
    ++failures;
    std::printf("%ls: got   %s\n%*s  want  %s\n", key, codeUnits(got).c_str(),
                static_cast<int>(std::wcslen(key)), "", codeUnits(want).c_str());
}

void expectNumber(const char* what, unsigned got, unsigned want) {
    if (got == want) return;
    ++failures;
    std::printf("%s: got %u (0x%X), want %u (0x%X)\n", what, got, got, want, want);
}

int checkVersionInformation() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &unused);
    if (size == 0) {
        std::printf("no version information (error %lu)\n", GetLastError());
        return 1;
    }
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(path, 0, size, block.data())) {
        std::printf("GetFileVersionInfoW failed (error %lu)\n", GetLastError());
        return 1;
    }

    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        expectNumber("file version major", HIWORD(fixed->dwFileVersionMS), LORVANE_VERSION_MAJOR);
        expectNumber("file version minor", LOWORD(fixed->dwFileVersionMS), LORVANE_VERSION_MINOR);
        expectNumber("file version build", HIWORD(fixed->dwFileVersionLS), LORVANE_VERSION_BUILD);
        expectNumber("file version revision", LOWORD(fixed->dwFileVersionLS), LORVANE_VERSION_REVISION);
    } else {
        ++failures;
        std::printf("no fixed file information\n");
    }

    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
        const auto* translation = static_cast<const WORD*>(value);
        expectNumber("translation language", translation[0], 0x0411);
        expectNumber("translation code page", translation[1], 1200);
    } else {
        ++failures;
        std::printf("no translation\n");
    }

    const struct {
        const wchar_t* key;
        const wchar_t* want;
    } strings[] = {
        {L"CompanyName", LORVANE_WIDE(LORVANE_COMPANY_NAME)},
        {L"ProductName", LORVANE_WIDE(LORVANE_PRODUCT_NAME)},
        {L"FileDescription", LORVANE_WIDE(LORVANE_FILE_DESCRIPTION)},
        {L"FileVersion", LORVANE_WIDE(LORVANE_FILE_VERSION_STRING)},
        {L"ProductVersion", LORVANE_WIDE(LORVANE_PRODUCT_VERSION_STRING)},
    };
    for (const auto& entry : strings) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\041104b0\\") + entry.key;
        if (VerQueryValueW(block.data(), query.c_str(), &value, &length) && length > 0) {
            // The length counts the terminating null when the compiler stored one.
            std::wstring got(static_cast<const wchar_t*>(value), length);
            while (!got.empty() && got.back() == L'\0') got.pop_back();
            expectText(entry.key, got, entry.want);
        } else {
            ++failures;
            std::printf("%ls: missing\n", entry.key);
        }
    }

    const HICON logo = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_LOGO), IMAGE_ICON, 32, 32, 0));
    if (logo == nullptr) {
        ++failures;
        std::printf("the 32 x 32 logo does not load (error %lu)\n", GetLastError());
    } else {
        DestroyIcon(logo);
    }
    return failures == 0 ? 0 : 1;
}

int checkCodePages() {
    expectNumber("ANSI code page", GetACP(), 932);
    expectNumber("OEM code page", GetOEMCP(), 932);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"version") return checkVersionInformation();
    if (mode == L"code-page") return checkCodePages();
    std::printf("usage: lorvane_resource_check version|code-page\n");
    return 2;
}
