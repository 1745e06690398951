#include "backup/backup_sets.h"

#include <algorithm>
#include <set>

#include "apply/key_values.h"
#include "backup/restore_chain.h"

namespace lorvane::backup {
namespace {

constexpr const wchar_t* kResultNames[] = {L"running", L"success", L"partial", L"failed"};

std::wstring digits(int n, int width) {
    std::wstring text = std::to_wstring(n);
    return std::wstring(text.size() < static_cast<std::size_t>(width) ? width - text.size() : 0, L'0') + text;
}

std::wstring isoTime(DateTime time) {
    const CivilTime c = time.civil();
    return digits(c.year, 4) + L"-" + digits(c.month, 2) + L"-" + digits(c.day, 2) + L"T" + digits(c.hour, 2) +
           L":" + digits(c.minute, 2) + L":" + digits(c.second, 2);
}

constexpr std::wstring_view kIsoPattern = L"dddd-dd-ddTdd:dd:dd";
constexpr std::wstring_view kSetNamePattern = L"dddd-dd-dd_dddddd";

// The date and time the text starts with, in the pattern's shape: 'd' a digit,
// any other character itself; the numbers are year, month, day, hour, minute,
// second (a run of six digits holds the last three).
std::optional<DateTime> timeIn(std::wstring_view text, std::wstring_view pattern) {
    if (text.size() < pattern.size()) return std::nullopt;
    std::wstring numbers;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == L'd' ? (text[i] < L'0' || text[i] > L'9') : text[i] != pattern[i]) return std::nullopt;
        if (pattern[i] == L'd') numbers += text[i];
    }
    const auto n = [&](std::size_t at, std::size_t count) { return std::stoi(numbers.substr(at, count)); };
    const CivilTime civil{n(0, 4), n(4, 2), n(6, 2), n(8, 2), n(10, 2), n(12, 2)};
    if (civil.year < 1970 || civil.hour > 23 || civil.minute > 59 || civil.second > 59) return std::nullopt;
    const DateTime time = DateTime::fromCivil(civil);
    const CivilTime back = time.civil();
    if (back.day != civil.day || back.month != civil.month) return std::nullopt;  // 31 February, month 13
    return time;
}

std::optional<Int16> typeNamed(std::wstring_view name) {
    for (std::size_t i = 0; i < kBackupTypes.size(); ++i)
        if (name == kBackupTypes[i]) return static_cast<Int16>(i);
    if (name == L"none") return backupMode::None;
    return std::nullopt;
}

std::wstring typeName(Int16 type) {
    return type >= 0 && type < static_cast<Int16>(kBackupTypes.size()) ? kBackupTypes[type] : L"none";
}

bool finished(const FoundSet& set) { return set.record && set.record->result != SetResult::Running; }

// The indexes of the sets that sets[at] needs to be restored: its base and, for an
// incremental, the incrementals between; and every set its restore chain takes.
std::set<std::size_t> needs(const std::vector<FoundSet>& sets, std::size_t at) {
    const Int16 type = sets[at].parsed.type;
    if (type != backupMode::Incremental && type != backupMode::Differential) return {};
    std::set<std::size_t> needed;
    for (std::size_t i = at; i-- > 0;) {
        if (isBase(sets[i])) {
            needed.insert(i);
            break;
        }
        if (type == backupMode::Incremental && sets[i].parsed.type == backupMode::Incremental && finished(sets[i]))
            needed.insert(i);
    }
    // And whatever a restore of it takes: a normal set that failed part way cleared bits too.
    for (std::size_t i : restoreChain(sets, at).sets)
        if (i != at) needed.insert(i);
    return needed;
}

}  // namespace

int exitCodeOf(SetResult result) {
    switch (result) {
        case SetResult::Success: return 0;
        case SetResult::Partial: return 1;
        default: return 2;
    }
}

std::wstring resultWord(SetResult result) {
    switch (result) {
        case SetResult::Success: return L"成功";
        case SetResult::Partial: return L"一部のﾌｧｲﾙをｺﾋﾟｰできませんでした";
        case SetResult::Failed: return L"失敗";
        default: return L"実行中";
    }
}

std::string writeResultRecord(const ResultRecord& r) {
    const auto count = [](std::uint64_t n) { return std::to_wstring(n); };
    KeyValues values = {{L"format", std::to_wstring(kResultFormat)},
                           {L"set", r.set},
                           {L"type", typeName(r.type)},
                           {L"started", isoTime(r.started)},
                           {L"ended", isoTime(r.ended)},
                           {L"result", kResultNames[static_cast<int>(r.result)]},
                           {L"exitcode", std::to_wstring(exitCodeOf(r.result))},
                           {L"snapshot", r.snapshot ? L"yes" : L"no"},
                           {L"files", count(r.files)},
                           {L"bytes", count(r.bytes)},
                           {L"failed", count(r.failed)},
                           {L"mismatches", count(r.mismatches)},
                           {L"reason", r.reason}};
    if (!r.drill.empty()) values.emplace_back(L"drill", r.drill);
    return writeKeyValues(L"Lorvane: the result of one run of the copy backup", values);
}

std::optional<ResultRecord> readResultRecord(std::string_view bytes) {
    const std::optional<KeyValues> values = readKeyValues(bytes);
    // A drill after the run adds its line at the end.
    if (!values || (values->size() != 13 && values->size() != 14) || (*values)[0] != std::pair<std::wstring, std::wstring>{L"format", L"1"})
        return std::nullopt;
    const auto value = [&](std::size_t i, const wchar_t* key) -> std::optional<std::wstring> {
        if ((*values)[i].first != key) return std::nullopt;
        return (*values)[i].second;
    };
    ResultRecord r;
    const auto set = value(1, L"set"), type = value(2, L"type"), started = value(3, L"started"),
               ended = value(4, L"ended"), result = value(5, L"result"), snapshot = value(7, L"snapshot"),
               reason = value(12, L"reason");
    const auto files = value(8, L"files"), bytesHeld = value(9, L"bytes"), failed = value(10, L"failed"),
               mismatches = value(11, L"mismatches");
    if (!set || !type || !started || !ended || !result || !snapshot || !reason || !files || !bytesHeld ||
        !failed || !mismatches || !value(6, L"exitcode"))
        return std::nullopt;
    const auto typeValue = typeNamed(*type);
    const auto startedAt = timeIn(*started, kIsoPattern), endedAt = timeIn(*ended, kIsoPattern);
    const auto resultAt = std::find(std::begin(kResultNames), std::end(kResultNames), *result);
    const auto f = wholeNumber(*files), b = wholeNumber(*bytesHeld), x = wholeNumber(*failed),
               m = wholeNumber(*mismatches);
    if (!typeValue || !startedAt || !endedAt || resultAt == std::end(kResultNames) || !f || !b || !x || !m ||
        (*snapshot != L"yes" && *snapshot != L"no"))
        return std::nullopt;
    r.set = *set;
    r.type = *typeValue;
    r.started = *startedAt;
    r.ended = *endedAt;
    r.result = static_cast<SetResult>(resultAt - std::begin(kResultNames));
    r.snapshot = *snapshot == L"yes";
    r.files = static_cast<std::uint64_t>(*f);
    r.bytes = static_cast<std::uint64_t>(*b);
    r.failed = static_cast<std::uint64_t>(*x);
    r.mismatches = static_cast<std::uint64_t>(*m);
    r.reason = *reason;
    if (values->size() == 14) {
        const auto drill = value(13, L"drill");
        if (!drill || drill->empty()) return std::nullopt;
        r.drill = *drill;
    }
    return r;
}

std::wstring setName(DateTime started, Int16 type) {
    std::wstring iso = isoTime(started);  // 2026-12-08T02:30:00
    std::wstring name = iso.substr(0, 10) + L"_" + iso.substr(11, 2) + iso.substr(14, 2) + iso.substr(17, 2);
    return name + L"_" + typeName(type);
}

std::optional<SetName> parseSetName(std::wstring_view name) {
    const std::optional<DateTime> started = timeIn(name, kSetNamePattern);
    if (!started || name.size() < 19 || name[17] != L'_') return std::nullopt;
    std::wstring_view type = name.substr(18);
    // A second run in the same second gets "_2", "_3", ...
    if (const std::size_t underscore = type.find(L'_'); underscore != std::wstring_view::npos) {
        if (!wholeNumber(type.substr(underscore + 1))) return std::nullopt;
        type = type.substr(0, underscore);
    }
    const auto typeValue = typeNamed(type);
    if (!typeValue) return std::nullopt;
    return SetName{*started, *typeValue};
}

bool isBase(const FoundSet& set) {
    return set.parsed.type == backupMode::Normal && set.record &&
           (set.record->result == SetResult::Success || set.record->result == SetResult::Partial);
}

std::vector<std::wstring> setsToDelete(const std::vector<FoundSet>& sets, int keepFull, bool replace) {
    if (sets.empty() || !finished(sets.back()) || sets.back().record->result == SetResult::Failed) return {};
    const std::size_t newest = sets.size() - 1;
    std::set<std::size_t> doomed;
    if (keepFull > 0) {
        std::vector<std::size_t> bases;
        for (std::size_t i = 0; i < sets.size(); ++i)
            if (isBase(sets[i])) bases.push_back(i);
        if (bases.size() > static_cast<std::size_t>(keepFull))
            for (std::size_t i = 0; i < bases[bases.size() - keepFull]; ++i) doomed.insert(i);
    }
    if (replace && sets.back().record->result == SetResult::Success) {
        const std::set<std::size_t> needed = needs(sets, newest);
        for (std::size_t i = 0; i < newest; ++i)
            if (!needed.contains(i)) doomed.insert(i);
    }
    // Whatever a kept set needs stays.
    for (std::size_t i = 0; i < sets.size(); ++i)
        if (!doomed.contains(i))
            for (std::size_t needed : needs(sets, i)) doomed.erase(needed);
    std::vector<std::wstring> names;
    for (std::size_t i : doomed) names.push_back(sets[i].name);
    return names;
}

}  // namespace lorvane::backup
