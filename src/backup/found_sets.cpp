#include "backup/found_sets.h"

#include <algorithm>

namespace lorvane::backup {

std::wstring join(const std::wstring& folder, std::wstring_view name) {
    return folder.empty() || folder.back() == L'\\' ? folder + std::wstring(name) : folder + L"\\" + std::wstring(name);
}

std::vector<FoundSet> findSets(BackupSystem& system, const std::wstring& destination) {
    std::vector<FoundSet> sets;
    for (const std::wstring& name : system.subfolders(destination)) {
        const std::optional<SetName> parsed = parseSetName(name);
        if (!parsed) continue;
        FoundSet set{name, *parsed, std::nullopt};
        if (const auto bytes = system.readFile(join(join(destination, name), kResultFileName)))
            set.record = readResultRecord(*bytes);
        sets.push_back(std::move(set));
    }
    std::sort(sets.begin(), sets.end(), [](const FoundSet& a, const FoundSet& b) {
        return a.parsed.started != b.parsed.started ? a.parsed.started < b.parsed.started : a.name < b.name;
    });
    return sets;
}

}  // namespace lorvane::backup
