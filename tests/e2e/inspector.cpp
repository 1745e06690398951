// A DLL that the driver hooks into the program's user-interface thread, to read
// what only the program itself can read under Wine (its menus) and to tell when
// the program has caught up with what the driver posted.
#include "inspector.h"

namespace {

struct Writer {
    wchar_t* out;
    DWORD room;
    void put(const wchar_t* text) {
        for (; *text && room > 1; --room) *out++ = *text++;
        *out = L'\0';
    }
};

void writeMenu(HMENU menu, int depth, Writer& w) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 255;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
        wchar_t head[64];
        std::swprintf(head, 64, L"%d\t%u\t%ls%ls%ls\t", depth, info.hSubMenu ? 0u : info.wID,
                      info.fState & MFS_GRAYED ? L"g" : L"", info.fState & MFS_CHECKED ? L"c" : L"",
                      info.fType & MFT_SEPARATOR ? L"s" : L"");
        w.put(head);
        w.put(text);
        w.put(L"\n");
        if (info.hSubMenu) writeMenu(info.hSubMenu, depth + 1, w);
    }
}

void answer(HWND hwnd, DWORD driverProcess, e2e::Inspect what) {
    wchar_t name[64];
    e2e::inspectionMemoryName(driverProcess, name);
    HANDLE memory = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name);
    if (!memory) return;
    if (auto* out = static_cast<wchar_t*>(MapViewOfFile(memory, FILE_MAP_WRITE, 0, 0, 0))) {
        Writer w{out, e2e::kInspectionChars};
        w.put(L"");
        if (what == e2e::Inspect::MenuBar)
            if (HMENU menu = GetMenu(hwnd)) writeMenu(menu, 0, w);
        UnmapViewOfFile(out);
    }
    CloseHandle(memory);
}

void answerIfAsked(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    static const UINT inspect = RegisterWindowMessageW(e2e::kInspectMessage);
    if (message == inspect) answer(hwnd, static_cast<DWORD>(wp), static_cast<e2e::Inspect>(lp));
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK lorvaneE2eInspect(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lp);
        answerIfAsked(call->hwnd, call->message, call->wParam, call->lParam);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK lorvaneE2eSettled(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && wp == PM_REMOVE) {
        const auto* msg = reinterpret_cast<const MSG*>(lp);
        answerIfAsked(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
