#include "shell/dbus_service.h"

#include "shell/app.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>

namespace memo_bus {

QString folderKey(const QString &folder)
{
    // The folder as it will be once made: its nearest existing ancestor with
    // links resolved, then the rest, so that a command run before the first
    // start agrees with the copy started later.
    QString rest;
    QString path = QDir::cleanPath(QDir(folder).absolutePath());
    for (QString at = path; !at.isEmpty();) {
        const QString canonical = QFileInfo(at).canonicalFilePath();
        if (!canonical.isEmpty()) {
            path = QDir::cleanPath(canonical + rest);
            break;
        }
        const qsizetype slash = at.lastIndexOf(u'/');
        rest.prepend(at.mid(slash));
        at = at.left(slash);
    }
    return QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

QString serviceName(const QString &folder)
{
    // A name's elements may not begin with a digit.
    return QStringLiteral("%1.d%2").arg(QLatin1String(kInterface), folderKey(folder));
}

} // namespace memo_bus

MemoService::MemoService(App &app)
    : m_app(app)
{ }

MemoService::~MemoService()
{
    if (m_serviceName.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QLatin1String(memo_bus::kPath));
    bus.unregisterService(m_serviceName);
}

bool MemoService::publish(const QString &folder)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString name = memo_bus::serviceName(folder);
    if (!bus.registerObject(QLatin1String(memo_bus::kPath), this,
            QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableInvokables))
        return false;
    if (!bus.registerService(name)) {
        bus.unregisterObject(QLatin1String(memo_bus::kPath));
        return false;
    }
    m_serviceName = name;
    return true;
}

int MemoService::busySlot() const
{
    return m_app.forms.Display.shown() ? m_app.book.shownSlot() : -1;
}

memo_commands::Reply MemoService::add(const QString &when, const QString &text, bool sound)
{
    m_app.book.followFileNow();
    return memo_commands::add(m_app.book, m_app.os.clock->now(), when, text, sound);
}

memo_commands::Reply MemoService::list(bool json) const
{
    m_app.book.followFileNow();
    return memo_commands::list(m_app.book, m_app.os.clock->now(), json);
}

memo_commands::Reply MemoService::removeNumber(int number)
{
    m_app.book.followFileNow();
    return memo_commands::removeNumber(m_app.book, number, busySlot());
}

memo_commands::Reply MemoService::removeById(const QString &id)
{
    m_app.book.followFileNow();
    return memo_commands::removeById(m_app.book, id, busySlot());
}

QString MemoService::answer(const memo_commands::Reply &reply)
{
    if (reply.status != memo_commands::Done && calledFromDBus())
        sendErrorReply(
            QLatin1String(reply.status == memo_commands::Usage ? memo_bus::kInvalidArgs : memo_bus::kRefused),
            reply.text);
    return reply.text;
}

QString MemoService::Add(const QString &when, const QString &text, bool sound)
{
    return answer(add(when, text, sound));
}

QString MemoService::List(bool json)
{
    return answer(list(json));
}

QString MemoService::Remove(int number)
{
    return answer(removeNumber(number));
}

QString MemoService::RemoveById(const QString &id)
{
    return answer(removeById(id));
}
