#include "apply/backup_rules.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "apply/backup_methods.h"
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

// How much of a plain absolute path is its drive's or share's root, with the
// separator after it when the path has one ("C:\", "\\srv\share\").
std::size_t rootLength(std::wstring_view path) {
    if (path.size() >= 2 && path[1] == L':') return 3;
    const std::size_t share = path.find(L'\\', path.find(L'\\', 2) + 1);
    return share == std::wstring_view::npos ? path.size() : share + 1;
}

// The folder as the file system compares it: no trailing separator, ASCII letters in one case.
std::wstring comparable(std::wstring_view path) {
    std::wstring text(trimBlanks(path));
    while (!text.empty() && isSeparator(text.back())) text.pop_back();
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

// Whether the path is the folder or lies inside it, as the texts read.
bool textLiesWithin(std::wstring_view path, std::wstring_view folder) {
    const std::wstring inner = comparable(path), outer = comparable(folder);
    return inner == outer || (inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
                              isSeparator(inner[outer.size()]));
}

// The job runs as SYSTEM in the system folder, while the folders are read and
// the copy is written: its log must be a file of its own in a folder that is there.
std::wstring logRefusal(const BackupRecord& backup, const BackupMethodDescription& method) {
    const std::wstring_view log = trimBlanks(backup.LogFileName);
    if (!isPlainAbsolute(log) || log.size() <= rootLength(log))
        return L"ﾛｸﾞﾌｧｲﾙには、ﾄﾞﾗｲﾌﾞ名 (C:\\ など) または \\\\ｻｰﾊﾞｰ名\\共有名 から始まるﾌｧｲﾙ名を指定してください。";
    for (const std::wstring& folder : backup.BackupPath)
        if (textLiesWithin(log, folder))
            return L"ﾛｸﾞﾌｧｲﾙがﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽの中にあります。\r\n\r\nﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ：" + folder;
    // A mirror would purge the log from the copy's target while writing it.
    const std::wstring_view destination = trimBlanks(backup.Destination);
    if (method.copiesToFolder() && !destination.empty() && textLiesWithin(log, destination))
        return L"ﾛｸﾞﾌｧｲﾙが保存先の中にあります。\r\n\r\n保存先：" + std::wstring(destination);
    SystemAccess& access = systemAccess();
    if (access.folderExists(std::wstring(log)))
        return L"ﾛｸﾞﾌｧｲﾙにﾌｫﾙﾀﾞが指定されています。\r\n\r\nﾛｸﾞﾌｧｲﾙ：" + std::wstring(log);
    const std::size_t slash = log.rfind(L'\\');
    const std::wstring folder(log.substr(0, std::max(slash, rootLength(log))));
    if (!access.folderExists(folder)) return L"ﾛｸﾞﾌｧｲﾙのﾌｫﾙﾀﾞがありません。\r\n\r\nﾌｫﾙﾀﾞ：" + folder;
    return {};
}

}  // namespace

std::wstring destinationRefusal(const BackupRecord& backup) {
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
    const BackupMethodDescription& description = describe(method);
    if (std::wstring refusal = description.refusal(backup); !refusal.empty()) return refusal;
    return logRefusal(backup, description);
}

std::wstring unreachableDestination(const BackupRecord& backup, SystemAccess& access) {
    const std::wstring_view destination = trimBlanks(backup.Destination);
    std::wstring root(destination.substr(0, rootLength(destination)));
    if (root.back() != L'\\') root += L'\\';
    if (access.folderExists(root)) return {};
    return L"保存先のﾄﾞﾗｲﾌﾞまたは共有が見つかりません。\r\n\r\n保存先：" + std::wstring(destination);
}

}  // namespace lorvane
