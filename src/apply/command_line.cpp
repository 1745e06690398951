#include "apply/command_line.h"

#include <cstddef>
#include <string_view>

namespace lorvane {
namespace {

std::wstring folderArgument(std::wstring_view path) {
    const std::wstring text = doublePercents(trimBlanks(path));
    const bool needsQuotes = text.find_first_of(L" \t&|<>^(),;=") != std::wstring::npos;
    return needsQuotes ? quoted(text) : text;
}

constexpr const wchar_t* kWeekdayCodes[] = {L"Su", L"M", L"T", L"W", L"Th", L"F", L"S"};
constexpr const wchar_t* kEveryDay = L"Su,M,T,W,Th,F,S";

std::wstring twoDigits(int value) {
    if (value < 0) return L"-" + twoDigits(-value);
    return (value < 10 ? L"0" : L"") + std::to_wstring(value);
}

// The chosen days of the list that DateMode selects, ascending, comma-separated.
std::wstring dayList(const ScheduleRecord& schedule) {
    std::wstring list;
    if (schedule.DateMode == dateMode::DaysOfMonth) {
        for (std::size_t k = 0; k < schedule.RunDate.size(); ++k)
            if (schedule.RunDate[k] == kTrue) list += std::to_wstring(k + 1) + L",";
    } else {
        for (std::size_t k = 0; k < schedule.RunWeekday.size(); ++k)
            if (schedule.RunWeekday[k] == kTrue) list += std::wstring(kWeekdayCodes[k]) + L",";
    }
    if (!list.empty()) list.pop_back();
    return list;
}

}  // namespace

std::wstring BuildBackupCommand(const BackupRecord& backup) {
    std::wstring line = L"ntbackup backup";
    for (const std::wstring& path : backup.BackupPath) line += L" " + folderArgument(path);
    if (backup.WriteMode == writeMode::Append) line += L" /a";
    if (backup.Verify == 1) line += L" /v";
    if (backup.Restriction == 1) line += L" /r";
    const std::wstring_view guide = trimBlanks(backup.Guide);
    if (!guide.empty()) line += L" /d" + quoted(doublePercents(guide));
    if (backup.RegBackup == 1) line += L" /b";
    line += backup.Compression == 1 ? L" /hc:on" : L" /hc:off";
    if (backup.BackupMode >= 0 && static_cast<std::size_t>(backup.BackupMode) < kBackupTypes.size())
        line += L" /t {" + std::wstring(kBackupTypes[static_cast<std::size_t>(backup.BackupMode)]) + L"}";
    line += L" /l " + quotedArgument(backup.LogFileName);
    if (backup.LogFileMode == logFileMode::ExceptionsOnly) line += L" /e";
    return line;
}

std::wstring BuildAtCommand(const ScheduleRecord& schedule, DateTime now) {
    std::wstring line = L"at " + twoDigits(schedule.RunHour) + L":" + twoDigits(schedule.RunMinute);
    switch (schedule.RunUnit) {
        case runUnit::Tomorrow:
            line += L" /next:" + std::to_wstring(now.addDays(1).civil().day);
            break;
        case runUnit::Every: {
            const std::wstring days = dayList(schedule);
            line += L" /every:" + (days.empty() ? std::wstring(kEveryDay) : days);
            break;
        }
        case runUnit::Next: {
            const std::wstring days = dayList(schedule);
            if (!days.empty()) line += L" /next:" + days;
            break;
        }
        default:
            break;
    }
    return line + L" tpbackup";
}

}  // namespace lorvane
