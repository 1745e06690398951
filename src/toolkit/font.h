// A control's font as the windows describe it: name, points, style, character set.
#pragma once

#include <string>

namespace tk {

namespace charset {
constexpr int Default = 1;
constexpr int ShiftJis = 128;  // the Japanese character set
}  // namespace charset

struct Font {
    std::wstring Name = L"ＭＳ Ｐゴシック";
    float Size = 9.0f;  // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    int Charset = charset::ShiftJis;

    friend bool operator==(const Font&, const Font&) = default;
};

}  // namespace tk
