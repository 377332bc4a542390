#include "scheduler/due_rules.h"

#include "store/memo_book.h"

namespace due_rules {

bool weekdayMatches(qint16 mask, int weekday)
{
    // The setting window writes only masks 1 to 127. Above that, only the low
    // seven bits name days, so a damaged mask never fires on unnamed days.
    if (mask <= 0 || weekday < 1 || weekday > 7)
        return false;
    return (mask & 0x7F & (1 << (weekday - 1))) != 0;
}

std::optional<QDateTime> latestOccasion(const Memo &memo, const QDateTime &now)
{
    const QTime time(memo.hour, memo.min);
    if (!time.isValid())
        return std::nullopt;
    const QDate today = now.date();
    const MemoKind kind = kindOf(memo);
    if (kind == MemoKind::EveryMonth) {
        // Every month: the latest month that has the day; day 31 skips the short ones.
        for (int back = 0; back <= 12; ++back) {
            const QDate month = QDate(today.year(), today.month(), 1).addMonths(-back);
            const QDateTime occasion(QDate(month.year(), month.month(), memo.days), time, Qt::UTC);
            if (occasion.isValid() && occasion <= now)
                return occasion;
        }
        return std::nullopt;
    }
    for (int back = 0; back <= 7; ++back) {
        const QDateTime occasion(today.addDays(-back), time, Qt::UTC);
        const bool itsDay
            = kind == MemoKind::EveryDay || weekdayMatches(memo.week, occasion.date().dayOfWeek() % 7 + 1);
        if (itsDay && occasion <= now)
            return occasion;
    }
    return std::nullopt;
}

QList<DueMemo> dueMemos(const MemoBook &book, const QDateTime &now)
{
    QList<DueMemo> found;
    if (!book.armed())
        return found;
    const QDate today = now.date();
    const auto current = std::tuple(today.year(), today.month(), today.day(), now.time().hour(), now.time().minute());
    for (int i = 0; i < book.count(); ++i) {
        const Memo &memo = book.at(i);
        if (kindOf(memo) == MemoKind::OneOff) {
            // A one-off memo is compared field by field, so that a date the
            // setting window offers but the calendar lacks (29 February of
            // a common year) still falls due, when its month is over.
            const auto set = std::tuple(int(memo.year), int(memo.month), int(memo.days), int(memo.hour), int(memo.min));
            if (set <= current)
                found.append({i, set == current ? Timeliness::OnTime : Timeliness::Late, {}});
            continue;
        }
        const std::optional<QDateTime> occasion = latestOccasion(memo, now);
        const MemoBook::Occasions &known = book.occasions(i);
        if (occasion && *occasion >= known.from && (!known.presentedUpTo.isValid() || *occasion > known.presentedUpTo))
            found.append({i, *occasion == now ? Timeliness::OnTime : Timeliness::Late, *occasion});
    }
    return found;
}

} // namespace due_rules
