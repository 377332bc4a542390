#include "shell/memo_commands.h"

#include "entry/edit_form.h"
#include "platform/command_mark.h"
#include "platform/cp932_codec.h"
#include "platform/posix_files.h"
#include "platform/program_directory.h"
#include "platform/qt_clock.h"
#include "platform/qt_services.h"
#include "platform/stderr_messages.h"
#include "scheduler/next_occasion.h"
#include "shell/dbus_service.h"
#include "store/memo_book.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <variant>

namespace memo_commands {

namespace {

const char *const kWeekdayNames[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};

// The warnings' own texts: a script is told what the windows would say.
QString pastWarning()
{
    return QStringLiteral("過去の時間を設定しました。再設定してください。");
}
QString fullWarning()
{
    return QStringLiteral("これ以上設定できません。");
}

std::optional<QTime> parseTime(const QString &word)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2}):(\\d{2})$"));
    const QRegularExpressionMatch m = pattern.match(word);
    const QTime time = m.hasMatch() ? QTime(m.captured(1).toInt(), m.captured(2).toInt()) : QTime();
    return time.isValid() ? std::optional(time) : std::nullopt;
}

// Sunday 1, Monday 2 ... Saturday 64, as the setting window's boxes add up.
std::optional<qint16> parseWeekdays(const QString &list)
{
    static const QStringList japanese {QStringLiteral("日"), QStringLiteral("月"), QStringLiteral("火"),
        QStringLiteral("水"), QStringLiteral("木"), QStringLiteral("金"), QStringLiteral("土")};
    static const QStringList english {QStringLiteral("sunday"), QStringLiteral("monday"), QStringLiteral("tuesday"),
        QStringLiteral("wednesday"), QStringLiteral("thursday"), QStringLiteral("friday"), QStringLiteral("saturday")};
    int mask = 0;
    for (QString day : list.split(u',')) {
        if (day.endsWith(QStringLiteral("曜日")))
            day.chop(2);
        else if (day.endsWith(u'曜'))
            day.chop(1);
        int found = -1;
        for (int i = 0; i < 7 && found < 0; ++i) {
            if (day == japanese[i] || day == english[i] || day == QLatin1String(kWeekdayNames[i]))
                found = i;
        }
        if (found < 0)
            return std::nullopt;
        mask |= 1 << found;
    }
    return qint16(mask);
}

QString kindName(const Memo &memo)
{
    switch (kindOf(memo)) {
    case MemoKind::OneOff:
        return QStringLiteral("once");
    case MemoKind::Weekly:
        return QStringLiteral("weekly");
    case MemoKind::EveryDay:
        return QStringLiteral("daily");
    case MemoKind::EveryMonth:
        break;
    }
    return QStringLiteral("monthly");
}

QString nextText(const Memo &memo, const QDateTime &now, const QString &format)
{
    const std::optional<QDateTime> next = next_occasion::next(memo, now);
    return next ? next->toString(format) : QString();
}

// One memo as the list editor shows it, continued lines indented under it.
QString describe(const Memo &memo, const QDateTime &now)
{
    const QString next = nextText(memo, now, QStringLiteral("yyyy-MM-dd HH:mm"));
    return EditForm::listLine(memo).replace(u'\n', QStringLiteral("\n    "))
        + QStringLiteral("  (次回 %1)").arg(next.isEmpty() ? QStringLiteral("なし") : next);
}

// A change the book made but could not write is not a success.
Reply settled(const MemoBook &book, const QString &done)
{
    if (!book.unsaved())
        return {Done, done};
    return {
        Refused, done + QStringLiteral("\nただし、データファイル %1 に保存できませんでした。").arg(book.fileName())};
}

Reply removeSlot(MemoBook &book, int slot, int busySlot)
{
    if (slot == busySlot)
        return {Refused, QStringLiteral("アラームに表示中のメモは削除できません。")};
    const Memo gone = book.at(slot);
    book.removeFromScript(slot);
    return settled(book, QStringLiteral("削除しました: ") + EditForm::listLine(gone));
}

} // namespace

std::optional<MemoDraft> parseWhen(const QString &when, const QDateTime &now, QString *error)
{
    // Full-width digits, letters, colons and commas read as their ASCII selves.
    QString text = when.normalized(QString::NormalizationForm_KC).toLower();
    text.replace(u'、', u',');
    static const QRegularExpression dateAndTime(
        QStringLiteral("^(\\d{4})[-/](\\d{1,2})[-/](\\d{1,2})(?:t|\\s+)(\\S+)$"));
    static const QRegularExpression relative(QStringLiteral("^\\+(?:(\\d{1,6})(?:h|時間))?(?:(\\d{1,7})(?:m|分))?$"));
    static const QRegularExpression dayOfMonth(QStringLiteral("^(\\d{1,2})日?$"));
    QStringList words = text.simplified().split(u' ', Qt::SkipEmptyParts);
    const auto fail = [error, &when](const QString &why) {
        *error = QStringLiteral("日時「%1」を読めません: %2").arg(when, why);
        return std::nullopt;
    };
    if (words.isEmpty())
        return fail(QStringLiteral("日時がありません"));
    const auto timeAt = [&](const QString &word, MemoDraft &draft) {
        const std::optional<QTime> time = parseTime(word);
        if (time) {
            draft.SetHure = qint16(time->hour());
            draft.SetMin = qint16(time->minute());
        }
        return time.has_value();
    };
    const QString timeError = QStringLiteral("時刻は 09:30 のように 0:00 から 23:59 で書きます");
    const QString notAWhen = QStringLiteral("日付と時刻、時刻、+25m、daily、monthly、weekly のどれでもありません");
    MemoDraft draft;
    const QString &first = words.first();
    const auto oneOff = [&draft](const QDate &date) {
        draft.SetYear = qint16(date.year());
        draft.SetMonth = qint16(date.month());
        draft.SetDays = qint16(date.day());
    };
    if (const QRegularExpressionMatch m = dateAndTime.match(text.simplified()); m.hasMatch()) {
        const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (!date.isValid())
            return fail(
                QStringLiteral("%1-%2-%3 という日付はありません").arg(m.captured(1), m.captured(2), m.captured(3)));
        oneOff(date);
        if (!timeAt(m.captured(4), draft))
            return fail(timeError);
        return draft;
    }
    if (const QRegularExpressionMatch m = relative.match(first);
        words.size() == 1 && m.hasMatch() && first.size() > 1) {
        const qint64 minutes = m.captured(1).toLongLong() * 60 + m.captured(2).toLongLong();
        // Counted from the present minute: the seconds are dropped first.
        const QDateTime from(now.date(), QTime(now.time().hour(), now.time().minute()));
        const QDateTime at = from.addSecs(minutes * 60);
        if (at.date().year() > std::numeric_limits<qint16>::max())
            return fail(QStringLiteral("先すぎます"));
        oneOff(at.date());
        draft.SetHure = qint16(at.time().hour());
        draft.SetMin = qint16(at.time().minute());
        return draft;
    }
    if (words.size() == 1) {
        if (!timeAt(first, draft))
            return fail(first.contains(u':') ? timeError : notAWhen);
        oneOff(now.date());
        return draft;
    }
    const bool daily = first == QLatin1String("daily") || first == QStringLiteral("毎日");
    const bool monthly = first == QLatin1String("monthly") || first == QStringLiteral("毎月");
    const bool weekly = first == QLatin1String("weekly") || first == QStringLiteral("毎週");
    if (daily && words.size() == 2) {
        if (!timeAt(words[1], draft))
            return fail(timeError);
        return draft;
    }
    if (monthly && words.size() == 3) {
        const QRegularExpressionMatch m = dayOfMonth.match(words[1]);
        const int day = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (day < 1 || day > 31)
            return fail(QStringLiteral("日は 1 から 31 で書きます"));
        draft.SetDays = qint16(day);
        if (!timeAt(words[2], draft))
            return fail(timeError);
        return draft;
    }
    if (weekly && words.size() == 3) {
        const std::optional<qint16> week = parseWeekdays(words[1]);
        if (!week)
            return fail(QStringLiteral("曜日は mon,fri や 月,金 のように書きます"));
        draft.WeekFlag = *week;
        if (!timeAt(words[2], draft))
            return fail(timeError);
        return draft;
    }
    if (daily || monthly || weekly)
        return fail(QStringLiteral("daily 09:30、monthly 15 09:30、weekly mon,fri 09:30 のように書きます"));
    return fail(notAWhen);
}

QString memoId(const Memo &memo)
{
    const QString fields = QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8")
                               .arg(memo.min)
                               .arg(memo.hour)
                               .arg(memo.days)
                               .arg(memo.month)
                               .arg(memo.year)
                               .arg(memo.sound)
                               .arg(memo.week)
                               .arg(memo.text);
    return QString::fromLatin1(QCryptographicHash::hash(fields.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
}

Reply add(MemoBook &book, const QDateTime &now, const QString &when, const QString &text, bool sound)
{
    QString error;
    const std::optional<MemoDraft> draft = parseWhen(when, now, &error);
    if (!draft)
        return {Usage, error};
    // The windows' checks, in the windows' order: the past first, then room.
    const QDate today = now.date();
    if (draft->inThePast({today.year(), today.month(), today.day(), now.time().hour(), now.time().minute()}))
        return {Refused, pastWarning()};
    const std::optional<int> slot = book.addFromScript(draft->memo(text, sound ? 1 : 0));
    if (!slot)
        return {Refused, fullWarning()};
    return settled(book, QStringLiteral("設定しました: ") + describe(book.at(*slot), now));
}

Reply list(const MemoBook &book, const QDateTime &now, bool json)
{
    if (!json) {
        QString out;
        for (int i = 0; i < book.count(); ++i)
            out += QStringLiteral("%1. %2\n").arg(i + 1).arg(describe(book.at(i), now));
        return {Done, out};
    }
    QJsonArray memos;
    for (int i = 0; i < book.count(); ++i) {
        const Memo &m = book.at(i);
        QJsonArray weekdays;
        for (int day = 0; day < 7; ++day) {
            if (m.week > 0 && (m.week & (1 << day)))
                weekdays.append(QLatin1String(kWeekdayNames[day]));
        }
        const QString next = nextText(m, now, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
        memos.append(QJsonObject {{QStringLiteral("number"), i + 1}, {QStringLiteral("id"), memoId(m)},
            {QStringLiteral("kind"), kindName(m)}, {QStringLiteral("year"), m.year}, {QStringLiteral("month"), m.month},
            {QStringLiteral("day"), m.days}, {QStringLiteral("hour"), m.hour}, {QStringLiteral("minute"), m.min},
            {QStringLiteral("weekdays"), weekdays}, {QStringLiteral("sound"), m.sound == 1},
            {QStringLiteral("text"), QString(m.text).replace(QLatin1String("\r\n"), QLatin1String("\n"))},
            {QStringLiteral("next"), next.isEmpty() ? QJsonValue() : QJsonValue(next)}});
    }
    return {Done, QString::fromUtf8(QJsonDocument(memos).toJson(QJsonDocument::Indented))};
}

Reply removeNumber(MemoBook &book, int number, int busySlot)
{
    if (number < 1 || number > book.count())
        return {Refused, QStringLiteral("%1 番のメモはありません (メモは %2 件)。").arg(number).arg(book.count())};
    return removeSlot(book, number - 1, busySlot);
}

Reply removeById(MemoBook &book, const QString &id, int busySlot)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{12}$"));
    if (!hex.match(id).hasMatch())
        return {Usage, QStringLiteral("id「%1」を読めません: list --json の id を指定します").arg(id)};
    for (int slot = 0; slot < book.count(); ++slot) {
        if (memoId(book.at(slot)) == id)
            return removeSlot(book, slot, busySlot);
    }
    return {Refused, QStringLiteral("id %1 のメモはもうありません。").arg(id)};
}

namespace {

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        std::fputc('\n', stream);
}

// A command, read from the command line.
struct Request
{
    QString verb;
    QString when, text, id;
    bool sound = false, json = false;
    int number = 0;
};

// The request carried out with the memo book of a running copy, over the bus.
Reply overBus(QDBusConnection &bus, const QString &service, const Request &r)
{
    const QString method = r.verb == QLatin1String("add") ? QStringLiteral("Add")
        : r.verb == QLatin1String("list")                 ? QStringLiteral("List")
        : r.id.isEmpty()                                  ? QStringLiteral("Remove")
                                                          : QStringLiteral("RemoveById");
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QLatin1String(memo_bus::kPath), QLatin1String(memo_bus::kInterface), method);
    if (method == QLatin1String("Add"))
        call << r.when << r.text << r.sound;
    else if (method == QLatin1String("List"))
        call << r.json;
    else if (method == QLatin1String("Remove"))
        call << r.number;
    else
        call << r.id;
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        return {Done, reply.arguments().constFirst().toString()};
    if (reply.errorName() == QLatin1String(memo_bus::kInvalidArgs))
        return {Usage, reply.errorMessage()};
    if (reply.errorName() == QLatin1String(memo_bus::kRefused))
        return {Refused, reply.errorMessage()};
    return {Refused,
        QStringLiteral("動作中の rekuda31 が応答しません (%1)。何も変更していません。").arg(reply.errorMessage())};
}

// The request carried out on the file, with no copy running and the lock held.
Reply onFile(const QString &folder, const Request &r)
{
    Cp932Codec codec;
    PosixFiles files;
    StderrMessages messages;
    const SystemClock clock;
    MemoBook book(files, codec, messages, clock);
    if (r.verb == QLatin1String("add"))
        ApplicationDirectory(folder, folder).create();
    book.setFolder(folder);
    if (!codec.available())
        return {Refused,
            QStringLiteral("この Qt には文字コード windows-31j がないため、%1 を読み書きできません。")
                .arg(book.fileName())};
    files.removeStaleTemporaries(book.fileName());
    if (book.load() == data_file::LoadResult::Damaged)
        return {Refused, QStringLiteral("コマンドは何も変更していません。")};
    const QDateTime now = clock.now();
    if (r.verb == QLatin1String("add"))
        return add(book, now, r.when, r.text, r.sound);
    if (r.verb == QLatin1String("list"))
        return list(book, now, r.json);
    return r.id.isEmpty() ? removeNumber(book, r.number) : removeById(book, r.id);
}

// Reads the command's arguments; a usage error is the reply.
std::variant<Request, Reply> read(const QStringList &arguments)
{
    Request r;
    r.verb = arguments.value(1);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("日時指定メモソフト: スクリプトからのメモ"));
    const QCommandLineOption sound(QStringLiteral("sound"), QStringLiteral("時間になったら rekuda31.wav を鳴らします"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("スクリプト向けに JSON の配列で出力します"));
    const QCommandLineOption id(
        QStringLiteral("id"), QStringLiteral("list --json の id で指定したメモを削除します"), QStringLiteral("ID"));
    parser.addHelpOption();
    parser.addPositionalArgument(r.verb, QString());
    if (r.verb == QLatin1String("add")) {
        parser.addOption(sound);
        parser.addPositionalArgument(QStringLiteral("WHEN"),
            QStringLiteral("2027-01-15 09:30、09:30、+25m、daily 09:30 (毎日)、monthly 15 09:30 (毎月)、"
                           "weekly mon,fri 09:30 (毎週 月,金)"));
        parser.addPositionalArgument(QStringLiteral("TEXT"), QStringLiteral("メモ (「-」で始まるなら前に --)"));
    } else if (r.verb == QLatin1String("list")) {
        parser.addOption(json);
    } else {
        parser.addOption(id);
        parser.addPositionalArgument(QStringLiteral("N"), QStringLiteral("list の番号"), QStringLiteral("[N]"));
    }
    const auto usage = [&parser](const QString &what) { return Reply {Usage, what + u'\n' + parser.helpText()}; };
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        return Reply {Done, parser.helpText()};
    const QStringList words = parser.positionalArguments().mid(1);
    if (r.verb == QLatin1String("add")) {
        if (words.size() < 2)
            return usage(QStringLiteral("WHEN と TEXT が要ります"));
        r.when = words.mid(0, words.size() - 1).join(u' ');
        r.text = words.last();
        r.sound = parser.isSet(sound);
    } else if (r.verb == QLatin1String("list")) {
        if (!words.isEmpty())
            return usage(QStringLiteral("余分な引数があります: ") + words.join(u' '));
        r.json = parser.isSet(json);
    } else if (parser.isSet(id)) {
        if (!words.isEmpty())
            return usage(QStringLiteral("--id と番号は一緒に使えません"));
        r.id = parser.value(id).toLower();
    } else {
        bool number = words.size() == 1;
        r.number = number ? words.first().normalized(QString::NormalizationForm_KC).toInt(&number) : 0;
        if (!number)
            return usage(QStringLiteral("削除するメモの番号を 1 つ指定します: %1").arg(words.join(u' ')));
    }
    return r;
}

} // namespace

std::optional<int> run(int argc, char **argv)
{
    const QByteArray verb = argc >= 2 ? QByteArray(argv[1]) : QByteArray();
    if (verb != "add" && verb != "list" && verb != "remove")
        return std::nullopt;
    int count = 1;
    QCoreApplication application(count, argv);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const auto finish = [](const Reply &reply) {
        print(reply.status == Done ? stdout : stderr, reply.text);
        return reply.status;
    };
    const std::variant<Request, Reply> request = read(arguments);
    if (const Reply *reply = std::get_if<Reply>(&request))
        return finish(*reply);
    const Request &r = std::get<Request>(request);

    ApplicationDirectory directory;
    const QString folder = directory.path();
    // The lock lives in the data folder: an add makes it first, as a start does.
    if (r.verb == QLatin1String("add"))
        directory.create();
    // Declared first, dropped last: never without the mark while the lock is held.
    CommandMark mark(memo_bus::folderKey(folder));
    FileLock lock(folder);
    const QString kConnection = QStringLiteral("rekuda31-command");
    std::optional<QDBusConnection> bus;
    QElapsedTimer waited;
    waited.start();
    // The mark goes up before the lock is tried, so that a start meeting the
    // lock taken by this command waits for it instead of ending. A copy
    // still starting, or another command, may hold the lock for a moment.
    for (;;) {
        if (mark.hold() && lock.acquire())
            return finish(onFile(folder, r));
        if (!bus)
            bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnection);
        const QString service = memo_bus::serviceName(folder);
        if (bus->isConnected() && bus->interface()->isServiceRegistered(service)) {
            const int status = finish(overBus(*bus, service, r));
            // Qt's bus thread may still be reading when the process's statics
            // go, and says so on standard error; nothing here needs tearing down.
            std::fflush(stdout);
            std::fflush(stderr);
            std::_Exit(status);
        }
        if (waited.elapsed() > 1000)
            break;
        QThread::msleep(20);
    }
    return finish({Refused,
        QStringLiteral("rekuda31 が %1 で動いていますが、セッションバス経由で連絡できません%2。何も変更していません。")
            .arg(folder, bus->isConnected() ? QString() : QStringLiteral(" (セッションバスがありません)"))});
}

bool waitForCommand(InstanceLock &lock, const QString &folder)
{
    const QString key = memo_bus::folderKey(folder);
    QElapsedTimer waited;
    waited.start();
    while (CommandMark::heldByAnyone(key) && waited.elapsed() < 1000) {
        if (lock.acquire())
            return true;
        QThread::msleep(10);
    }
    // The command may have ended between the first try and the question.
    return lock.acquire();
}

} // namespace memo_commands
