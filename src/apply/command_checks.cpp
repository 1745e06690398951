#include "apply/command_checks.h"

#include <cstddef>

#include "apply/system_access.h"
#include "core/host.h"

namespace lorvane {
namespace {

constexpr const wchar_t* kUnrepresentable = L"ｼｽﾃﾑのｺｰﾄﾞﾍﾟｰｼﾞで表せない文字が含まれています。";
constexpr const wchar_t* kTooLong = L"ｺﾏﾝﾄﾞ行が長すぎます。";
constexpr const wchar_t* kDelayedExpansion =
    L"cmd.exe の遅延環境変数の展開が有効なため、! は使用できません。";

// cmd.exe reads at most this many characters of a line and silently drops the rest;
// the line it reads from a batch file is counted in bytes.
constexpr std::size_t kMaxLine = 8191;

// One character of a wide string: a surrogate pair counts as one.
std::size_t charLength(std::wstring_view text, std::size_t at) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (text[at] >= 0xD800 && text[at] <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
            text[at + 1] <= 0xDFFF)
            return 2;
    }
    return 1;
}

// Length in UTF-16 code units, as cmd.exe counts.
std::size_t Utf16Length(std::wstring_view text) {
    std::size_t n = text.size();
    if constexpr (sizeof(wchar_t) > 2)
        for (wchar_t c : text) n += (static_cast<unsigned long>(c) >> 16) != 0;
    return n;
}

std::wstring codePointText(std::wstring_view ch) {
    unsigned long cp = static_cast<unsigned long>(ch[0]);
    if (ch.size() == 2) cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<unsigned long>(ch[1]) - 0xDC00);
    std::wstring code;
    for (int digits = 0; digits < 4 || cp != 0; ++digits, cp >>= 4)
        code.insert(code.begin(), L"0123456789ABCDEF"[cp & 0xF]);
    code.insert(0, L"U+");
    const bool printable = ch[0] >= 0x20 && ch[0] != 0x7F;
    return printable ? std::wstring(ch) + L" (" + code + L")" : code;
}

std::wstring characterMessage(const wchar_t* headline, std::wstring_view ch, const std::wstring& text) {
    std::wstring message = std::wstring(headline) + L"\r\n\r\n";
    if (!ch.empty()) message += L"文字　：" + codePointText(ch) + L"\r\n";
    return message + L"設定値：" + text;
}

std::optional<std::wstring> firstUnrepresentable(SystemAccess& access, std::wstring_view text) {
    if (access.toBatchCodePage(text)) return std::nullopt;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = charLength(text, at);
        const std::wstring_view ch = text.substr(at, length);
        if (!access.toBatchCodePage(ch)) return std::wstring(ch);
        at += length;
    }
    return std::wstring();  // every character alone is fine, only the whole is not
}

std::optional<std::wstring> lineRefusal(const std::vector<const std::wstring*>& typed,
                                        const std::vector<CommandFile>& files) {
    SystemAccess& access = systemAccess();
    // With delayed expansion on, cmd.exe would expand !name! or drop a lone !.
    if (access.delayedExpansion())
        for (const std::wstring* text : typed)
            if (text->find(L'!') != std::wstring::npos)
                return characterMessage(kDelayedExpansion, L"!", *text);

    for (const CommandFile& file : files)
        for (const std::wstring& line : file.lines) {
            const auto tooLong = [&](const wchar_t* unit, std::size_t length) {
                return std::wstring(kTooLong) + L"\r\n\r\nﾌｧｲﾙ名：" + file.name + L"\r\n" + unit + L"：" +
                       std::to_wstring(length) + L" (上限 " + std::to_wstring(kMaxLine) + L")";
            };
            const std::size_t length = Utf16Length(line);
            if (length > kMaxLine) return tooLong(L"文字数", length);
            if (const auto bytes = access.toBatchCodePage(line); bytes && bytes->size() > kMaxLine)
                return tooLong(L"ﾊﾞｲﾄ数", bytes->size());
        }

    for (const std::wstring* text : typed)
        if (auto ch = firstUnrepresentable(access, *text))
            return characterMessage(kUnrepresentable, *ch, *text);
    for (const CommandFile& file : files)
        for (const std::wstring& line : file.lines)
            if (auto ch = firstUnrepresentable(access, line))
                return characterMessage(kUnrepresentable, *ch, line);
    return std::nullopt;
}

}  // namespace

std::optional<CommandRefusal> commandRefusal(const BackupRecord& backup, const BackupMethodDescription& method,
                                             const std::vector<CommandFile>& files) {
    if (auto refusal = lineRefusal(method.typedInLines(backup), files)) return CommandRefusal{*refusal, mb::Critical};
    if (std::wstring limit = method.lineLimit(files.at(0)); !limit.empty())
        return CommandRefusal{std::move(limit), mb::Exclamation};
    return std::nullopt;
}

std::wstring unrepresentableMessage(const std::wstring& text) {
    return characterMessage(kUnrepresentable, {}, text);
}

}  // namespace lorvane
