#pragma once

#include "store/memo.h"

#include <QDateTime>
#include <QList>

#include <optional>

class MemoBook;

// When a memo falls due, and how timely it is presented.
//
// A memo falls due at its occasions: a one-off memo at its date and minute,
// a repeating memo on every day, weekday or day of the month it names at its
// minute. Each occasion from the minute the memo came into the table on is
// presented once, until its alarm is dismissed: in its own minute on time,
// after it late (the check was held off, the machine slept, the clock jumped).
// A memo that missed several occasions is presented once, for the latest.
namespace due_rules {

// In its own minute, or after it.
enum class Timeliness { OnTime, Late };

struct DueMemo
{
    int slot = 0;
    Timeliness timeliness = Timeliness::OnTime;
    // The occasion presented (a repeating memo's); the one-off's is its own date.
    QDateTime occasion;
};

// true when the weekday mask names the weekday (1 = Sunday ... 7 = Saturday).
bool weekdayMatches(qint16 mask, int weekday);

// A repeating memo's latest occasion at or before the minute now, if any;
// times are the wall clock's, as UTC.
std::optional<QDateTime> latestOccasion(const Memo &memo, const QDateTime &now);

// The memos of the book with an occasion to present at the minute now, in
// table order; none while the due check is not armed.
QList<DueMemo> dueMemos(const MemoBook &book, const QDateTime &now);

} // namespace due_rules
