// Every owner lets go of its handle when its scope ends, and not when the
// handle was handed over (release) or moved to another owner.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <ostream>
#include <string>
#include <utility>

#include "toolkit/win32/scoped.h"

namespace {

using tk::win32::AutoCloseHandle;
using tk::win32::AutoFindClose;
using namespace tk::win32;

struct OwnerCase {
    const char* name;
    // Makes a handle, holds it in its owner for one scope, hands it over first
    // when told to keep it, and returns the raw handle.
    std::function<void*(bool keep)> holdForOneScope;
    std::function<bool(void*)> alive;
    std::function<void(void*)> close;  // what the caller does with a handle handed over
    friend std::ostream& operator<<(std::ostream& os, const OwnerCase& c) { return os << c.name; }
};

template <class Owner, class Make>
std::function<void*(bool)> heldBy(Make make) {
    return [make](bool keep) -> void* {
        Owner owner(make());
        void* raw = owner.get();
        if (keep) owner.release();
        return raw;
    };
}

bool gdiObjectAlive(void* h) {
    return GetObjectType(static_cast<HGDIOBJ>(h)) != 0;
}

bool iconAlive(void* h) {
    ICONINFO info{};
    if (!GetIconInfo(static_cast<HICON>(h), &info)) return false;
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    return true;
}

std::wstring systemFiles() {
    wchar_t directory[MAX_PATH] = {};
    GetSystemDirectoryW(directory, MAX_PATH);
    return std::wstring(directory) + L"\\*";
}

class Owners : public ::testing::TestWithParam<OwnerCase> {};

TEST_P(Owners, ReleaseTheHandleWhenTheScopeEnds) {
    const OwnerCase& c = GetParam();
    void* handle = c.holdForOneScope(false);
    ASSERT_NE(handle, nullptr);
    EXPECT_FALSE(c.alive(handle));
}

TEST_P(Owners, LeaveAHandleThatWasHandedOver) {
    const OwnerCase& c = GetParam();
    void* handle = c.holdForOneScope(true);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(c.alive(handle));
    c.close(handle);
}

INSTANTIATE_TEST_SUITE_P(
    , Owners,
    ::testing::Values(
        OwnerCase{"KernelHandle",
                  heldBy<AutoCloseHandle>([] { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }),
                  [](void* h) {
                      DWORD flags = 0;
                      return GetHandleInformation(h, &flags) != FALSE;
                  },
                  [](void* h) { CloseHandle(h); }},
        OwnerCase{"FolderSearch", heldBy<AutoFindClose>([] {
                      WIN32_FIND_DATAW found{};
                      return FindFirstFileW(systemFiles().c_str(), &found);
                  }),
                  [](void* h) {
                      WIN32_FIND_DATAW found{};
                      return FindNextFileW(h, &found) || GetLastError() != ERROR_INVALID_HANDLE;
                  },
                  [](void* h) { FindClose(h); }},
        OwnerCase{"MemoryDC", heldBy<AutoDeleteDC>([] { return CreateCompatibleDC(nullptr); }),
                  gdiObjectAlive, [](void* h) { DeleteDC(static_cast<HDC>(h)); }},
        OwnerCase{"Font", heldBy<AutoDeleteFont>([] {
                      return CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                         0, 0, L"Tahoma");
                  }),
                  gdiObjectAlive, [](void* h) { DeleteObject(static_cast<HGDIOBJ>(h)); }},
        OwnerCase{"Icon",
                  heldBy<AutoDestroyIcon>([] { return CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)); }),
                  iconAlive, [](void* h) { DestroyIcon(static_cast<HICON>(h)); }}),
    [](const ::testing::TestParamInfo<OwnerCase>& info) { return std::string(info.param.name); });

TEST(OwnerHandOver, AMovedHandleIsClosedOnceByItsNewOwner) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD flags = 0;
    {
        AutoCloseHandle outer;
        {
            AutoCloseHandle first(event);
            outer = std::move(first);
        }
        EXPECT_TRUE(GetHandleInformation(event, &flags)) << "the first owner gave it away";
        EXPECT_EQ(outer.get(), event);
    }
    EXPECT_FALSE(GetHandleInformation(event, &flags));
}

TEST(OwnerHandOver, ASelectedFontGivesWayToTheOneBeforeIt) {
    AutoDeleteDC dc(CreateCompatibleDC(nullptr));
    AutoDeleteFont font(
        CreateFontW(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    const HGDIOBJ before = GetCurrentObject(dc, OBJ_FONT);
    {
        const ScopedSelectObject selected(dc, font);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font.get());
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), before);
}

}  // namespace
