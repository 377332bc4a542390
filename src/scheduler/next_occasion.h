#pragma once

#include <QDateTime>

#include <optional>

// When a memo next falls due, from its plain fields as the data file holds
// them (week: 1 = Sunday ... 64 = Saturday, or 0).
namespace next_occasion {

struct MemoTime
{
    int min = 0;
    int hour = 0;
    int day = 0;
    int month = 0;
    int year = 0;
    int week = 0;
};

// The first moment at or after now at which the memo is shown: a repeating
// memo's minute still counts during the three seconds the tick looks at it,
// and a one-off memo already past in this year is shown at once, so its own
// (earlier) moment is returned. Nothing when it never falls due again: a
// one-off memo of an earlier year, or fields no date or time can have.
std::optional<QDateTime> next(const MemoTime &memo, const QDateTime &now);

} // namespace next_occasion
