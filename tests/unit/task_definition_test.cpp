#include "apply/task_definition.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "core/utf16.h"
#include "schedules.h"

namespace lorvane {
namespace {

using test::Schedule;

// The triggers as one line: the document's line breaks and indentation taken out.
std::wstring Triggers(const std::wstring& xml) {
    const std::size_t begin = xml.find(L"<Triggers>") + 10;
    std::wstring compact;
    for (std::size_t i = begin; i < xml.find(L"</Triggers>"); ++i)
        if (xml[i] == L'\n')
            i = xml.find_first_not_of(L' ', i + 1) - 1;
        else if (xml[i] != L'\r')
            compact += xml[i];
    return compact;
}

std::wstring Start(const std::wstring& time) {
    return L"<Enabled>true</Enabled><StartBoundary>" + time + L":00</StartBoundary>";
}
std::wstring Once(const std::wstring& time) {
    return L"<TimeTrigger>" + Start(time) + L"</TimeTrigger>";
}
std::wstring Weekly(const std::wstring& time, const std::wstring& days) {
    return L"<CalendarTrigger>" + Start(time) +
           L"<ScheduleByWeek><WeeksInterval>1</WeeksInterval><DaysOfWeek>" + days +
           L"</DaysOfWeek></ScheduleByWeek></CalendarTrigger>";
}
std::wstring Monthly(const std::wstring& time, const std::wstring& days) {
    return L"<CalendarTrigger>" + Start(time) + L"<ScheduleByMonth><DaysOfMonth>" + days +
           L"</DaysOfMonth><Months><January /><February /><March /><April /><May /><June /><July /><August />"
           L"<September /><October /><November /><December /></Months></ScheduleByMonth></CalendarTrigger>";
}

struct TriggerCase {
    const char* name;
    ScheduleRecord record;
    std::wstring triggers;
    CivilTime now = {2024, 11, 26, 10, 0, 0};  // a Tuesday
    friend void PrintTo(const TriggerCase& c, std::ostream* os) { *os << c.name; }
};

class TaskTriggers : public testing::TestWithParam<TriggerCase> {};

TEST_P(TaskTriggers, FromSchedule) {
    const std::wstring xml =
        BuildTaskXml(GetParam().record, DateTime::fromCivil(GetParam().now), L"C:\\t.cmd", L"");
    EXPECT_EQ(Triggers(xml), GetParam().triggers);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TaskTriggers,
    testing::Values(
        TriggerCase{"TodayAhead", Schedule(1, 1, {}, 10, 1), Once(L"2024-11-26T10:01")},
        TriggerCase{"TodayNowRunsTomorrow", Schedule(1, 1, {}, 10, 0), Once(L"2024-11-27T10:00")},
        TriggerCase{"UnitFivePassedRunsTomorrow", Schedule(5, 2, {3}, 9, 59), Once(L"2024-11-27T09:59")},
        TriggerCase{
            "TomorrowAtYearEnd", Schedule(2, 2, {}, 23, 59), Once(L"2025-01-01T23:59"), {2024, 12, 31, 8, 0}},
        TriggerCase{"EveryWeekday", Schedule(3, 2, {5, 1}, 2, 30),
                    Weekly(L"2024-11-27T02:30", L"<Monday /><Friday />")},
        TriggerCase{"EveryDayOfMonthStartsToday", Schedule(3, 1, {31, 1, 15}, 23, 0),
                    Monthly(L"2024-11-26T23:00", L"<Day>1</Day><Day>15</Day><Day>31</Day>")},
        TriggerCase{"EveryWithNoDayIsDaily", Schedule(3, 1, {}, 2, 30),
                    Weekly(L"2024-11-27T02:30",
                           L"<Sunday /><Monday /><Tuesday /><Wednesday /><Thursday />"
                           L"<Friday /><Saturday />")},
        TriggerCase{"NextWithNoDayIsNextOccurrence",
                    Schedule(4, 2, {}, 9, 0),
                    Once(L"2024-11-28T09:00"),
                    {2024, 11, 27, 12, 0}},
        TriggerCase{"NextWeekdayTodayBeforeTime", Schedule(4, 2, {2}, 10, 1), Once(L"2024-11-26T10:01")},
        TriggerCase{"NextWeekdayTodayAfterTime", Schedule(4, 2, {2}, 9, 0), Once(L"2024-12-03T09:00")},
        TriggerCase{"NextWeekdaysOnePerDay", Schedule(4, 2, {3, 0}, 12, 0),
                    Once(L"2024-12-01T12:00") + Once(L"2024-11-27T12:00")},
        TriggerCase{"NextDayTodayBeforeTime", Schedule(4, 1, {26}, 10, 30), Once(L"2024-11-26T10:30")},
        TriggerCase{"NextDayTodayAfterTime", Schedule(4, 1, {26}, 9, 0), Once(L"2024-12-26T09:00")},
        TriggerCase{"Next31stFromNovember30",
                    Schedule(4, 1, {31}, 2, 0),
                    Once(L"2024-12-31T02:00"),
                    {2024, 11, 30, 12, 0}},
        TriggerCase{"Next31stPassedAtYearEnd",
                    Schedule(4, 1, {31}, 2, 0),
                    Once(L"2025-01-31T02:00"),
                    {2024, 12, 31, 12, 0}},
        TriggerCase{"NextMonthEndsFromFebruary",
                    Schedule(4, 1, {1, 29, 30, 31}, 2, 0),
                    Once(L"2025-03-01T02:00") + Once(L"2025-03-29T02:00") + Once(L"2025-03-30T02:00") +
                        Once(L"2025-03-31T02:00"),
                    {2025, 2, 10, 12, 0}},
        TriggerCase{"Next29thInLeapFebruary",
                    Schedule(4, 1, {29}, 2, 0),
                    Once(L"2024-02-29T02:00"),
                    {2024, 2, 10, 12, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TaskXml, WholeTaskForEveryMondayAndFriday) {
    const std::wstring xml =
        BuildTaskXml(Schedule(3, 2, {1, 5}, 2, 30), DateTime::fromCivil({2026, 12, 7, 9, 0}),
                     L"C:\\WINDOWS\\system32\\tpbackup.cmd", L"  weekly set ");
    EXPECT_EQ(xml,
              L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
              L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
              L"  <RegistrationInfo>\r\n"
              L"    <Description>weekly set</Description>\r\n"
              L"  </RegistrationInfo>\r\n"
              L"  <Triggers>\r\n"
              L"    <CalendarTrigger>\r\n"
              L"      <Enabled>true</Enabled>\r\n"
              L"      <StartBoundary>2026-12-08T02:30:00</StartBoundary>\r\n"
              L"      <ScheduleByWeek>\r\n"
              L"        <WeeksInterval>1</WeeksInterval>\r\n"
              L"        <DaysOfWeek>\r\n"
              L"          <Monday />\r\n"
              L"          <Friday />\r\n"
              L"        </DaysOfWeek>\r\n"
              L"      </ScheduleByWeek>\r\n"
              L"    </CalendarTrigger>\r\n"
              L"  </Triggers>\r\n"
              L"  <Principals>\r\n"
              L"    <Principal id=\"Author\">\r\n"
              L"      <UserId>S-1-5-18</UserId>\r\n"
              L"      <RunLevel>HighestAvailable</RunLevel>\r\n"
              L"    </Principal>\r\n"
              L"  </Principals>\r\n"
              L"  <Settings>\r\n"
              L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
              L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
              L"    <StartWhenAvailable>true</StartWhenAvailable>\r\n"
              L"    <ExecutionTimeLimit>PT72H</ExecutionTimeLimit>\r\n"
              L"  </Settings>\r\n"
              L"  <Actions Context=\"Author\">\r\n"
              L"    <Exec>\r\n"
              L"      <Command>C:\\WINDOWS\\system32\\tpbackup.cmd</Command>\r\n"
              L"    </Exec>\r\n"
              L"  </Actions>\r\n"
              L"</Task>\r\n");
}

TEST(TaskXml, TextsAreEscapedAndABlankDescriptionIsLeftOut) {
    const ScheduleRecord today = Schedule(1, 1, {}, 12, 0);
    const std::wstring xml = BuildTaskXml(today, {}, L"C:\\A&B\\<x>.cmd", L" \"R&D\" <'週次'> ");
    EXPECT_NE(xml.find(L"<Description>&quot;R&amp;D&quot; &lt;&apos;週次&apos;&gt;</Description>"),
              std::wstring::npos);
    EXPECT_NE(xml.find(L"<Command>C:\\A&amp;B\\&lt;x&gt;.cmd</Command>"), std::wstring::npos);
    EXPECT_EQ(BuildTaskXml(today, {}, L"C:\\t.cmd", L"   ").find(L"RegistrationInfo"), std::wstring::npos);
}

std::string Bytes(std::initializer_list<unsigned char> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(Utf16Le, BytesStartWithTheByteOrderMark) {
    const struct {
        std::wstring text;
        std::string bytes;
    } cases[] = {
        {L"", Bytes({0xFF, 0xFE})},
        {L"<A", Bytes({0xFF, 0xFE, '<', 0, 'A', 0})},
        {L"日本", Bytes({0xFF, 0xFE, 0xE5, 0x65, 0x2C, 0x67})},
        {L"\U0001F600", Bytes({0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE})},
    };
    for (const auto& c : cases) EXPECT_EQ(encodeUtf16Le(c.text), c.bytes);
}

}  // namespace
}  // namespace lorvane
