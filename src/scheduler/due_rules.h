#pragma once

#include "store/memo_table.h"

#include <QColor>

#include <optional>

class Clock;

// When a memo falls due, and in which colour it is presented.
namespace due_rules {

// The present moment as form1's clock labels show it.
struct LabelTime
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
};

// true when the weekday mask names today (1 = Sunday ... 7 = Saturday).
bool weekdayMatches(qint16 mask, int weekday);

// The colour memo slot i is presented in, or nothing when it is not due. A
// one-off memo is due from its minute on; a repeating memo only in the first
// three seconds of its minute, read from the clock afresh.
std::optional<QColor> dueColour(const MemoTable &table, int i, const LabelTime &now, const Clock &clock);

} // namespace due_rules
