#include "apply/copy_commands.h"

#include "apply/batch_text.h"

namespace lorvane {
namespace {

std::wstring withoutTrailingSeparators(std::wstring_view path) {
    std::wstring text(path);
    while (!text.empty() && text.back() == L'\\') text.pop_back();
    return text;
}

}  // namespace

std::wstring copyTarget(std::wstring_view destination, std::wstring_view folder) {
    std::wstring rest;
    for (wchar_t c : withoutTrailingSeparators(trimBlanks(folder)))
        if (c != L':') rest += c;
    const std::size_t first = rest.find_first_not_of(L'\\');
    rest.erase(0, first == std::wstring::npos ? rest.size() : first);
    std::wstring target = withoutTrailingSeparators(trimBlanks(destination));
    return rest.empty() ? target : target + L"\\" + rest;
}

std::vector<std::wstring> BuildCopyCommands(const std::wstring& program, const std::wstring& jobFile) {
    return {L"@echo off", quotedArgument(program) + L" " + kRunSwitch + L" " + quotedArgument(jobFile),
            L"exit /b %errorlevel%"};
}

std::wstring BuildTaskCommand(const std::wstring& taskFile) {
    return L"schtasks /create /tn \"" + std::wstring(kTaskName) + L"\" /xml " + quotedArgument(taskFile) + L" /f";
}

}  // namespace lorvane
