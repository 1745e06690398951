#include "apply/task_definition.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "apply/command_line.h"

namespace lorvane {
namespace {

constexpr const wchar_t* kWeekdayElements[] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                               L"Thursday", L"Friday", L"Saturday"};
constexpr const wchar_t* kMonthElements[] = {L"January",   L"February", L"March",    L"April",
                                             L"May",       L"June",     L"July",     L"August",
                                             L"September", L"October",  L"November", L"December"};

// SYSTEM by its SID, which every language of Windows knows; at jobs ran as SYSTEM too.
constexpr const wchar_t* kSystemSid = L"S-1-5-18";
// The time an at job was allowed before the scheduler stopped it.
constexpr const wchar_t* kExecutionTimeLimit = L"PT72H";
// Ties the action to the one principal, as the Task Scheduler's own exports do.
constexpr const wchar_t* kPrincipalId = L"Author";

// The five characters that mean something in XML, and the references that stand for them.
constexpr std::wstring_view kXmlSpecials = L"&<>\"'";
constexpr const wchar_t* kXmlEntities[] = {L"&amp;", L"&lt;", L"&gt;", L"&quot;", L"&apos;"};

std::wstring xmlText(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        const std::size_t k = kXmlSpecials.find(c);
        if (k == std::wstring_view::npos)
            out += c;
        else
            out += kXmlEntities[k];
    }
    return out;
}

std::wstring padded(int value, std::size_t width) {
    const std::wstring digits = std::to_wstring(value);
    return std::wstring(digits.size() < width ? width - digits.size() : 0, L'0') + digits;
}

// Local time without a zone, so that the machine's own clock and no date format decides.
std::wstring isoLocal(DateTime time) {
    const CivilTime c = time.civil();
    return padded(c.year, 4) + L"-" + padded(c.month, 2) + L"-" + padded(c.day, 2) + L"T" +
           padded(c.hour, 2) + L":" + padded(c.minute, 2) + L":" + padded(c.second, 2);
}

// The schedule's time on the date of `day`.
DateTime runTimeOn(DateTime day, const ScheduleRecord& schedule) {
    CivilTime c = day.civil();
    c.hour = schedule.RunHour;
    c.minute = schedule.RunMinute;
    c.second = 0;
    return DateTime::fromCivil(c);
}

// A run counts as ahead only when it is strictly later than now, to the second: a
// time that has come or gone today waits for its next day, as at decides for a time
// without days. The schedule dialog accepts the current minute for today, but by the
// time the task is registered that minute has begun, and a run set in the past would
// be a missed one: never run, or run at once as missed runs are, not at its time.
DateTime nextOccurrence(const ScheduleRecord& schedule, DateTime now) {
    const DateTime today = runTimeOn(now, schedule);
    return today > now ? today : runTimeOn(now.addDays(1), schedule);
}

DateTime nextWeekday(int weekday, const ScheduleRecord& schedule, DateTime now) {
    for (int k = 0;; ++k) {
        const DateTime day = now.addDays(k);
        if (day.weekday() == weekday && runTimeOn(day, schedule) > now) return runTimeOn(day, schedule);
    }
}

// Months without that day are skipped: the 31st waits for the next month that has one.
DateTime nextDayOfMonth(int dayOfMonth, const ScheduleRecord& schedule, DateTime now) {
    CivilTime month = now.civil();
    for (;;) {
        const DateTime day = DateTime::fromCivil({month.year, month.month, dayOfMonth});
        if (day.civil().day == dayOfMonth && runTimeOn(day, schedule) > now) return runTimeOn(day, schedule);
        if (++month.month > 12) {
            month.month = 1;
            ++month.year;
        }
    }
}

// The indexes whose flag holds exactly -1, ascending.
template <std::size_t N>
std::vector<int> chosen(const std::array<Int16, N>& flags) {
    std::vector<int> indexes;
    for (std::size_t k = 0; k < N; ++k)
        if (flags[k] == kTrue) indexes.push_back(static_cast<int>(k));
    return indexes;
}

// Indented lines ending in CR LF, for a reader who opens the file.
class Writer {
public:
    // attributes: the text after the name inside the tag, with its leading blank.
    void open(std::wstring_view name, std::wstring_view attributes = {}) {
        line(L"<" + std::wstring(name) + std::wstring(attributes) + L">");
        ++depth_;
    }
    void close(std::wstring_view name) {
        --depth_;
        line(L"</" + std::wstring(name) + L">");
    }
    void element(std::wstring_view name, std::wstring_view text) {
        line(L"<" + std::wstring(name) + L">" + std::wstring(text) + L"</" + std::wstring(name) + L">");
    }
    void empty(std::wstring_view name) { line(L"<" + std::wstring(name) + L" />"); }
    void line(std::wstring_view text) {
        text_.append(2 * depth_, L' ');
        text_ += text;
        text_ += L"\r\n";
    }
    const std::wstring& text() const { return text_; }

private:
    std::wstring text_;
    std::size_t depth_ = 0;
};

// The schema orders a trigger's common elements Enabled, StartBoundary, EndBoundary, ...
void beginTrigger(Writer& xml, std::wstring_view kind, DateTime start) {
    xml.open(kind);
    xml.element(L"Enabled", L"true");
    xml.element(L"StartBoundary", isoLocal(start));
}

void singleRun(Writer& xml, DateTime start) {
    beginTrigger(xml, L"TimeTrigger", start);
    xml.close(L"TimeTrigger");
}

void weekly(Writer& xml, DateTime start, const std::vector<int>& weekdays) {
    beginTrigger(xml, L"CalendarTrigger", start);
    xml.open(L"ScheduleByWeek");
    xml.element(L"WeeksInterval", L"1");
    xml.open(L"DaysOfWeek");
    for (int weekday : weekdays) xml.empty(kWeekdayElements[weekday]);
    xml.close(L"DaysOfWeek");
    xml.close(L"ScheduleByWeek");
    xml.close(L"CalendarTrigger");
}

void monthly(Writer& xml, DateTime start, const std::vector<int>& days) {
    beginTrigger(xml, L"CalendarTrigger", start);
    xml.open(L"ScheduleByMonth");
    xml.open(L"DaysOfMonth");
    for (int k : days) xml.element(L"Day", std::to_wstring(k + 1));
    xml.close(L"DaysOfMonth");
    xml.open(L"Months");
    for (const wchar_t* month : kMonthElements) xml.empty(month);
    xml.close(L"Months");
    xml.close(L"ScheduleByMonth");
    xml.close(L"CalendarTrigger");
}

// RunUnit values other than tomorrow, every and next act as today; DateMode 1 picks
// the days of the month, any other value the weekdays. Every with no day chosen runs
// on all seven weekdays and next with no day chosen is the next occurrence of the
// time, as the at line (no unit part) has it.
void triggers(Writer& xml, const ScheduleRecord& schedule, DateTime now) {
    const bool byDate = schedule.DateMode == dateMode::DaysOfMonth;
    const std::vector<int> days = byDate ? chosen(schedule.RunDate) : chosen(schedule.RunWeekday);
    switch (schedule.RunUnit) {
        case runUnit::Tomorrow:
            singleRun(xml, runTimeOn(now.addDays(1), schedule));
            break;
        case runUnit::Every:
            // The first run the trigger may start is the next occurrence of the time, so
            // that registering never counts a run of earlier today as missed.
            if (byDate && !days.empty())
                monthly(xml, nextOccurrence(schedule, now), days);
            else
                weekly(xml, nextOccurrence(schedule, now),
                       days.empty() ? std::vector{0, 1, 2, 3, 4, 5, 6} : days);
            break;
        case runUnit::Next:
            if (days.empty()) singleRun(xml, nextOccurrence(schedule, now));
            for (int k : days)
                singleRun(xml, byDate ? nextDayOfMonth(k + 1, schedule, now) : nextWeekday(k, schedule, now));
            break;
        default:
            singleRun(xml, nextOccurrence(schedule, now));
            break;
    }
}

}  // namespace

std::wstring BuildTaskXml(const ScheduleRecord& schedule, DateTime now, const std::wstring& commandFile,
                          const std::wstring& description) {
    Writer xml;
    xml.line(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>");
    xml.open(L"Task", L" version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\"");
    const std::wstring_view trimmed = trimBlanks(description);
    if (!trimmed.empty()) {
        xml.open(L"RegistrationInfo");
        xml.element(L"Description", xmlText(trimmed));
        xml.close(L"RegistrationInfo");
    }
    xml.open(L"Triggers");
    triggers(xml, schedule, now);
    xml.close(L"Triggers");
    xml.open(L"Principals");
    xml.open(L"Principal", L" id=\"" + std::wstring(kPrincipalId) + L"\"");
    xml.element(L"UserId", kSystemSid);
    xml.element(L"RunLevel", L"HighestAvailable");
    xml.close(L"Principal");
    xml.close(L"Principals");
    xml.open(L"Settings");
    // An `at` job ran whatever the power: a laptop on battery still backs up.
    xml.element(L"DisallowStartIfOnBatteries", L"false");
    xml.element(L"StopIfGoingOnBatteries", L"false");
    xml.element(L"StartWhenAvailable", L"true");
    xml.element(L"ExecutionTimeLimit", kExecutionTimeLimit);
    xml.close(L"Settings");
    xml.open(L"Actions", L" Context=\"" + std::wstring(kPrincipalId) + L"\"");
    xml.open(L"Exec");
    xml.element(L"Command", xmlText(commandFile));
    xml.close(L"Exec");
    xml.close(L"Actions");
    xml.close(L"Task");
    return xml.text();
}

std::optional<DateTime> nextRepeatingRun(const ScheduleRecord& schedule, DateTime now) {
    if (schedule.RunUnit != runUnit::Every) return std::nullopt;
    const bool byDate = schedule.DateMode == dateMode::DaysOfMonth;
    std::vector<int> days = byDate ? chosen(schedule.RunDate) : chosen(schedule.RunWeekday);
    std::optional<DateTime> first;
    if (byDate && !days.empty()) {
        for (int k : days)
            if (const DateTime next = nextDayOfMonth(k + 1, schedule, now); !first || next < *first) first = next;
        return first;
    }
    if (days.empty()) days = {0, 1, 2, 3, 4, 5, 6};
    for (int k : days)
        if (const DateTime next = nextWeekday(k, schedule, now); !first || next < *first) first = next;
    return first;
}

std::optional<int> longestGapDays(const ScheduleRecord& schedule) {
    if (schedule.RunUnit != runUnit::Every) return std::nullopt;
    const bool byDate = schedule.DateMode == dateMode::DaysOfMonth;
    std::vector<int> days = byDate ? chosen(schedule.RunDate) : chosen(schedule.RunWeekday);
    // Days of the month: a month of 31 days from the last chosen day round to the first;
    // weekdays: a week round; none chosen runs every weekday.
    const int cycle = byDate && !days.empty() ? 31 : 7;
    if (days.empty()) return 1;
    int longest = 0;
    for (std::size_t k = 0; k < days.size(); ++k) {
        const int next = k + 1 < days.size() ? days[k + 1] : days.front() + cycle;
        longest = std::max(longest, next - days[k]);
    }
    return longest;
}

}  // namespace lorvane
