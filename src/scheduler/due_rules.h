#pragma once

#include "store/memo.h"

#include <QList>

class Clock;
class MemoBook;

// When a memo falls due, and how timely it is presented.
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

// In its own minute, or (a one-off memo only) after it.
enum class Timeliness { OnTime, Late };

struct DueMemo
{
    int slot = 0;
    Timeliness timeliness = Timeliness::OnTime;
};

// true when the weekday mask names today (1 = Sunday ... 7 = Saturday).
bool weekdayMatches(qint16 mask, int weekday);

// Whether the memo is due now. A one-off memo is due from its minute on, in
// its own year; a repeating memo only in the first three seconds of its
// minute, read from the clock afresh.
std::optional<Timeliness> due(const Memo &memo, const LabelTime &now, const Clock &clock);

// The memos of the book that are due now, in table order; none while the
// due check is not armed.
QList<DueMemo> dueMemos(const MemoBook &book, const LabelTime &now, const Clock &clock);

} // namespace due_rules
