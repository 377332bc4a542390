#pragma once

#include "store/memo.h"

#include <QDateTime>

#include <optional>

// When a memo next falls due.
namespace next_occasion {

// The memo's next occasion at or after now: a repeating memo's occasion
// counts until its minute is over, and a one-off memo already past, in any
// year, is shown at once, so its own (earlier) moment is returned. Nothing
// when it never falls due again: fields no date or time can have.
std::optional<QDateTime> next(const Memo &memo, const QDateTime &now);

} // namespace next_occasion
