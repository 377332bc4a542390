#pragma once

#include "store/memo_table.h"

// Adding and removing memos while keeping the table in date order.
namespace memo_order {

// Moves the memo in the last used slot towards the front to its place: after
// every memo with the same year, month, day, hour and minute.
void insertLast(MemoTable &table, int count);

// Appends a memo from the variables of form1 and puts it in order. Returns
// false, changing nothing, when all 21 slots are in use.
bool add(MemoTable &table, MainVariables &vars, const QString &text, qint16 sound);

// Removes slot i; later memos move up one slot and keep their order.
void remove(MemoTable &table, qint16 &count, int i);

} // namespace memo_order
