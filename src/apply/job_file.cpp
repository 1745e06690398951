#include "apply/job_file.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>

#include "apply/batch_text.h"
#include "apply/key_values.h"

namespace lorvane::backup {
namespace {

constexpr std::array<const wchar_t*, 2> kWriteModes = {L"append", L"replace"};
constexpr std::array<const wchar_t*, 2> kLogDetails = {L"all", L"exceptions"};

std::wstring typeName(Int16 mode) {
    return mode >= 0 && mode < static_cast<Int16>(kBackupTypes.size()) ? kBackupTypes[mode] : L"none";
}

// A reader that stores the position of the name among `names`.
template <std::size_t N>
auto choice(const std::array<const wchar_t*, N>& names, Int16& field) {
    return [&names, &field](std::wstring_view name) {
        for (std::size_t i = 0; i < N; ++i)
            if (name == names[i]) return field = static_cast<Int16>(i), true;
        return false;
    };
}

std::wstring two(int n) { return std::wstring(n < 10 ? L"0" : L"") + std::to_wstring(n); }

// "1,15": the numbers (plus `offset`) of the flags that are true.
template <std::size_t N>
std::wstring chosen(const std::array<Int16, N>& flags, int offset) {
    std::wstring list;
    for (std::size_t i = 0; i < N; ++i)
        if (flags[i] == kTrue) list += (list.empty() ? L"" : L",") + std::to_wstring(i + offset);
    return list;
}

template <std::size_t N>
bool readChosen(std::wstring_view list, int offset, std::array<Int16, N>& flags) {
    flags.fill(kFalse);
    for (std::size_t at = 0; at < list.size();) {
        std::size_t end = list.find(L',', at);
        if (end == std::wstring_view::npos) end = list.size();
        const auto n = wholeNumber(list.substr(at, end - at));
        if (!n || *n < offset || *n >= static_cast<long long>(N) + offset) return false;
        flags[*n - offset] = kTrue;
        at = end + 1;
    }
    return true;
}

std::optional<Int16> smallNumber(std::wstring_view text, long long highest) {
    const auto n = wholeNumber(text);
    if (!n || *n > highest) return std::nullopt;
    return static_cast<Int16>(*n);
}

}  // namespace

std::string writeJobFile(const Job& job) {
    const BackupRecord& b = job.backup;
    const ScheduleRecord& s = job.schedule;
    KeyValues values = {{L"format", std::to_wstring(kJobFormat)}};
    for (const std::wstring& folder : b.BackupPath) values.emplace_back(L"folder", folder);
    const auto option = [](Int16 value) { return value == 1 ? L"1" : L"0"; };
    values.insert(values.end(),
                  {{L"destination", b.Destination},
                   {L"writemode", b.WriteMode == writeMode::Replace ? kWriteModes[1] : kWriteModes[0]},
                   {L"type", typeName(b.BackupMode)},
                   {L"verify", option(b.Verify)},
                   {L"registry", option(b.RegBackup)},
                   {L"restrict", option(b.Restriction)},
                   {L"compression", option(b.Compression)},
                   {L"keep", std::to_wstring(std::max<Int16>(b.KeepFullSets, 0))},
                   {L"guide", b.Guide},
                   {L"log", b.LogFileName},
                   {L"logdetail", b.LogFileMode == logFileMode::ExceptionsOnly ? kLogDetails[1] : kLogDetails[0]},
                   {L"rununit", std::to_wstring(s.RunUnit)},
                   {L"datemode", std::to_wstring(s.DateMode)},
                   {L"days", chosen(s.RunDate, 1)},
                   {L"weekdays", chosen(s.RunWeekday, 0)},
                   {L"time", two(s.RunHour) + L":" + two(s.RunMinute)}});
    if (job.drillEvery > 0) values.emplace_back(L"drill", std::to_wstring(job.drillEvery));
    return writeKeyValues(L"Lorvane: the copy backup's job, written by 設定をシステムに反映", values);
}

JobRead readJobFile(std::string_view bytes) {
    const std::optional<KeyValues> values = readKeyValues(bytes);
    if (!values) return {std::nullopt, L"ﾌｧｲﾙが壊れています。"};
    if (values->empty() || values->front() != std::pair<std::wstring, std::wstring>{L"format", L"1"})
        return {std::nullopt, L"ﾌｧｲﾙの形式が違います (新しい版のﾌｧｲﾙかもしれません)。"};
    Job job;
    BackupRecord& b = job.backup;
    ScheduleRecord& s = job.schedule;
    const auto option = [](Int16& field) {
        return [&field](std::wstring_view v) {
            if (v != L"0" && v != L"1") return false;
            field = v == L"1" ? 1 : 0;
            return true;
        };
    };
    const auto text = [](std::wstring& field) {
        return [&field](std::wstring_view v) { return field = v, true; };
    };
    const auto number = [](Int16& field, long long highest) {
        return [&field, highest](std::wstring_view v) {
            const auto n = smallNumber(v, highest);
            return n ? (field = *n, true) : false;
        };
    };
    const std::map<std::wstring, std::function<bool(std::wstring_view)>> readers = {
        {L"folder", [&](std::wstring_view v) { return b.BackupPath.emplace_back(v), !v.empty(); }},
        {L"destination", text(b.Destination)},
        {L"writemode", choice(kWriteModes, b.WriteMode)},
        {L"type",
         [&](std::wstring_view v) {
             if (v == L"none") return b.BackupMode = backupMode::None, true;
             for (std::size_t i = 0; i < kBackupTypes.size(); ++i)
                 if (v == kBackupTypes[i]) return b.BackupMode = static_cast<Int16>(i), true;
             return false;
         }},
        {L"verify", option(b.Verify)},
        {L"registry", option(b.RegBackup)},
        {L"restrict", option(b.Restriction)},
        {L"compression", option(b.Compression)},
        {L"keep", number(b.KeepFullSets, 999)},
        {L"guide", text(b.Guide)},
        {L"log", text(b.LogFileName)},
        {L"logdetail", choice(kLogDetails, b.LogFileMode)},
        {L"rununit", number(s.RunUnit, 4)},
        {L"datemode", number(s.DateMode, 2)},
        {L"days", [&](std::wstring_view v) { return readChosen(v, 1, s.RunDate); }},
        {L"weekdays", [&](std::wstring_view v) { return readChosen(v, 0, s.RunWeekday); }},
        {L"time",
         [&](std::wstring_view v) {
             const auto hour = v.size() == 5 && v[2] == L':' ? smallNumber(v.substr(0, 2), 23) : std::nullopt;
             const auto minute = hour ? smallNumber(v.substr(3), 59) : std::nullopt;
             if (!minute) return false;
             s.RunHour = *hour;
             s.RunMinute = *minute;
             return true;
         }},
        {L"drill",
         [&](std::wstring_view v) {
             const auto n = wholeNumber(v);
             return n && *n <= kMostDrillEvery ? (job.drillEvery = static_cast<int>(*n), true) : false;
         }},
    };
    for (std::size_t i = 1; i < values->size(); ++i) {
        const auto& [key, value] = (*values)[i];
        const auto reader = readers.find(key);
        if (reader == readers.end() || !reader->second(value))
            return {std::nullopt, L"ﾌｧｲﾙに読めない行があります：" + key + L"=" + value};
    }
    if (b.BackupPath.empty() || b.Destination.empty() || b.LogFileName.empty())
        return {std::nullopt, L"ﾌｧｲﾙにﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ、保存先またはﾛｸﾞﾌｧｲﾙがありません。"};
    return {job, {}};
}

std::string writeMark(std::wstring_view job) {
    return writeKeyValues(L"Lorvane: this folder receives the sets of this job's copy backup",
                          {{L"job", std::wstring(job)}});
}

bool markNamesJob(std::string_view bytes, std::wstring_view job) {
    const std::optional<KeyValues> values = readKeyValues(bytes);
    return values && std::any_of(values->begin(), values->end(),
                                 [&](const auto& value) { return value.first == L"job" && value.second == job; });
}

std::wstring typedFolder(std::wstring_view typed) {
    std::wstring text(trimBlanks(typed));
    while (text.size() > 3 && text.back() == L'\\') text.pop_back();
    if (text.size() == 2 && text[1] == L':') text += L'\\';
    return text;
}

std::wstring startFromJob(Settings& settings, const std::optional<std::string>& bytes) {
    if (!bytes) return {};
    JobRead read = readJobFile(*bytes);
    if (!read.job)
        return L"登録されているﾊﾞｯｸｱｯﾌﾟの設定 (tpbackup.ini) を読めないため、既定の設定で始めます。\r\n\r\n" + read.failure;
    settings.BackupSettings = std::move(read.job->backup);
    settings.ScheduleSettings = read.job->schedule;
    settings.BackupInfoSet = kTrue;
    settings.ScheduleSet = kTrue;
    return {};
}

}  // namespace lorvane::backup
