#include "driver_internal.h"

namespace e2e {
namespace {

using namespace detail;

std::vector<MenuItem> parseMenu(const std::wstring& text) {
    std::vector<MenuItem> bar;
    std::vector<std::vector<MenuItem>*> levels{&bar};
    size_t start = 0;
    for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
        const std::wstring line = text.substr(start, end - start);
        const size_t a = line.find(L'\t'), b = line.find(L'\t', a + 1), c = line.find(L'\t', b + 1);
        const size_t depth = std::stoul(line.substr(0, a));
        if (c == std::wstring::npos || depth >= levels.size())
            throw DriverError("unreadable menu: " + utf8(text));
        MenuItem item;
        item.id = static_cast<unsigned>(std::stoul(line.substr(a + 1, b - a - 1)));
        const std::wstring flags = line.substr(b + 1, c - b - 1);
        item.grayed = flags.find(L'g') != std::wstring::npos;
        item.checked = flags.find(L'c') != std::wstring::npos;
        item.text = line.substr(c + 1);
        item.text = item.text.substr(0, item.text.find(L'\t'));
        levels.resize(depth + 1);
        levels[depth]->push_back(std::move(item));
        levels.push_back(&levels[depth]->back().items);
    }
    return bar;
}

std::string outline(const std::vector<MenuItem>& items) {
    std::string out;
    for (const MenuItem& item : items) {
        if (!out.empty()) out += ' ';
        out += utf8(item.text);
        if (item.grayed) out += " [greyed]";
        if (item.checked) out += " [checked]";
        if (!item.items.empty()) out += " { " + outline(item.items) + " }";
    }
    return out;
}

}  // namespace

std::vector<MenuItem> Window::menuBar() const {
    return parseMenu(inspect(hwnd_, Inspect::MenuBar));
}

std::string Window::menuOutline() const {
    return outline(menuBar());
}

void Window::chooseMenu(const std::vector<std::wstring>& path) const {
    const std::vector<MenuItem> bar = menuBar();
    const std::vector<MenuItem>* items = &bar;
    const MenuItem* chosen = nullptr;
    std::string walked;
    for (const std::wstring& text : path) {
        walked += (walked.empty() ? "" : " > ") + utf8(text);
        chosen = nullptr;
        for (const MenuItem& item : *items)
            if (item.text == text) chosen = &item;
        if (!chosen || chosen->grayed)
            throw DriverError("cannot choose " + walked + (chosen ? ": greyed" : ": no such item") +
                              " in the menu " + outline(bar) + " of " + describe());
        items = &chosen->items;
    }
    if (!chosen || !chosen->items.empty()) throw DriverError("not a command: " + walked);
    PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(chosen->id, 0), 0);
}

}  // namespace e2e
