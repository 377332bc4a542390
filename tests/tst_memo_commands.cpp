#include "fakes/fake_platform.h"

#include "shell/memo_commands.h"
#include "store/memo_book.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using memo_commands::Reply;

namespace {

const QDateTime kNow(QDate(2026, 12, 25), QTime(10, 0, 52)); // a Friday

QString fieldsOf(const MemoDraft &d)
{
    return QString::asprintf("%d/%d/%d %d:%02d w%d", d.SetYear, d.SetMonth, d.SetDays, d.SetHure, d.SetMin, d.WeekFlag);
}

// A memo book on real files in a fresh folder, holding the given one-off memos of 2027-01-01.
struct Book
{
    explicit Book(int memos = 0)
    {
        book.setFolder(folder.path());
        for (int i = 0; i < memos; ++i)
            book.set(Memo {qint16(i % 60), 12, 1, 1, 2027, QStringLiteral("m%1").arg(i), 0, 0});
    }
    QByteArray file() const { return readBytes(book.fileName()); }

    QTemporaryDir folder;
    Cp932Codec codec;
    FaultyFiles files;
    FakeMessages messages;
    FakeClock clock;
    MemoBook book {files, codec, messages, clock};
};

} // namespace

class TestMemoCommands : public QObject
{
    Q_OBJECT
private slots:
    void parseWhen_data();
    void parseWhen();
    void add_data();
    void add();
    void listAgreesWithBook();
    void remove_data();
    void remove();
};

void TestMemoCommands::parseWhen_data()
{
    QTest::addColumn<QString>("when");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("expected"); // the fields, or "error"
    const QDateTime lateEvening(QDate(2026, 12, 31), QTime(23, 45, 10));
    const auto row = [](const char *name, const QString &when, const QDateTime &now, const char *expected) {
        QTest::newRow(name) << when << now << QString::fromUtf8(expected);
    };
    row("date and time", "2027-01-15 09:30", kNow, "2027/1/15 9:30 w0");
    row("date T time", "2027-01-15T09:30", kNow, "2027/1/15 9:30 w0");
    row("time today", "09:30", kNow, "2026/12/25 9:30 w0");
    row("+1m drops the seconds", "+1m", kNow, "2026/12/25 10:01 w0");
    row("+1h30m", "+1h30m", kNow, "2026/12/25 11:30 w0");
    row("+分 in Japanese", "+1時間5分", kNow, "2026/12/25 11:05 w0");
    row("+30m over the new year", "+30m", lateEvening, "2027/1/1 0:15 w0");
    row("daily", "daily 09:30", kNow, "0/0/0 9:30 w0");
    row("monthly", "monthly 15 09:30", kNow, "0/0/15 9:30 w0");
    row("毎月 15日", "毎月 15日 09:30", kNow, "0/0/15 9:30 w0");
    row("monthly 31", "monthly 31 23:59", kNow, "0/0/31 23:59 w0");
    row("weekly mon,fri", "weekly mon,fri 08:15", kNow, "0/0/0 8:15 w34");
    row("毎週 月,金", "毎週 月,金 08:15", kNow, "0/0/0 8:15 w34");
    row("weekly whole week", "weekly sun,sat,Tuesday,wed,thu 08:15", kNow, "0/0/0 8:15 w93");
    row("full-width", "毎週　月曜日、金曜 ０８：１５", kNow, "0/0/0 8:15 w34");
    row("29 February of a leap year", "2028-02-29 09:00", kNow, "2028/2/29 9:00 w0");
    row("29 February of a common year", "2027-02-29 09:00", kNow, "error");
    row("31 April", "2027-04-31 09:00", kNow, "error");
    row("31 May", "2027-05-31 09:00", kNow, "2027/5/31 9:00 w0");
    row("hour 24", "24:00", kNow, "error");
    row("monthly day 32", "monthly 32 09:30", kNow, "error");
    row("monthly without day", "monthly 09:30", kNow, "error");
    row("weekly unknown day", "weekly mon,xyz 08:15", kNow, "error");
    row("bare +", "+", kNow, "error");
    row("+ without unit", "+25", kNow, "error");
    row("minutes before hours", "+30m1h", kNow, "error");
    row("nothing", "", kNow, "error");
}

void TestMemoCommands::parseWhen()
{
    QFETCH(QString, when);
    QFETCH(QDateTime, now);
    QFETCH(QString, expected);
    QString error;
    const std::optional<MemoDraft> draft = memo_commands::parseWhen(when, now, &error);
    QCOMPARE(draft ? fieldsOf(*draft) : QStringLiteral("error"), expected);
    // A malformed WHEN is named in the message.
    QCOMPARE(error.contains(when), !draft);
}

void TestMemoCommands::add_data()
{
    QTest::addColumn<int>("memos");
    QTest::addColumn<bool>("outForEditing");
    QTest::addColumn<QString>("when");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // a part of the reply
    QTest::addColumn<int>("slot"); // where the memo lands, -1 when refused
    QTest::newRow("next minute") << 0 << false << "+1m" << 0 << "10時1分" << 0;
    QTest::newRow("the present minute") << 0 << false << "10:00" << 1
                                        << "過去の時間を設定しました。再設定してください。" << -1;
    QTest::newRow("+0m is the present minute") << 0 << false << "+0m" << 1 << "過去の時間を設定しました。" << -1;
    QTest::newRow("earlier today") << 0 << false << "09:59" << 1 << "過去の時間" << -1;
    QTest::newRow("earlier year") << 0 << false << "2025-12-25 11:00" << 1 << "過去の時間" << -1;
    QTest::newRow("daily at an earlier hour") << 0 << false << "daily 09:00" << 0 << "毎日" << 0;
    QTest::newRow("malformed") << 0 << false << "2027-02-29 09:00" << 2 << "2027-02-29" << -1;
    QTest::newRow("before memos of a later date") << 3 << false << "2026-12-31 12:00" << 0 << "12月31日" << 0;
    QTest::newRow("after memos of its own minute") << 3 << false << "2027-01-01 12:01" << 0 << "12時1分" << 2;
    QTest::newRow("20th memo") << 19 << false << "+5m" << 0 << "設定しました" << 0;
    QTest::newRow("21st memo") << 20 << false << "+5m" << 1 << "これ以上設定できません。" << -1;
    QTest::newRow("20th with one out for editing") << 19 << true << "+5m" << 1 << "これ以上設定できません。" << -1;
    QTest::newRow("past comes before full") << 20 << false << "09:00" << 1 << "過去の時間" << -1;
}

void TestMemoCommands::add()
{
    QFETCH(int, memos);
    QFETCH(bool, outForEditing);
    QFETCH(QString, when);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(int, slot);
    Book b(memos + (outForEditing ? 1 : 0));
    if (outForEditing)
        b.book.takeForEdit(0);
    const std::optional<Memo> editing = b.book.memoOutForEditing();
    const int writes = b.files.writes;
    const Reply reply = memo_commands::add(b.book, kNow, when, QStringLiteral("お\"茶\n①"), true);
    QCOMPARE(reply.status, status);
    QVERIFY2(reply.text.contains(message), qPrintable(reply.text));
    QCOMPARE(b.book.count(), memos + (slot >= 0 ? 1 : 0));
    QCOMPARE(b.files.writes, writes + (slot >= 0 ? 1 : 0));
    // The memo out for editing stays out, whatever a script does.
    QCOMPARE(b.book.memoOutForEditing(), editing);
    if (slot < 0)
        return;
    // Stored as the text window stores it: quotes full-width, line breaks CR LF.
    QCOMPARE(b.book.at(slot).text, QStringLiteral("お＂茶\r\n①"));
    QCOMPARE(b.book.at(slot).sound, qint16(1));
    QVERIFY(b.book.armed());
    QCOMPARE(b.file(), data_file::serialize(b.book.memos(), b.codec));
}

void TestMemoCommands::listAgreesWithBook()
{
    Book b;
    for (const char *when : {"weekly mon,fri 08:15", "monthly 31 07:00", "daily 09:30", "2027-01-15 09:30"})
        QCOMPARE(memo_commands::add(b.book, kNow, QString::fromUtf8(when), QStringLiteral("a\nb"), false).status, 0);
    const QJsonArray memos = QJsonDocument::fromJson(memo_commands::list(b.book, kNow, true).text.toUtf8()).array();
    QCOMPARE(memos.size(), 4);
    const QStringList expected {QStringLiteral("1 weekly 0/0/0 8:15 [mon,fri] next 2026-12-28T08:15:00"),
        QStringLiteral("2 daily 0/0/0 9:30 [] next 2026-12-26T09:30:00"),
        QStringLiteral("3 monthly 0/0/31 7:00 [] next 2026-12-31T07:00:00"),
        QStringLiteral("4 once 2027/1/15 9:30 [] next 2027-01-15T09:30:00")};
    for (int i = 0; i < memos.size(); ++i) {
        const QJsonObject m = memos[i].toObject();
        QStringList days;
        for (const QJsonValue &day : m[QStringLiteral("weekdays")].toArray())
            days << day.toString();
        QCOMPARE(QString::asprintf("%d %s %d/%d/%d %d:%02d [%s] next %s", m[QStringLiteral("number")].toInt(),
                     qPrintable(m[QStringLiteral("kind")].toString()), m[QStringLiteral("year")].toInt(),
                     m[QStringLiteral("month")].toInt(), m[QStringLiteral("day")].toInt(),
                     m[QStringLiteral("hour")].toInt(), m[QStringLiteral("minute")].toInt(),
                     qPrintable(days.join(u',')), qPrintable(m[QStringLiteral("next")].toString())),
            expected[i]);
        QCOMPARE(m[QStringLiteral("text")].toString(), QStringLiteral("a\nb"));
        QCOMPARE(m[QStringLiteral("id")].toString(), memo_commands::memoId(b.book.at(i)));
    }
    const QString text = memo_commands::list(b.book, kNow, false).text;
    QVERIFY2(text.startsWith(QStringLiteral("1. (月)(金)8時15分　a\n    b  (次回 2026-12-28 08:15)\n2. 毎日　9時30分")),
        qPrintable(text));
}

void TestMemoCommands::remove_data()
{
    QTest::addColumn<QString>("how"); // "n<number>" or "id<slot whose id>" or a raw id
    QTest::addColumn<int>("busySlot");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("gone"); // the slot removed, -1 for none
    QTest::newRow("first") << "n1" << -1 << 0 << 0;
    QTest::newRow("last") << "n3" << -1 << 0 << 2;
    QTest::newRow("number 0") << "n0" << -1 << 1 << -1;
    QTest::newRow("the alarm's memo") << "n2" << 1 << 1 << -1;
    QTest::newRow("beside the alarm's memo") << "n1" << 1 << 0 << 0;
    QTest::newRow("by id") << "id1" << -1 << 0 << 1;
    QTest::newRow("by id, the alarm's") << "id1" << 1 << 1 << -1;
    QTest::newRow("id of no memo") << "0123456789ab" << -1 << 1 << -1;
    QTest::newRow("malformed id") << "xyz" << -1 << 2 << -1;
}

void TestMemoCommands::remove()
{
    QFETCH(QString, how);
    QFETCH(int, busySlot);
    QFETCH(int, status);
    QFETCH(int, gone);
    Book b(3);
    b.book.setShownSlot(2);
    const MemoTable before = b.book.memos();
    const Reply reply = how.startsWith(u'n') ? memo_commands::removeNumber(b.book, how.mid(1).toInt(), busySlot)
        : how.startsWith(QLatin1String("id"))
        ? memo_commands::removeById(b.book, memo_commands::memoId(b.book.at(how.mid(2).toInt())), busySlot)
        : memo_commands::removeById(b.book, how, busySlot);
    QCOMPARE(reply.status, status);
    MemoTable expected = before;
    if (gone >= 0) {
        expected.removeAt(gone);
        QVERIFY2(reply.text.contains(before[gone].text), qPrintable(reply.text));
    }
    QCOMPARE(b.book.memos(), expected);
    // The alarm keeps pointing at the memo it shows.
    if (gone != 2)
        QCOMPARE(b.book.at(b.book.shownSlot()), before[2]);
}

QTEST_MAIN(TestMemoCommands)
#include "tst_memo_commands.moc"
