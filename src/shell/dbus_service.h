#pragma once

#include "shell/memo_commands.h"

#include <QDBusContext>
#include <QObject>

class App;

// The running copy's memos on the session bus, for `rekuda31 add / list /
// remove` and for any other program (see README). Each copy has a name of
// its own data folder, so a command reaches only the copy it would otherwise
// compete with for the file. Requests go the command line's way, through
// memo_commands, with this copy's book and clock.
namespace memo_bus {
inline constexpr char kInterface[] = "org.rekuda31.Memos";
inline constexpr char kPath[] = "/org/rekuda31/Memos";
// The error names a refusal and a malformed request are answered with.
inline constexpr char kRefused[] = "org.rekuda31.Memos.Error.Refused";
inline constexpr char kInvalidArgs[] = "org.freedesktop.DBus.Error.InvalidArgs";

// A short key of the data folder, the same whether or not it exists yet.
QString folderKey(const QString &folder);
// The bus name of the copy running on folder.
QString serviceName(const QString &folder);
} // namespace memo_bus

class MemoService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.rekuda31.Memos")
public:
    explicit MemoService(App &app);
    ~MemoService() override;

    // Takes the folder's name on the session bus; false, and the program goes
    // on without scripts, when there is no bus or the name is taken.
    bool publish(const QString &folder);

    // The requests themselves, as the bus methods below and the tests call them.
    memo_commands::Reply add(const QString &when, const QString &text, bool sound);
    memo_commands::Reply list(bool json) const;
    memo_commands::Reply removeNumber(int number);
    memo_commands::Reply removeById(const QString &id);

public slots:
    Q_SCRIPTABLE QString Add(const QString &when, const QString &text, bool sound);
    Q_SCRIPTABLE QString List(bool json);
    Q_SCRIPTABLE QString Remove(int number);
    Q_SCRIPTABLE QString RemoveById(const QString &id);

private:
    // The memo on the alarm's screen, which no script may take away: -1 when none.
    int busySlot() const;
    // A reply as the bus gets it: the text, or an error with the text.
    QString answer(const memo_commands::Reply &reply);

    App &m_app;
    QString m_serviceName;
};
