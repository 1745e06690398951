#include "apply/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "apply/copy_commands.h"
#include "schedules.h"

namespace lorvane {
namespace {

struct BackupCase {
    const char* name;
    BackupRecord record;
    std::wstring line;
    friend void PrintTo(const BackupCase& c, std::ostream* os) { *os << c.name; }
};

class BackupCommand : public testing::TestWithParam<BackupCase> {};

TEST_P(BackupCommand, Line) {
    EXPECT_EQ(BuildBackupCommand(GetParam().record), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BackupCommand,
    testing::Values(
        BackupCase{
            "FirstWorkedExample",
            {{L"C:\\Data", L"D:\\Work"}, 1, 1, 1, 0, 0, L"  weekly set ", 2, L"C:\\Logs\\tpbackup.log", 1, L""},
            LR"x(ntbackup backup C:\Data D:\Work /v /d"weekly set" /b /hc:off /t {incremental} )x"
            LR"x(/l "C:\Logs\tpbackup.log" /e)x"},
        BackupCase{"SecondWorkedExample",
                   {{L"C:\\Data"}, 0, 0, 0, 0, 1, L"", 0, L"C:\\Logs\\tpbackup.log", 0, L""},
                   LR"x(ntbackup backup C:\Data /a /hc:on /t {normal} /l "C:\Logs\tpbackup.log")x"},
        BackupCase{"OnlyExactValuesSwitchOptionsOn",
                   {{L"C:\\A"}, -1, -1, 2, -1, 2, L"   ", 5, L" C:\\L.log ", -1, L""},
                   LR"x(ntbackup backup C:\A /hc:off /l "C:\L.log")x"},
        BackupCase{"EveryOptionOn",
                   {{L"C:\\A", L"C:\\B", L"C:\\C"}, 0, 1, 1, 1, 1, L"x", 4, L"", 1, L""},
                   LR"x(ntbackup backup C:\A C:\B C:\C /a /v /r /d"x" /b /hc:on /t {daily} /l "" /e)x"},
        BackupCase{"BlanksAroundFoldersTrimmedInnerOnesQuoted",
                   {{L"  D:\\My Work  ", L"\tC:\\T"}, 1, 0, 0, 0, 0, L"", 1, L"C:\\L.log", 0, L""},
                   L"ntbackup backup \"D:\\My Work\" \"\tC:\\T\" /hc:off /t {copy} /l \"C:\\L.log\""}),
    [](const auto& info) { return std::string(info.param.name); });

struct AtCase {
    const char* name;
    ScheduleRecord record;
    std::wstring line;
    CivilTime now = {2024, 11, 26, 10, 0, 0};
    friend void PrintTo(const AtCase& c, std::ostream* os) { *os << c.name; }
};

using test::Schedule;

class AtCommand : public testing::TestWithParam<AtCase> {};

TEST_P(AtCommand, Line) {
    EXPECT_EQ(BuildAtCommand(GetParam().record, DateTime::fromCivil(GetParam().now)), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AtCommand,
    testing::Values(AtCase{"Today", Schedule(1, 1, {}, 23, 5), L"at 23:05 tpbackup"},
                    AtCase{"EveryByDate", Schedule(3, 1, {15, 1}, 3, 30), L"at 03:30 /every:1,15 tpbackup"},
                    AtCase{"NextByWeekday", Schedule(4, 2, {4, 1}, 21, 0), L"at 21:00 /next:M,Th tpbackup"},
                    AtCase{"EveryWeekday", Schedule(3, 2, {0, 1, 2, 3, 4, 5, 6}, 1, 0),
                           L"at 01:00 /every:Su,M,T,W,Th,F,S tpbackup"},
                    AtCase{"UnitZeroMidnight", Schedule(0, 1, {5}, 0, 0), L"at 00:00 tpbackup"},
                    AtCase{"UnitFive", Schedule(5, 2, {3}, 9, 5), L"at 09:05 tpbackup"},
                    AtCase{"FirstAndLastDay", Schedule(4, 1, {31, 1}, 12, 0),
                           L"at 12:00 /next:1,31 tpbackup"},
                    AtCase{"SaturdayOnlyModeZeroMeansWeekdays", Schedule(3, 0, {6}, 12, 0),
                           L"at 12:00 /every:S tpbackup"},
                    AtCase{"SundayOnly", Schedule(4, 2, {0}, 12, 0), L"at 12:00 /next:Su tpbackup"},
                    AtCase{"EveryWithNoDayIsDaily", Schedule(3, 1, {}, 2, 30),
                           L"at 02:30 /every:Su,M,T,W,Th,F,S tpbackup"},
                    AtCase{"NextWithNoDay", Schedule(4, 2, {}, 2, 30), L"at 02:30 tpbackup"},
                    AtCase{"Tomorrow", Schedule(2, 2, {1}, 2, 30), L"at 02:30 /next:27 tpbackup"},
                    AtCase{"TomorrowAtMonthEnd",
                           Schedule(2, 1, {}, 2, 30),
                           L"at 02:30 /next:1 tpbackup",
                           {2024, 11, 30, 23, 59}}),
    [](const auto& info) { return std::string(info.param.name); });

// What the program receives from a batch line: cmd's %% and special-character
// rules, then the CommandLineToArgvW split. Nothing when cmd would expand a
// variable or act on a character instead of passing it on.
std::optional<std::vector<std::wstring>> RunBatchLine(const std::wstring& line) {
    std::wstring passed;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == L'%' && (i + 1 == line.size() || line[++i] != L'%')) return std::nullopt;
        if (line[i] == L'"') quoted = !quoted;
        if (!quoted && std::wstring_view(L"&|<>^()\r\n").find(line[i]) != std::wstring_view::npos)
            return std::nullopt;
        passed += line[i];
    }
    std::vector<std::wstring> args;
    std::optional<std::wstring> arg;
    quoted = false;
    for (std::size_t i = 0; i < passed.size(); ++i) {
        const wchar_t c = passed[i];
        if ((c == L' ' || c == L'\t') && !quoted) {
            if (arg) args.push_back(*arg);
            arg.reset();
        } else if (c == L'\\') {
            const std::size_t n = passed.find_first_not_of(L'\\', i) - i;
            const bool beforeQuote = i + n < passed.size() && passed[i + n] == L'"';
            arg = arg.value_or(L"") + std::wstring(beforeQuote ? n / 2 : n, L'\\') +
                  (beforeQuote && n % 2 ? L"\"" : L"");
            i += n - 1 + (beforeQuote && n % 2);
        } else if (c == L'"') {
            arg = arg.value_or(L"");
            quoted = !quoted;
        } else {
            arg = arg.value_or(L"") + c;
        }
    }
    if (arg) args.push_back(*arg);
    return args;
}

class RoundTrip : public testing::TestWithParam<std::wstring> {};

// The same text as a folder, a description and a log file reaches ntbackup unchanged.
TEST_P(RoundTrip, ProgramGetsExactlyTheTypedText) {
    const std::wstring& text = GetParam();
    const BackupRecord record{{text}, 1, 0, 0, 0, 0, text, -1, text, 0, L""};
    const std::vector<std::wstring> expected = {L"ntbackup", L"backup", text, L"/d" + text,
                                                L"/hc:off",  L"/l",     text};
    EXPECT_EQ(RunBatchLine(BuildBackupCommand(record)), expected);
}

// The copy's command file hands the program its job file, whatever the system directory is called.
TEST_P(RoundTrip, CopyCommandFileStartsTheProgramWithItsJob) {
    const std::wstring& text = GetParam();
    const std::vector<std::wstring> lines = BuildCopyCommands(text + L"\\lorvane.exe", text + L"\\tpbackup.ini");
    const std::vector<std::wstring> expected = {text + L"\\lorvane.exe", L"/backup", text + L"\\tpbackup.ini"};
    EXPECT_EQ(RunBatchLine(lines.at(1)), expected);
    EXPECT_EQ(lines.back(), L"exit /b %errorlevel%");
}

INSTANTIATE_TEST_SUITE_P(NastyInputs, RoundTrip,
                         testing::Values(L"C:\\100%", L"C:\\%PATH%", L"D:\\A & B", L"D:\\(old)",
                                         L"D:\\a,b;c=d", L"D:\\My Work", L"C:\\", L"D:\\My Work\\\\",
                                         L"D:\\x^y|<z>", L"a\tb\\", L"D:\\データ\\経理 2024", L"C:\\￥yen",
                                         L"D:\\＂引用＂", L"C:\\" + std::wstring(9000, L'x')));

}  // namespace
}  // namespace lorvane
