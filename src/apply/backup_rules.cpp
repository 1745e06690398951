#include "apply/backup_rules.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "apply/batch_text.h"

namespace lorvane {
namespace {

// A double quote would end a quoted argument early; a control character, tab
// included, would end or garble the line of the command file.
bool holdsUnsafeCharacter(std::wstring_view text) {
    return std::any_of(text.begin(), text.end(), [](wchar_t c) { return c == L'"' || c < 0x20 || c == 0x7F; });
}

std::wstring unsafeMessage(const wchar_t* field) {
    return std::wstring(field) + L"に \" (ﾀﾞﾌﾞﾙｸｫｰﾃｰｼｮﾝ) や制御文字は使用できません。";
}

bool isSeparator(wchar_t c) { return c == L'\\'; }
bool isDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// A drive's root or a share with what follows, with no "." or ".." step that
// would make the folder another than it reads.
bool isPlainAbsolute(std::wstring_view path) {
    std::size_t rest = 0;
    if (path.size() >= 3 && isDriveLetter(path[0]) && path[1] == L':' && isSeparator(path[2])) {
        rest = 3;
    } else if (path.size() >= 5 && isSeparator(path[0]) && isSeparator(path[1])) {
        const std::size_t server = path.find(L'\\', 2);
        if (server == std::wstring_view::npos || server == 2) return false;
        const std::size_t share = path.find(L'\\', server + 1);
        if (share == server + 1) return false;
        rest = share == std::wstring_view::npos ? path.size() : share + 1;
    } else {
        return false;
    }
    if (path.find(L'/') != std::wstring_view::npos || path.find(L':', 2) != std::wstring_view::npos) return false;
    for (std::size_t at = rest; at < path.size();) {
        std::size_t end = path.find(L'\\', at);
        if (end == std::wstring_view::npos) end = path.size();
        const std::wstring_view step = path.substr(at, end - at);
        if ((step.empty() && end != path.size()) || step == L"." || step == L"..") return false;
        at = end + 1;
    }
    return true;
}

// The folder as the file system compares it: no trailing separator, ASCII letters in one case.
std::wstring comparable(std::wstring_view path) {
    std::wstring text(trimBlanks(path));
    while (!text.empty() && isSeparator(text.back())) text.pop_back();
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

// The copy would copy itself: the destination is the folder or lies inside it.
bool textLiesWithin(std::wstring_view destination, std::wstring_view folder) {
    const std::wstring inner = comparable(destination), outer = comparable(folder);
    return inner == outer || (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
                              isSeparator(inner[outer.size()]));
}

std::wstring destinationRefusal(const BackupRecord& backup) {
    // The run writes one entry per run into it: a blank name would be no file at all.
    if (trimBlanks(backup.LogFileName).empty()) return L"ﾛｸﾞﾌｧｲﾙが設定されていません。";
    const std::wstring_view destination = trimBlanks(backup.Destination);
    if (destination.empty()) return L"保存先が設定されていません。";
    if (holdsUnsafeCharacter(destination)) return unsafeMessage(L"保存先");
    if (!isPlainAbsolute(destination))
        return L"保存先には、ﾄﾞﾗｲﾌﾞ名 (C:\\ など) または \\\\ｻｰﾊﾞｰ名\\共有名 から始まるﾌｫﾙﾀﾞを指定してください。";
    SystemAccess& access = systemAccess();
    const std::wstring folder(destination);
    // The job runs as SYSTEM, which has none of the administrator's mapped drive letters.
    if (!isSeparator(destination[0]) && access.driveKind(folder) == DriveKind::Network)
        return L"保存先 " + folder.substr(0, 2) +
               L" はﾈｯﾄﾜｰｸﾄﾞﾗｲﾌﾞです。ﾊﾞｯｸｱｯﾌﾟはｼｽﾃﾑのｱｶｳﾝﾄで実行され、このﾄﾞﾗｲﾌﾞ名はそこにありません。\r\n"
               L"\\\\ｻｰﾊﾞｰ名\\共有名 の形で指定してください。";
    // Compared as the file system sees the folders too: C:\DATA.\Backup, PROGRA~1, \\localhost\C$.
    for (const std::wstring& source : backup.BackupPath)
        if (textLiesWithin(destination, source) || access.liesWithin(folder, std::wstring(trimBlanks(source))))
            return L"保存先がﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽの中にあります。\r\n\r\nﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ：" + source;
    return {};
}

}  // namespace

BackupMethod findBackupMethod(SystemAccess& access) {
    if (!access.findProgram(L"ntbackup").empty()) return BackupMethod::Tape;
    if (!access.findProgram(L"robocopy").empty()) return BackupMethod::Copy;
    return BackupMethod::None;
}

std::wstring backupRefusal(const BackupRecord& backup, BackupMethod method) {
    if (backup.BackupPath.empty()) return L"ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽが設定されていません。";
    if (backup.LogFileName.empty()) return L"ﾛｸﾞﾌｧｲﾙが設定されていません。";
    for (const std::wstring& folder : backup.BackupPath)
        if (holdsUnsafeCharacter(folder)) return unsafeMessage(L"ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ");
    if (holdsUnsafeCharacter(backup.Guide)) return unsafeMessage(L"説明");
    if (holdsUnsafeCharacter(backup.LogFileName)) return unsafeMessage(L"ﾛｸﾞﾌｧｲﾙ");
    // Looked at as the command line will hold it: "C:\LOGS\ " names no file either.
    const std::wstring_view log = trimBlanks(backup.LogFileName);
    if (!log.empty() && (log.back() == L'\\' || log.back() == L'/')) return L"ﾛｸﾞﾌｧｲﾙにﾌｧｲﾙ名が指定されていません。";
    if (method == BackupMethod::Copy) return destinationRefusal(backup);
    return {};
}

}  // namespace lorvane
