#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <tuple>

// One memo: a slot of the memo table, its eight fields by the table's names.
struct Memo
{
    qint16 min = 0; // MemoMin, 0-59
    qint16 hour = 0; // MemoHour, 0-23
    qint16 days = 0; // MemoDays: 1-31, or 0 for every day and weekly
    qint16 month = 0; // MemoMonth: 1-12 for a one-off memo, 0 for every repeating one
    qint16 year = 0; // MemoYear: 0 for every repeating memo
    QString text; // MemoText, line breaks as CR LF
    qint16 sound = 0; // MemoSound: 1 plays rekuda31.wav
    qint16 week = 0; // MemoWeek: Sunday 1, Monday 2 ... Saturday 64

    bool operator==(const Memo &) const = default;

    // The table keeps its memos in ascending order of this key.
    auto dateKey() const { return std::tuple(year, month, days, hour, min); }
};

// What a memo is, by the table's fields, for everything that fires, shows,
// dismisses or edits it: a month makes a one-off memo (whatever its year
// says); otherwise a weekday mask makes it weekly, day 0 every day, and any
// other day every month.
enum class MemoKind { OneOff, Weekly, EveryDay, EveryMonth };
inline MemoKind kindOf(const Memo &memo)
{
    if (memo.month != 0)
        return MemoKind::OneOff;
    if (memo.week != 0)
        return MemoKind::Weekly;
    return memo.days == 0 ? MemoKind::EveryDay : MemoKind::EveryMonth;
}

// The memo table: the memos in date order, slot k at index k (DataMaxNumber is
// its size). A data file may fill all 21 slots; the windows offer 20 (DataMax).
using MemoTable = QList<Memo>;
inline constexpr int kSlots = 21;
inline constexpr int DataMax = 20;
