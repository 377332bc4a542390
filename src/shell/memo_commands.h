#pragma once

#include "store/memo_draft.h"

#include <QDateTime>
#include <QString>

#include <optional>

class InstanceLock;
class MemoBook;

// Memos from scripts: `rekuda31 add / list / remove`, and the same requests
// arriving over the session bus. Both end in the functions below, which
// change the table only through the memo book, under the windows' rules.
namespace memo_commands {

enum Status { Done = 0, Refused = 1, Usage = 2 };

// What a request answers: printed to standard output when done, to standard
// error otherwise, and the command's exit status.
struct Reply
{
    int status = Done;
    QString text;
};

// Reads WHEN: "2027-01-15 09:30", "09:30", "+1h30m", "daily 09:30",
// "monthly 15 09:30", "weekly mon,fri 09:30" and their Japanese words, with
// full-width digits. Relative times count from now's minute. Nothing, and
// *error naming the part it could not read, when malformed.
std::optional<MemoDraft> parseWhen(const QString &when, const QDateTime &now, QString *error);

// A memo's id for `remove --id`: the same for the same eight fields.
QString memoId(const Memo &memo);

Reply add(MemoBook &book, const QDateTime &now, const QString &when, const QString &text, bool sound);
Reply list(const MemoBook &book, const QDateTime &now, bool json);
// number counts from 1; busySlot is a slot that may not go now (the alarm's).
Reply removeNumber(MemoBook &book, int number, int busySlot = -1);
Reply removeById(MemoBook &book, const QString &id, int busySlot = -1);

// Runs `rekuda31 add|list|remove ...`; nothing when argv names no command.
// Call before any application object exists.
std::optional<int> run(int argc, char **argv);

// A start that found the lock taken: while a command holds it, waits for it
// (a second at most) and takes it. false when a copy of the program holds it.
bool waitForCommand(InstanceLock &lock, const QString &folder);

} // namespace memo_commands
