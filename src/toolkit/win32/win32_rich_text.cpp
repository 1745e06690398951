// The rich text view's native side: a window of our own that shows plain text
// itself and holds a rich edit control while an RTF file is shown.
#include <windows.h>
// after windows.h
#include <richedit.h>
// FR_DOWN, FR_MATCHCASE
#include <commdlg.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "toolkit/rich_text.h"
#include "toolkit/win32/scoped.h"
#include "toolkit/win32/system_text.h"
#include "toolkit/win32/win32_rich_text.h"

namespace tk {

bool isAnsiLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

std::wstring decodeAnsi(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int length = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX / 2));
    const int chars = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), chars);
    return text;
}

namespace win32 {
namespace {

constexpr wchar_t kViewClass[] = L"TkTextView";

LRESULT CALLBACK viewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

const wchar_t* viewClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = viewProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32513));  // IDC_IBEAM
        wc.lpszClassName = kViewClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    return kViewClass;
}

struct StreamSource {
    std::string_view bytes;
    std::size_t done = 0;
};

DWORD CALLBACK streamIn(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const std::size_t count =
        std::min<std::size_t>(static_cast<std::size_t>(wanted), source->bytes.size() - source->done);
    std::memcpy(buffer, source->bytes.data() + source->done, count);
    source->done += count;
    *given = static_cast<LONG>(count);
    return 0;
}

class RichTextWindowPeer final : public ChildWindowPeer, public RichTextPeer {
public:
    RichTextWindowPeer(RichText& view, HWND parent, int id)
        : ChildWindowPeer(view, create(view, parent, id, viewClass(),
                                       WS_TABSTOP | WS_GROUP | WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE)),
          view_(view),
          plain_(hwnd()) {
        applied_ = effectiveFont(view_);
        plain_.setFont(applied_);
        std::wstring ignored;  // a file named before the window existed was read then
        load(view_.FileName(), ignored);
    }

    ~RichTextWindowPeer() override {
        // No message reaches this object once it is being taken apart.
        SetWindowLongPtrW(hwnd(), GWLP_USERDATA, 0);
        closeRichEdit();
    }

    void update(Property what) override {
        switch (what) {
            case Property::Font:
                applyFont();
                break;
            default:
                ChildWindowPeer::update(what);
                break;
        }
    }

    std::wstring shownText() const override {
        if (!rich_) return plain_.file().text();
        GETTEXTLENGTHEX length{GTL_USECRLF | GTL_NUMCHARS, 1200};
        const auto chars = static_cast<std::size_t>(
            SendMessageW(rich_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
        std::wstring text(chars + 1, L'\0');
        GETTEXTEX get{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_USECRLF, 1200, nullptr, nullptr};
        text.resize(static_cast<std::size_t>(SendMessageW(rich_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                                          reinterpret_cast<LPARAM>(text.data()))));
        return text;
    }

    void dropLayout() { plain_.dropLayout(); }

    void refresh() override {
        RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }

    // The wait cursor while it searches; after half a second its progress in the
    // window's title, and Esc stops it.
    SearchOutcome find(const std::wstring& text, bool matchCase, bool down) override {
        if (rich_) return findInRichEdit(text, matchCase, down);
        HCURSOR cursor = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
        HWND window = GetAncestor(hwnd(), GA_ROOT);
        const std::wstring title = plain_.ownerTitle();
        const ULONGLONG started = GetTickCount64();
        bool titled = false;
        int shown = -1;
        const SearchOutcome outcome =
            plain_.find(text, matchCase, down, [&](std::uint64_t searched, std::uint64_t total) {
                MSG msg;
                while (PeekMessageW(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE))
                    if (msg.wParam == VK_ESCAPE) return false;
                const auto percent =
                    static_cast<int>(static_cast<double>(searched) * 100 / static_cast<double>(total));
                if (GetTickCount64() - started >= 500 && percent != shown) {
                    SetWindowTextW(window,
                                   filled(texts().searching, title, std::to_wstring(percent)).c_str());
                    shown = percent;
                    titled = true;
                }
                return true;
            });
        if (titled) {
            SetWindowTextW(window, title.c_str());
            plain_.titleRestored();
        }
        SetCursor(cursor);
        return outcome;
    }

    std::wstring selectedText(std::size_t limit) const override {
        if (!rich_) {
            const std::uint64_t anchor = plain_.anchorOffset(), caret = plain_.caretOffset();
            return plain_.file().decodeFirst(std::min(anchor, caret), std::max(anchor, caret), limit);
        }
        CHARRANGE range{};
        SendMessageW(rich_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        std::wstring text(static_cast<std::size_t>(std::max(0L, range.cpMax - range.cpMin)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            SendMessageW(rich_, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text.data()))));
        return text.substr(0, limit);
    }

    // An RTF document is read and laid out again whole.
    bool reload(std::wstring& error) override {
        const std::wstring path = view_.FileName();
        if (path.empty()) return true;
        if (!rich_) return plain_.reload(path, error);
        return load(path, error);
    }

    bool indexing() const override { return !rich_ && plain_.indexing(); }

    bool handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        if (!rich_) return plain_.handle(msg, wp, lp, result);
        switch (msg) {
            case WM_SIZE: {
                RECT client;
                GetClientRect(hwnd(), &client);
                MoveWindow(rich_, 0, 0, client.right, client.bottom, TRUE);
                return true;
            }
            case WM_SETFOCUS:
                SetFocus(rich_);
                return true;
            case WM_ERASEBKGND:
                result = 1;
                return true;
            case WM_COPY:
            case EM_SETSEL:
            case EM_GETFIRSTVISIBLELINE:
            case EM_GETLINECOUNT:
                result = SendMessageW(rich_, msg, wp, lp);
                return true;
            default:
                return false;
        }
    }

private:
    bool load(const std::wstring& path, std::wstring& error) override {
        // Read before the earlier file goes, which stays when this one cannot be shown.
        std::optional<TextFile> text;
        std::optional<std::string> rtf;
        try {
            if (!path.empty()) {
                std::optional<TextBytes> bytes = TextBytes::open(path, &error);
                if (!bytes) return false;
                if (isRtf(bytes->head())) {
                    if (!(rtf = readRtf(path, error))) return false;
                } else {
                    text.emplace(std::move(*bytes), PlainTextView::kIndexedFirst);
                }
            }
        } catch (const std::bad_alloc&) {
            error = win32::systemErrorText(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        // An RTF document the rich edit control cannot take is not shown as an empty log.
        HWND rich = nullptr;
        if (rtf && !(rich = openRichEdit(*rtf, error))) return false;
        const bool hadFocus = GetFocus() == hwnd() || (rich_ && GetFocus() == rich_);
        closeRichEdit();
        plain_.show(text ? std::move(*text) : TextFile(), text ? path : std::wstring());
        if (rich) showRichEdit(rich);
        if (hadFocus) SetFocus(hwnd());
        return true;
    }

    // RTF keeps its own formatting; the view's font changes reach it one attribute at a time.
    // The control is made hidden and filled: null, with the reason in error, when it cannot be.
    HWND openRichEdit(std::string_view rtf, std::wstring& error) {
        static const HMODULE library = LoadLibraryW(L"msftedit.dll");
        static const DWORD libraryError = library ? ERROR_SUCCESS : GetLastError();
        if (!library) {
            error = richEditMissing(libraryError);
            return nullptr;
        }
        RECT client;
        GetClientRect(hwnd(), &client);
        SetLastError(ERROR_SUCCESS);
        HWND rich = CreateWindowExW(0, MSFTEDIT_CLASS, L"",
                                    WS_CHILD | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                        ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_DISABLENOSCROLL,
                                    0, 0, client.right, client.bottom, hwnd(), nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
        if (!rich) {
            error = richEditMissing(GetLastError());
            return nullptr;
        }
        SendMessageW(rich, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
        SendMessageW(rich, EM_SETTARGETDEVICE, 0, 1);  // no wrapping: both scroll bars
        StreamSource source{rtf};
        EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, streamIn};
        SendMessageW(rich, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
        if (stream.dwError != 0) {
            DestroyWindow(rich);
            error = filled(texts().richEditCannotLoad, std::to_wstring(stream.dwError));
            return nullptr;
        }
        return rich;
    }

    static std::wstring richEditMissing(DWORD error) {
        std::wstring text = texts().richEditUnavailable;
        if (error != ERROR_SUCCESS) text += L"\r\n" + win32::systemErrorText(error);
        return text;
    }

    // The filled control takes the view's place, scroll bars and all.
    void showRichEdit(HWND rich) {
        ShowScrollBar(hwnd(), SB_BOTH, FALSE);
        rich_ = rich;
        RECT client;
        GetClientRect(hwnd(), &client);
        MoveWindow(rich_, 0, 0, client.right, client.bottom, FALSE);
        ShowWindow(rich_, SW_SHOWNA);
    }

    SearchOutcome findInRichEdit(const std::wstring& text, bool matchCase, bool down) {
        CHARRANGE selection{};
        SendMessageW(rich_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        FINDTEXTEXW request{};
        request.chrg = down ? CHARRANGE{selection.cpMax, -1} : CHARRANGE{selection.cpMin, 0};
        request.lpstrText = text.c_str();
        const WPARAM flags = (down ? FR_DOWN : 0) | (matchCase ? FR_MATCHCASE : 0);
        if (SendMessageW(rich_, EM_FINDTEXTEXW, flags, reinterpret_cast<LPARAM>(&request)) < 0)
            return SearchOutcome::NotFound;
        SendMessageW(rich_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&request.chrgText));
        SendMessageW(rich_, EM_SCROLLCARET, 0, 0);
        return SearchOutcome::Found;
    }

    void closeRichEdit() {
        if (!rich_) return;
        HWND rich = rich_;
        rich_ = nullptr;
        DestroyWindow(rich);
        if (IsWindow(hwnd())) ShowScrollBar(hwnd(), SB_BOTH, TRUE);
    }

    void applyFont() {
        const Font& font = effectiveFont(view_);
        plain_.setFont(font);
        if (rich_) {
            CHARFORMAT2W format{};
            format.cbSize = sizeof format;
            if (font.Name != applied_.Name) {
                format.dwMask |= CFM_FACE;
                font.Name.copy(format.szFaceName, LF_FACESIZE - 1);
            }
            if (font.Bold != applied_.Bold) format.dwMask |= CFM_BOLD;
            if (font.Italic != applied_.Italic) format.dwMask |= CFM_ITALIC;
            if (font.Size != applied_.Size) {
                format.dwMask |= CFM_SIZE;
                format.yHeight = static_cast<LONG>(font.Size * 20.0f + 0.5f);
            }
            format.dwEffects = (font.Bold ? CFE_BOLD : 0) | (font.Italic ? CFE_ITALIC : 0);
            if (format.dwMask)
                SendMessageW(rich_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
        }
        applied_ = font;
    }

    RichText& view_;
    PlainTextView plain_;
    HWND rich_ = nullptr;
    Font applied_;
};

// Memory running out inside the view is said so with the system's words; what
// was measured is dropped, and the file stays shown.
LRESULT CALLBACK viewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (auto* peer = dynamic_cast<RichTextWindowPeer*>(ChildWindowPeer::of(hwnd))) {
        LRESULT result = 0;
        try {
            if (peer->handle(msg, wp, lp, result)) return result;
        } catch (const std::bad_alloc&) {
            static bool telling = false;
            peer->dropLayout();
            if (msg == WM_PAINT) ValidateRect(hwnd, nullptr);
            if (!telling) {
                telling = true;
                messageBox(win32::systemErrorText(ERROR_NOT_ENOUGH_MEMORY), box::Stop);
                telling = false;
            }
            return 0;
        }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

std::unique_ptr<ChildWindowPeer> createRichTextPeer(RichText& view, HWND parent, int id) {
    return std::make_unique<RichTextWindowPeer>(view, parent, id);
}

}  // namespace win32
}  // namespace tk
