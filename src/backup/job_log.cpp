#include "backup/job_log.h"

#include "core/utf16.h"

namespace lorvane::backup {

void appendJobLog(BackupSystem& system, const std::wstring& path, const std::wstring& line) {
    const std::optional<std::string> start = system.readFileStart(path, 2);
    // Set aside under the first free name of <name>.old, <name>.2.old, ...
    if (start && !start->empty() && *start != "\xFF\xFE")
        for (int n = 1; n < 100; ++n)
            if (system.renameFile(path, path + (n > 1 ? L"." + std::to_wstring(n) : L"") + L".old").ok()) break;
    const std::optional<std::string> now = system.readFileStart(path, 2);
    std::string bytes = encodeUtf16Le(line + L"\r\n");
    if (now && now->size() == 2) bytes.erase(0, 2);  // the file has its byte order mark
    system.appendFile(path, bytes);
}

std::wstring shownTime(DateTime time) {
    const CivilTime c = time.civil();
    const auto two = [](int n) { return std::wstring(n < 10 ? L"0" : L"") + std::to_wstring(n); };
    return std::to_wstring(c.year) + L"-" + two(c.month) + L"-" + two(c.day) + L" " + two(c.hour) + L":" +
           two(c.minute) + L":" + two(c.second);
}

}  // namespace lorvane::backup
