// Labels and pictures as static controls: screen readers and magnifiers read
// them, and a static directly before an edit box, combo box or list names it.
// Transparent labels and pictures are drawn by the program itself (owner-drawn
// statics), so that overlapping texts keep their order.
#include <windows.h>

#include "toolkit/controls.h"
#include "toolkit/twips.h"
#include "toolkit/win32/win32_internal.h"
#include "toolkit/win32/win32_list_peers.h"
#include "toolkit/win32/scoped.h"

namespace tk::win32 {
namespace {

COLORREF textColor(const Label& label) {
    if (!label.effectivelyEnabled()) return GetSysColor(COLOR_GRAYTEXT);
    return label.ForeColor ? static_cast<COLORREF>(*label.ForeColor) : GetSysColor(COLOR_BTNTEXT);
}

void drawLabel(HDC dc, const Label& label, const RECT& r, int dpi) {
    const ScopedSelectObject font(dc, fontFor(effectiveFont(label), dpi));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColor(label));
    if (!label.transparent) FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    UINT format = DT_NOPREFIX | DT_WORDBREAK;
    if (label.alignment == Alignment::Right) format |= DT_RIGHT;
    if (label.alignment == Alignment::Center) format |= DT_CENTER;
    RECT text = r;
    DrawTextW(dc, label.Caption().c_str(), -1, &text, format);
}

class LabelPeer final : public ChildWindowPeer, private OwnerDrawn {
public:
    LabelPeer(Label& label, HWND parent, int id)
        : ChildWindowPeer(label, create(label, parent, id, L"STATIC", styleOf(label))), label_(label) {
        if (label.transparent) routeOwnerDraw(hwnd(), *this);
        measure();  // the model is not yet attached to this peer: place the window here
        ChildWindowPeer::update(Property::Bounds);
        holdOneLine();
    }
    ~LabelPeer() override {
        if (label_.transparent) stopOwnerDraw(hwnd());
    }

    void update(Property what) override {
        ChildWindowPeer::update(what);
        if (what == Property::Caption || what == Property::Font) measure();
        if (what == Property::Bounds || what == Property::Font) holdOneLine();
        repaintTransparentNeighbours();
    }

private:
    static DWORD styleOf(const Label& label) {
        DWORD style = SS_NOPREFIX | WS_GROUP;
        if (label.transparent) return style | SS_OWNERDRAW;
        if (label.alignment == Alignment::Right) return style | SS_RIGHT;
        if (label.alignment == Alignment::Center) return style | SS_CENTER;
        return style | SS_LEFT;
    }

    // A transparent label shows every label of its container that it overlaps,
    // back to front, so that whichever of them paints last the picture is the same.
    void drawItem(const DRAWITEMSTRUCT& item) override {
        const int dpi = dpiOf(hwnd());
        const RECT own = pixelRect(label_, dpi);
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
        for (Control* sibling : label_.parent().children()) {
            auto* other = dynamic_cast<Label*>(sibling);
            RECT r = other ? pixelRect(*other, dpi) : RECT{};
            RECT overlap;
            if (!other || !other->Visible() || !IntersectRect(&overlap, &r, &own)) continue;
            OffsetRect(&r, -own.left, -own.top);
            drawLabel(item.hDC, *other, r, dpi);
        }
    }

    void repaintTransparentNeighbours() {
        for (Control* sibling : label_.parent().children()) {
            auto* other = dynamic_cast<Label*>(sibling);
            if (other && other->transparent && other != &label_)
                if (HWND h = controlWindow(*other)) InvalidateRect(h, nullptr, TRUE);
        }
    }

    // A label never cuts its one line of text short at the bottom: where the
    // system's font stands taller than the design allowed, the window grows down.
    void holdOneLine() {
        const int dpi = dpiOf(hwnd());
        const RECT r = pixelRect(label_, dpi);
        TEXTMETRICW tm{};
        {
            const ScopedGetDC dc(hwnd());
            const ScopedSelectObject font(dc, fontFor(effectiveFont(label_), dpi));
            GetTextMetricsW(dc, &tm);
        }
        if (tm.tmHeight > r.bottom - r.top)
            MoveWindow(hwnd(), r.left, r.top, r.right - r.left, tm.tmHeight, TRUE);
    }

    // A label that sizes itself takes the size of its text.
    void measure() {
        if (!label_.AutoSize) return;
        const int dpi = dpiOf(hwnd());
        RECT r{0, 0, 0, 0};
        {
            const ScopedGetDC dc(hwnd());
            const ScopedSelectObject font(dc, fontFor(effectiveFont(label_), dpi));
            DrawTextW(dc, label_.Caption().c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
        }
        // Right-aligned text keeps its right edge, centred text its centre.
        const float width = pixelsToTwips(r.right, dpi);
        float left = label_.Left();
        if (label_.alignment == Alignment::Right) left += label_.Width() - width;
        if (label_.alignment == Alignment::Center) left += (label_.Width() - width) / 2;
        label_.Move(left, label_.Top(), width, pixelsToTwips(r.bottom, dpi));
    }

    Label& label_;
};

// A picture's icon is drawn at the size it was designed at unless it stretches.
constexpr int kIconPixels = 32;

class ImagePeer final : public ChildWindowPeer, private OwnerDrawn {
public:
    ImagePeer(Image& image, HWND parent, int id)
        : ChildWindowPeer(image, create(image, parent, id, L"STATIC", SS_OWNERDRAW)), image_(image) {
        routeOwnerDraw(hwnd(), *this);
    }
    ~ImagePeer() override { stopOwnerDraw(hwnd()); }

private:
    void drawItem(const DRAWITEMSTRUCT& item) override {
        const RECT& r = item.rcItem;
        FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
        if (!image_.pictureResource) return;
        // Shared: the system keeps the icon, so it is never destroyed here.
        const HICON icon =
            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(image_.pictureResource),
                                          IMAGE_ICON, kIconPixels, kIconPixels, LR_DEFAULTCOLOR | LR_SHARED));
        if (!icon) return;
        const int width = image_.Stretch ? r.right - r.left : kIconPixels;
        const int height = image_.Stretch ? r.bottom - r.top : kIconPixels;
        DrawIconEx(item.hDC, r.left, r.top, icon, width, height, 0, nullptr, DI_NORMAL);
    }

    Image& image_;
};

}  // namespace

std::unique_ptr<ChildWindowPeer> createStaticPeer(Control& control, HWND parent, int id) {
    if (control.kind() == ControlKind::Label)
        return std::make_unique<LabelPeer>(static_cast<Label&>(control), parent, id);
    return std::make_unique<ImagePeer>(static_cast<Image&>(control), parent, id);
}

HBRUSH labelColors(HDC dc, HWND child) {
    ChildWindowPeer* peer = ChildWindowPeer::of(child);
    if (!peer || peer->control().kind() != ControlKind::Label) return nullptr;
    SetTextColor(dc, textColor(static_cast<Label&>(peer->control())));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
}

}  // namespace tk::win32
