#include "store/memo_draft.h"

#include <limits>

namespace {

// February has 29 days in every year; the program has no leap-year rule. In
// every-month mode there is no month, and the day may take any of 1 to 31.
qint16 lastDayOf(qint16 month)
{
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return 29;
    default:
        return 31;
    }
}

} // namespace

qint16 &MemoDraft::field(Field f)
{
    qint16 *const fields[] = {&SetYear, &SetMonth, &SetDays, &SetHure, &SetMin};
    return *fields[f];
}

void MemoDraft::step(Field f, int by, int presentYear)
{
    qint16 &value = field(f);
    if (f == Year) {
        if (by > 0 ? value < std::numeric_limits<qint16>::max() : value > presentYear)
            value = static_cast<qint16>(value + by);
        return;
    }
    const qint16 first = f == Month || f == Day ? 1 : 0;
    const qint16 last = f == Month ? 12 : f == Day ? lastDayOf(SetMonth) : f == Hour ? 23 : 59;
    value = static_cast<qint16>(value + by);
    if (by > 0 && value > last)
        value = first;
    if (by < 0 && value < first)
        value = last;
}

bool MemoDraft::inThePast(const std::array<int, 5> &now) const
{
    if (SetYear == 0)
        return false;
    return std::array<int, 5> {SetYear, SetMonth, SetDays, SetHure, SetMin} <= now;
}
