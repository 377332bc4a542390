#pragma once

#include "store/memo.h"

#include <array>

// The memo being set in the setting window (form1's SetMin ... WeekFlag) and
// the rules its "+" and "-" follow. A repeating memo has year and month 0; an
// every-day or weekly one, its day too.
struct MemoDraft
{
    qint16 SetMin = 0;
    qint16 SetHure = 0;
    qint16 SetDays = 0;
    qint16 SetMonth = 0;
    qint16 SetYear = 0;
    qint16 WeekFlag = 0;

    enum Field { Year, Month, Day, Hour, Minute };
    qint16 &field(Field f);

    // One "+" (by 1) or "-" (by -1). The year goes neither below the present
    // year nor past the largest; the others wrap around within their range.
    void step(Field f, int by, int presentYear);

    // A one-off memo must fall due after the present minute (year, month,
    // day, hour, minute); the seconds play no part.
    bool inThePast(const std::array<int, 5> &now) const;

    Memo memo(const QString &text, qint16 sound) const
    {
        return {SetMin, SetHure, SetDays, SetMonth, SetYear, text, sound, WeekFlag};
    }
};
