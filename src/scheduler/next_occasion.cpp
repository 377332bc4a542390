#include "scheduler/next_occasion.h"

#include "scheduler/due_rules.h"

namespace next_occasion {

namespace {
// A day of the month that exists at all comes round within four years (29 February).
constexpr int kMonthsToSearch = 12 * 8 + 1;

std::optional<QDateTime> at(const QDate &date, int hour, int min)
{
    const QTime time(hour, min);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

// An occasion counts until its minute is over: the tick presents it at any second of it.
bool notYetOver(const QDateTime &moment, const QDateTime &now)
{
    return moment.addSecs(60) > now;
}
} // namespace

std::optional<QDateTime> next(const Memo &memo, const QDateTime &now)
{
    const QDate today = now.date();
    const MemoKind kind = kindOf(memo);
    if (kind == MemoKind::OneOff) {
        // Passed, in any year, it is shown at once, late.
        return at(QDate(memo.year, memo.month, memo.days), memo.hour, memo.min);
    }
    if (kind == MemoKind::EveryMonth) {
        const QDate first(today.year(), today.month(), 1);
        for (int k = 0; k < kMonthsToSearch; ++k) {
            const QDate month = first.addMonths(k);
            const auto moment = at(QDate(month.year(), month.month(), memo.days), memo.hour, memo.min);
            if (moment && notYetOver(*moment, now))
                return moment;
        }
        return std::nullopt;
    }
    for (int k = 0; k <= 7; ++k) {
        const QDate date = today.addDays(k);
        if (kind == MemoKind::Weekly && !due_rules::weekdayMatches(qint16(memo.week), date.dayOfWeek() % 7 + 1))
            continue;
        const auto moment = at(date, memo.hour, memo.min);
        if (moment && notYetOver(*moment, now))
            return moment;
    }
    return std::nullopt;
}

} // namespace next_occasion
