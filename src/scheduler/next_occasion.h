#pragma once

#include "store/memo.h"

#include <QDateTime>

#include <optional>

// When a memo next falls due.
namespace next_occasion {

// The first moment at or after now at which the memo is shown: a repeating
// memo's minute still counts during the three seconds the tick looks at it,
// and a one-off memo already past in this year is shown at once, so its own
// (earlier) moment is returned. Nothing when it never falls due again: a
// one-off memo of an earlier year, or fields no date or time can have.
std::optional<QDateTime> next(const Memo &memo, const QDateTime &now);

} // namespace next_occasion
