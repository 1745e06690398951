#include "toolkit/texts.h"

namespace tk {

std::wstring filled(const std::wstring& text, const std::wstring& first, const std::wstring& second) {
    std::wstring out;
    bool firstUsed = false, secondUsed = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 1 < text.size()) {
            if (text[i + 1] == L'1' && !firstUsed) {
                out += first;
                firstUsed = true;
                ++i;
                continue;
            }
            if (text[i + 1] == L'2' && !secondUsed) {
                out += second;
                secondUsed = true;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace tk
