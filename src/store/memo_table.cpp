#include "store/memo_table.h"

#include <utility>

void MemoTable::swapWithPrevious(int i)
{
    const auto a = static_cast<std::size_t>(i - 1);
    const auto b = static_cast<std::size_t>(i);
    std::swap(MemoMin.at(a), MemoMin.at(b));
    std::swap(MemoHour.at(a), MemoHour.at(b));
    std::swap(MemoDays.at(a), MemoDays.at(b));
    std::swap(MemoMonth.at(a), MemoMonth.at(b));
    std::swap(MemoYear.at(a), MemoYear.at(b));
    std::swap(MemoText.at(a), MemoText.at(b));
    std::swap(MemoSound.at(a), MemoSound.at(b));
    std::swap(MemoWeek.at(a), MemoWeek.at(b));
}

void MemoTable::copySlot(int from, int to)
{
    const auto f = static_cast<std::size_t>(from);
    const auto t = static_cast<std::size_t>(to);
    MemoYear.at(t) = MemoYear.at(f);
    MemoMonth.at(t) = MemoMonth.at(f);
    MemoDays.at(t) = MemoDays.at(f);
    MemoHour.at(t) = MemoHour.at(f);
    MemoMin.at(t) = MemoMin.at(f);
    MemoText.at(t) = MemoText.at(f);
    MemoSound.at(t) = MemoSound.at(f);
    MemoWeek.at(t) = MemoWeek.at(f);
}
