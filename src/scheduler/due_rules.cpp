#include "scheduler/due_rules.h"

#include "platform/clock.h"
#include "store/memo_book.h"

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

std::optional<Timeliness> due(const Memo &memo, const LabelTime &now, const Clock &clock)
{
    const MemoKind kind = kindOf(memo);
    if (kind == MemoKind::OneOff) {
        if (now.year != memo.year)
            return std::nullopt;
        const int current[] = {now.month, now.day, now.hour, now.minute};
        const int set[] = {memo.month, memo.days, memo.hour, memo.min};
        for (int k = 0; k < 4; ++k) {
            if (current[k] > set[k])
                return Timeliness::Late;
            if (current[k] < set[k])
                return std::nullopt;
        }
        return Timeliness::OnTime;
    }

    const bool itsMinute = now.hour == memo.hour && now.minute == memo.min;
    if (kind == MemoKind::EveryMonth && now.day != memo.days)
        return std::nullopt;
    if (kind == MemoKind::Weekly && !weekdayMatches(memo.week, clock.weekday()))
        return std::nullopt;
    if (itsMinute && inFirstSeconds(clock))
        return Timeliness::OnTime;
    return std::nullopt;
}

QList<DueMemo> dueMemos(const MemoBook &book, const LabelTime &now, const Clock &clock)
{
    QList<DueMemo> found;
    if (!book.armed())
        return found;
    for (int i = 0; i < book.count(); ++i) {
        if (const std::optional<Timeliness> timeliness = due(book.at(i), now, clock))
            found.append({i, *timeliness});
    }
    return found;
}

} // namespace due_rules
