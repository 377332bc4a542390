#include "store/memo_order.h"

namespace memo_order {

namespace {

// Negative when slot a sorts before slot b, 0 when all five keys agree.
int compareSlots(const MemoTable &t, std::size_t a, std::size_t b)
{
    const qint16 keysA[] = {t.MemoYear[a], t.MemoMonth[a], t.MemoDays[a], t.MemoHour[a], t.MemoMin[a]};
    const qint16 keysB[] = {t.MemoYear[b], t.MemoMonth[b], t.MemoDays[b], t.MemoHour[b], t.MemoMin[b]};
    for (int k = 0; k < 5; ++k) {
        if (keysA[k] != keysB[k])
            return keysA[k] < keysB[k] ? -1 : 1;
    }
    return 0;
}

} // namespace

void insertLast(MemoTable &table, int count)
{
    if (count < 2)
        return;
    for (int i = count - 1; i >= 1; --i) {
        if (compareSlots(table, static_cast<std::size_t>(i), static_cast<std::size_t>(i - 1)) >= 0)
            return;
        table.swapWithPrevious(i);
    }
}

bool add(MemoTable &table, MainVariables &vars, const QString &text, qint16 sound)
{
    if (vars.DataMaxNumber < 0 || vars.DataMaxNumber >= kSlots)
        return false;
    vars.DataMaxNumber += 1;
    const auto k = static_cast<std::size_t>(vars.DataMaxNumber - 1);
    table.MemoMin[k] = vars.SetMin;
    table.MemoHour[k] = vars.SetHure;
    table.MemoDays[k] = vars.SetDays;
    table.MemoMonth[k] = vars.SetMonth;
    table.MemoYear[k] = vars.SetYear;
    table.MemoText[k] = text;
    table.MemoSound[k] = sound;
    table.MemoWeek[k] = vars.WeekFlag;
    insertLast(table, vars.DataMaxNumber);
    return true;
}

void remove(MemoTable &table, qint16 &count, int i)
{
    if (i < 0 || i >= count)
        return;
    count -= 1;
    for (int j = i; j <= count - 1; ++j)
        table.copySlot(j + 1, j);
}

} // namespace memo_order
