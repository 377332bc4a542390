#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

// The memo table: eight parallel arrays of 21 slots. Slots 0 .. DataMaxNumber-1
// hold the memos in ascending order of year, month, day, hour and minute; the
// slots past the count keep stale values and are never read.
inline constexpr int kSlots = 21;

struct MemoTable
{
    std::array<qint16, kSlots> MemoMin {};
    std::array<qint16, kSlots> MemoHour {};
    std::array<qint16, kSlots> MemoDays {};
    std::array<qint16, kSlots> MemoMonth {};
    std::array<qint16, kSlots> MemoYear {};
    std::array<QString, kSlots> MemoText {};
    std::array<qint16, kSlots> MemoSound {};
    std::array<qint16, kSlots> MemoWeek {};

    // Exchanges all eight fields of slots i - 1 and i.
    void swapWithPrevious(int i);
    // Copies all eight fields of slot from into slot to.
    void copySlot(int from, int to);
};

// The public variables of the main window form1.
struct MainVariables
{
    qint16 SetMin = 0;
    qint16 SetHure = 0;
    qint16 SetDays = 0;
    qint16 SetMonth = 0;
    qint16 SetYear = 0;
    qint16 WeekFlag = 0;
    qint16 SetFlg = 0;
    qint16 DataMaxNumber = 0;
    qint16 DataMax = 20;
    qint16 DispNo = 0;
    QString FileName;
    QString SundFile;
};
