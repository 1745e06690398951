// The plain text of an RTF document, as a rich edit control holds it.
#include "toolkit/text_file.h"

#include <algorithm>

#include "toolkit/code_point.h"

namespace tk {

// Groups nest; each keeps whether its text is hidden and how many fallback
// characters follow a \u character. Hex bytes (\'hh) and raw bytes above ASCII
// are collected and decoded together, since one character may take two of them.
std::wstring rtfPlainText(std::string_view rtf) {
    struct Group {
        bool hidden = false;
        int fallback = 1;
    };
    static constexpr std::string_view hiddenDestinations[] = {
        "fonttbl",   "colortbl",     "stylesheet",        "info",    "pict",    "object",
        "header",    "footer",       "headerl",           "headerr", "footerl", "footerr",
        "footnote",  "listtable",    "listoverridetable", "fldinst", "rsidtbl", "generator",
        "themedata", "latentstyles", "datastore",         "xmlnstbl"};
    std::vector<Group> outer;
    Group group;
    std::wstring out;
    std::string ansi;
    int skip = 0;               // fallback characters still to skip
    std::size_t paragraph = 0;  // where the text stood after the last paragraph mark
    const auto flush = [&] {
        if (!ansi.empty()) out += decodeAnsi(ansi);
        ansi.clear();
    };
    // A byte of the code page (from \'hh or raw text above ASCII), or a character.
    const auto character = [&](char32_t c, bool byte) {
        if (group.hidden) return;
        if (skip > 0) {
            --skip;
            return;
        }
        if (byte) {
            ansi += static_cast<char>(c);
            return;
        }
        flush();
        appendCodePoint(out, c);
    };
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto hexValue = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };

    std::size_t i = 0;
    while (i < rtf.size()) {
        const char c = rtf[i++];
        if (c == '{' || c == '}') {
            flush();
            skip = 0;
            if (c == '{') {
                outer.push_back(group);
            } else if (!outer.empty()) {
                group = outer.back();
                outer.pop_back();
            }
        } else if (c == '\r' || c == '\n') {
            // Line breaks in the source are not text.
        } else if (c != '\\') {
            character(static_cast<unsigned char>(c), static_cast<unsigned char>(c) >= 0x80);
        } else if (i < rtf.size() && isLetter(rtf[i])) {
            const std::size_t wordStart = i;
            while (i < rtf.size() && isLetter(rtf[i])) ++i;
            const std::string_view word = rtf.substr(wordStart, i - wordStart);
            bool hasParameter = false;
            long parameter = 0;
            const bool negative = i < rtf.size() && rtf[i] == '-';
            if (negative) ++i;
            while (i < rtf.size() && isDigit(rtf[i])) {
                hasParameter = true;
                parameter = std::min(parameter * 10 + (rtf[i++] - '0'), 1L << 20);
            }
            if (negative) parameter = -parameter;
            if (i < rtf.size() && rtf[i] == ' ') ++i;

            if (word == "par" || word == "line" || word == "sect" || word == "page") {
                character(L'\r', false);
                character(L'\n', false);
                if (!group.hidden) paragraph = out.size();
            } else if (word == "tab") {
                character(L'\t', false);
            } else if (word == "u" && hasParameter) {
                character(static_cast<char32_t>(parameter < 0 ? parameter + 0x10000 : parameter), false);
                if (!group.hidden) skip = group.fallback;
            } else if (word == "uc" && hasParameter) {
                group.fallback = static_cast<int>(std::max(0L, parameter));
            } else if (word == "bin" && hasParameter) {
                i = std::min(rtf.size(), i + static_cast<std::size_t>(std::max(0L, parameter)));
            } else if (std::find(std::begin(hiddenDestinations), std::end(hiddenDestinations), word) !=
                       std::end(hiddenDestinations)) {
                group.hidden = true;
            }
        } else if (i < rtf.size()) {
            const char symbol = rtf[i++];
            if (symbol == '\'' && i + 1 < rtf.size() && hexValue(rtf[i]) >= 0 && hexValue(rtf[i + 1]) >= 0) {
                character(static_cast<char32_t>(hexValue(rtf[i]) * 16 + hexValue(rtf[i + 1])), true);
                i += 2;
            } else if (symbol == '*') {
                group.hidden = true;  // a destination the reader may not know
            } else if (symbol == '~') {
                character(0xA0, false);
            } else if (symbol == '\r' || symbol == '\n') {
                character(L'\r', false);
                character(L'\n', false);
            } else if (symbol == '\\' || symbol == '{' || symbol == '}') {
                character(static_cast<unsigned char>(symbol), false);
            }
        }
    }
    flush();
    // The document's last paragraph mark ends it and adds no empty line.
    if (paragraph == out.size() && out.size() >= 2) out.resize(out.size() - 2);
    return out;
}

}  // namespace tk
