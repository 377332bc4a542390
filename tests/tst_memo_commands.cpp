#include "fakes/fake_platform.h"

#include "shell/memo_commands.h"
#include "store/memo_book.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

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
    void parseWhen_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<QString>("expected"); // the fields, or "error"
        const auto row = [](const char *name, const char *when, const char *expected) {
            QTest::newRow(name) << QString::fromUtf8(when) << QString::fromUtf8(expected);
        };
        row("date T time", "2027-01-15T09:30", "2027/1/15 9:30 w0");
        row("time today", "23:59", "2026/12/25 23:59 w0");
        row("+時間分", "+1時間5分", "2026/12/25 11:05 w0");
        row("+h m over the new year", "+158h15m", "2027/1/1 0:15 w0");
        row("毎月 15日", "毎月 15日 09:30", "0/0/15 9:30 w0");
        row("weekly full-width", "weekly　mon、fri ０８：１５", "0/0/0 8:15 w34");
        row("毎週 in every spelling", "毎週 日,土曜日,Tuesday,wed,木曜 08:15", "0/0/0 8:15 w93");
        row("29 February of a leap year", "2028-02-29 09:00", "2028/2/29 9:00 w0");
        row("29 February of a common year", "2027-02-29 09:00", "error");
        row("hour 24", "24:00", "error");
        row("monthly day 32", "monthly 32 09:30", "error");
        row("monthly without day", "monthly 09:30", "error");
        row("weekly unknown day", "weekly mon,xyz 08:15", "error");
        row("bare +", "+", "error");
        row("+ without unit", "+1h25", "error");
        row("minutes before hours", "+30m1h", "error");
        row("nothing", "", "error");
    }
    void parseWhen()
    {
        QFETCH(QString, when);
        QString error;
        const std::optional<MemoDraft> draft = memo_commands::parseWhen(when, kNow, &error);
        QTEST(draft ? fieldsOf(*draft) : QStringLiteral("error"), "expected");
        QCOMPARE(error.contains(when), !draft); // a malformed WHEN is named in the message
    }

    void add_data()
    {
        QTest::addColumn<int>("memos");
        QTest::addColumn<QString>("when");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message"); // a part of the reply
        QTest::addColumn<int>("slot"); // where the memo lands, -1 when refused
        const auto row = [](const char *name, int memos, const char *when, int status, const char *says, int slot) {
            QTest::newRow(name) << memos << QString::fromUtf8(when) << status << QString::fromUtf8(says) << slot;
        };
        row("earlier year", 0, "2025-12-25 11:00", 1, "過去の時間", -1);
        row("malformed", 0, "2027-02-29 09:00", 2, "2027-02-29", -1);
        row("before memos of a later date", 3, "2026-12-31 12:00", 0, "12月31日", 0);
        row("after memos of its own minute", 3, "2027-01-01 12:01", 0, "12時1分", 2);
        row("earlier today, past before full", 20, "09:59", 1, "過去の時間", -1);
    }
    void add()
    {
        QFETCH(int, memos);
        QFETCH(QString, when);
        QFETCH(QString, message);
        QFETCH(int, slot);
        Book b(memos);
        const int writes = b.files.writes, added = slot >= 0 ? 1 : 0;
        const memo_commands::Reply reply = memo_commands::add(b.book, kNow, when, QStringLiteral("お\"茶\n①"), true);
        QTEST(reply.status, "status");
        QVERIFY2(reply.text.contains(message), qPrintable(reply.text));
        QCOMPARE(b.book.count(), memos + added);
        QCOMPARE(b.files.writes, writes + added);
        if (slot < 0)
            return;
        // Stored as the text window stores it: quotes full-width, line breaks CR LF.
        QCOMPARE(b.book.at(slot).text, QStringLiteral("お＂茶\r\n①"));
        QCOMPARE(b.book.at(slot).sound, qint16(1));
        QVERIFY(b.book.armed());
        QCOMPARE(readBytes(b.book.fileName()), data_file::serialize(b.book.memos(), b.codec));
    }

    void listAgreesWithBook()
    {
        Book b;
        for (const char *when : {"weekly mon,fri 08:15", "monthly 31 07:00", "daily 09:30", "2027-01-15 09:30"})
            QCOMPARE(
                memo_commands::add(b.book, kNow, QString::fromUtf8(when), QStringLiteral("a\nb"), false).status, 0);
        const QJsonArray memos = QJsonDocument::fromJson(memo_commands::list(b.book, kNow, true).text.toUtf8()).array();
        QStringList got;
        for (int i = 0; i < memos.size(); ++i) {
            QJsonObject m = memos[i].toObject();
            QCOMPARE(m.take(QStringLiteral("id")).toString(), memo_commands::memoId(b.book.at(i)));
            got << QString::fromUtf8(QJsonDocument(m).toJson(QJsonDocument::Compact)).remove(u'"');
        }
        QCOMPARE(got.join(u'\n'),
            QStringLiteral(
                R"({day:0,hour:8,kind:weekly,minute:15,month:0,next:2026-12-28T08:15:00,number:1,sound:false,text:a\nb,weekdays:[mon,fri],year:0}
{day:0,hour:9,kind:daily,minute:30,month:0,next:2026-12-26T09:30:00,number:2,sound:false,text:a\nb,weekdays:[],year:0}
{day:31,hour:7,kind:monthly,minute:0,month:0,next:2026-12-31T07:00:00,number:3,sound:false,text:a\nb,weekdays:[],year:0}
{day:15,hour:9,kind:once,minute:30,month:1,next:2027-01-15T09:30:00,number:4,sound:false,text:a\nb,weekdays:[],year:2027})"));
        const QString text = memo_commands::list(b.book, kNow, false).text;
        QVERIFY2(
            text.startsWith(QStringLiteral("1. (月)(金)8時15分　a\n    b  (次回 2026-12-28 08:15)\n2. 毎日　9時30分")),
            qPrintable(text));
    }

    void remove_data()
    {
        QTest::addColumn<QString>("how"); // "n<number>", "id<slot whose id>" or a raw id
        QTest::addColumn<int>("busySlot");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("gone"); // the slot removed, -1 for none
        QTest::newRow("number 0") << "n0" << -1 << 1 << -1;
        QTest::newRow("by id") << "id1" << -1 << 0 << 1;
        QTest::newRow("by id, the alarm's") << "id1" << 1 << 1 << -1;
        QTest::newRow("id of no memo") << "0123456789ab" << -1 << 1 << -1;
        QTest::newRow("malformed id") << "xyz" << -1 << 2 << -1;
    }
    void remove()
    {
        QFETCH(QString, how);
        QFETCH(int, busySlot);
        QFETCH(int, gone);
        Book b(3);
        b.book.setShownSlot(2);
        const MemoTable before = b.book.memos();
        const QString id
            = how.startsWith(QLatin1String("id")) ? memo_commands::memoId(before[how.mid(2).toInt()]) : how;
        const memo_commands::Reply reply = how.startsWith(u'n')
            ? memo_commands::removeNumber(b.book, how.mid(1).toInt(), busySlot)
            : memo_commands::removeById(b.book, id, busySlot);
        QTEST(reply.status, "status");
        MemoTable expected = before;
        if (gone >= 0)
            QVERIFY2(reply.text.contains(expected.takeAt(gone).text), qPrintable(reply.text));
        QCOMPARE(b.book.memos(), expected);
        if (gone != 2) // the alarm keeps pointing at the memo it shows
            QCOMPARE(b.book.at(b.book.shownSlot()), before[2]);
    }

    // A data file another program is still writing when the program starts is read once it is whole: not moved
    // aside, nothing told.
    void startUpWaitsForAHalfWrittenFile()
    {
        struct WritingClock : FakeClock
        {
            void pause(int) const override { ++pauses == 3 && writeBytes(path, whole); }
            QString path;
            QByteArray whole = dataFileOf({memoLine(0, 9, 0, 0, 0, u"朝"_qs), memoLine(30, 12, 0, 0, 0, u"昼"_qs)});
            mutable int pauses = 0;
        };
        Book b;
        WritingClock clock;
        MemoBook book {b.files, b.codec, b.messages, clock};
        book.setFolder(b.folder.path());
        clock.path = book.fileName();
        QVERIFY(writeBytes(clock.path, clock.whole.left(clock.whole.lastIndexOf('"'))));
        QCOMPARE(book.load(), data_file::LoadResult::Loaded);
        QCOMPARE(book.count(), 2);
        QCOMPARE(QDir(b.folder.path()).entryList(QDir::Files), QStringList {u"rekuda31.dat"_qs});
        QCOMPARE(b.messages.shown, QStringList());
    }
};

QTEST_MAIN(TestMemoCommands)
#include "tst_memo_commands.moc"
