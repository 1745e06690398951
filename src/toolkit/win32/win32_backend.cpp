// The Win32 backend's services: the system, the message loop, message boxes,
// the standard dialogs; other instances' windows are in win32_other_instances.cpp.
#include <algorithm>
#include <map>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/twips.h"
#include "toolkit/win32/win32_internal.h"

namespace tk {
namespace {

// The active window's shortcuts and dialog keys first, as in a dialog box.
void deliver(MSG& msg) {
    if (win32::modelessDialogMessage(msg)) return;
    if (HWND active = win32::dialogNavigationWindow()) {
        if (HACCEL accelerators = win32::acceleratorsOf(active))
            if (TranslateAcceleratorW(active, accelerators, &msg)) return;
        if (IsDialogMessageW(active, &msg)) return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

// The program's timers by their thread timer's id.
std::map<UINT_PTR, Timer*>& timers() {
    static std::map<UINT_PTR, Timer*> byId;
    return byId;
}

void CALLBACK timerTicked(HWND, UINT, UINT_PTR id, DWORD) {
    const auto timer = timers().find(id);
    if (timer != timers().end()) win32::runGuarded([t = timer->second] { t->userTick(); });
}

class Win32Backend final : public Backend {
public:
    void setTimer(Timer& timer, int milliseconds) override {
        auto& byId = timers();
        auto mine = std::find_if(byId.begin(), byId.end(), [&](const auto& entry) { return entry.second == &timer; });
        if (milliseconds == 0) {
            if (mine != byId.end()) {
                KillTimer(nullptr, mine->first);
                byId.erase(mine);
            }
            return;
        }
        // A thread timer gets a new id from each SetTimer call unless it is given its own.
        const UINT_PTR id =
            SetTimer(nullptr, mine != byId.end() ? mine->first : 0, static_cast<UINT>(milliseconds), timerTicked);
        if (!id) win32::throwLastError(L"SetTimer");
        if (mine != byId.end() && mine->first != id) byId.erase(mine);
        byId[id] = &timer;
    }

    std::unique_ptr<FormPeer> createFormPeer(Form& form) override { return win32::createFormPeer(form); }

    void frameExtent(const Form& form, float& extraWidth, float& extraHeight) override {
        const int dpi = win32::dpiOf(win32::formWindow(form));
        constexpr int kClient = 1000;  // any client size: the frame around it is the same
        RECT r{0, 0, kClient, kClient};
        AdjustWindowRectEx(&r, win32::formStyle(form), !form.menus().empty(), win32::formExStyle(form));
        extraWidth = pixelsToTwips(r.right - r.left - kClient, dpi);
        extraHeight = pixelsToTwips(r.bottom - r.top - kClient, dpi);
    }

    void allFormsUnloaded() override { PostQuitMessage(0); }
    [[noreturn]] void exitProcess() override { ExitProcess(0); }

    int runMessageLoop() override {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            deliver(msg);
            win32::reportHeldFailure(msg.hwnd);
        }
        return static_cast<int>(msg.wParam);
    }

    void doEvents() override {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // The end of the program is for the message loop to see.
            if (msg.message == WM_QUIT) return PostQuitMessage(static_cast<int>(msg.wParam));
            deliver(msg);
            win32::reportHeldFailure(msg.hwnd);
        }
    }

    float screenWidthTwips() override { return pixelsToTwips(GetSystemMetrics(SM_CXSCREEN), win32::dpiOf(nullptr)); }
    float screenHeightTwips() override { return pixelsToTwips(GetSystemMetrics(SM_CYSCREEN), win32::dpiOf(nullptr)); }

    int messageBox(const std::wstring& text, int style, const std::wstring& caption) override {
        Form* owner = activeForm();
        HWND ownerWindow = owner && owner->Visible() ? win32::formWindow(*owner) : nullptr;
        const UINT flags = static_cast<UINT>(style) | (ownerWindow ? MB_APPLMODAL : MB_TASKMODAL);
        return MessageBoxW(ownerWindow, text.c_str(), caption.c_str(), flags);
    }

    VersionInfo versionInfo() override {
        VersionInfo info;
        wchar_t path[MAX_PATH * 4];
        if (!GetModuleFileNameW(nullptr, path, MAX_PATH * 4)) return info;
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
        if (!size) return info;
        std::vector<unsigned char> block(size);
        if (!GetFileVersionInfoW(path, 0, size, block.data())) return info;
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
            info.major = HIWORD(fixed->dwFileVersionMS);
            info.minor = LOWORD(fixed->dwFileVersionMS);
            info.revision = LOWORD(fixed->dwFileVersionLS);
        }
        struct Translation {
            WORD language, codePage;
        }* translation = nullptr;
        if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                            &length) ||
            length < sizeof(Translation))
            return info;
        wchar_t prefix[64];
        wsprintfW(prefix, L"\\StringFileInfo\\%04x%04x\\", translation->language, translation->codePage);
        auto text = [&](const wchar_t* name) {
            wchar_t* value = nullptr;
            UINT chars = 0;
            const std::wstring key = std::wstring(prefix) + name;
            if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars) || !value)
                return std::wstring();
            return std::wstring(value);
        };
        info.companyName = text(L"CompanyName");
        info.productName = text(L"ProductName");
        return info;
    }

    int platformCode() override {
        OSVERSIONINFOW version{};
        version.dwOSVersionInfoSize = sizeof version;
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
        if (!GetVersionExW(&version)) return 0;
        return static_cast<int>(version.dwPlatformId);
    }

    bool prevInstance() override {
        // The first instance holds the mutex for its whole run.
        static const bool earlier = [] {
            HANDLE mutex = CreateMutexW(nullptr, FALSE, (L"Local\\" + handedOver().instanceName).c_str());
            return mutex && GetLastError() == ERROR_ALREADY_EXISTS;
        }();
        return earlier;
    }

    WindowFound activateWindowByTitle(const std::wstring& title) override {
        return win32::activateWindowByTitle(title);
    }
    void sendEnterAndWait() override { win32::sendEnterAndWait(); }

    int showOpenDialog(CommonDialog& dialog) override { return win32::showOpenDialog(dialog); }
    int showFontDialog(CommonDialog& dialog) override { return win32::showFontDialog(dialog); }
    std::unique_ptr<FindDialogPeer> createFindDialogPeer(FindDialog& dialog) override {
        return win32::createFindDialogPeer(dialog);
    }
};

}  // namespace

Backend& systemBackend() {
    static Win32Backend instance;
    return instance;
}

}  // namespace tk
