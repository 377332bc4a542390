#include "scheduler/due_rules.h"

#include "alarm/display_form.h"
#include "platform/clock.h"

namespace due_rules {

namespace {

bool inFirstSeconds(const Clock &clock)
{
    return clock.second() < 3;
}

} // namespace

bool weekdayMatches(qint16 mask, int weekday)
{
    // The setting window writes only masks 1 to 127. Above that, only the low
    // seven bits name days, so a damaged mask never fires on unnamed days.
    if (mask <= 0 || weekday < 1 || weekday > 7)
        return false;
    return (mask & 0x7F & (1 << (weekday - 1))) != 0;
}

std::optional<QColor> dueColour(const MemoTable &table, int i, const LabelTime &now, const Clock &clock)
{
    const auto s = static_cast<std::size_t>(i);
    if (table.MemoMonth.at(s) != 0) {
        if (now.year != table.MemoYear.at(s))
            return std::nullopt;
        const int current[] = {now.month, now.day, now.hour, now.minute};
        const int memo[] = {table.MemoMonth.at(s), table.MemoDays.at(s), table.MemoHour.at(s), table.MemoMin.at(s)};
        for (int k = 0; k < 4; ++k) {
            if (current[k] > memo[k])
                return DisplayForm::lateColour();
            if (current[k] < memo[k])
                return std::nullopt;
        }
        return DisplayForm::dueColour();
    }

    const bool itsMinute = now.hour == table.MemoHour.at(s) && now.minute == table.MemoMin.at(s);
    if (table.MemoDays.at(s) != 0) {
        if (now.day == table.MemoDays.at(s) && itsMinute && inFirstSeconds(clock))
            return DisplayForm::dueColour();
        return std::nullopt;
    }
    if (table.MemoWeek.at(s) != 0 && !weekdayMatches(table.MemoWeek.at(s), clock.weekday()))
        return std::nullopt;
    if (itsMinute && inFirstSeconds(clock))
        return DisplayForm::dueColour();
    return std::nullopt;
}

} // namespace due_rules
