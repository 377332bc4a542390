#include "fakes/fake_platform.h"

#include "shell/memo_commands.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDateTime kNow(QDate(2026, 12, 25), QTime(10, 0, 52)); // a Friday

// A memo book on real files in a fresh folder.
struct Book
{
    Book() { book.setFolder(folder.path()); }

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
        row("hour 24", "24:00", "error");
        row("monthly day 32", "monthly 32 09:30", "error");
        row("monthly without day", "monthly 09:30", "error");
        row("weekly unknown day", "weekly mon,xyz 08:15", "error");
        row("bare +", "+", "error");
        row("+ without unit", "+1h25", "error");
        row("minutes before hours", "+30m1h", "error");
    }
    void parseWhen()
    {
        QFETCH(QString, when);
        QString error;
        const std::optional<MemoDraft> draft = memo_commands::parseWhen(when, kNow, &error);
        QTEST(draft ? QString::asprintf("%d/%d/%d %d:%02d w%d", draft->SetYear, draft->SetMonth, draft->SetDays,
                  draft->SetHure, draft->SetMin, draft->WeekFlag)
                    : QStringLiteral("error"),
            "expected");
        QCOMPARE(error.contains(when), !draft); // a malformed WHEN is named in the message
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

    // The program run from a script: with no copy running it changes the file alone, and with one running it asks
    // that copy's book over a private session bus. Both say the same, leave the same bytes and need no display.
    void commandsOnFileAndOverBus()
    {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"DISPLAY"_s);
        env.insert(u"HOME"_s, home.path());
        env.insert(u"XDG_RUNTIME_DIR"_s, home.path());
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path="_s + home.filePath(u"bus"_s));
        QProcess bus, copy;
        bus.start(u"dbus-daemon"_s,
            {u"--session"_s, u"--nofork"_s, u"--address"_s, env.value(u"DBUS_SESSION_BUS_ADDRESS"_s)});
        QStringList said[2];
        QByteArray bytes[2];
        for (const bool running : {false, true}) {
            const QString folder = home.filePath(running ? u"copy"_s : u"alone"_s);
            QVERIFY(writeBytes(folder + u"/rekuda31.dat"_s, dataFileOf({memoLine(0, 12, 26, 12, 2099, u"既存"_s)})));
            QVERIFY(QFile::copy(QStringLiteral(REKUDA31_BINARY), folder + u"/rekuda31"_s));
            const auto run = [&](const QStringList &arguments) {
                QProcess p;
                p.setProcessEnvironment(env);
                p.start(folder + u"/rekuda31"_s, arguments);
                p.waitForFinished(10000);
                const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
                said[running] << u"%1 %2"_s.arg(p.exitCode()).arg(out.section(u'\n', 0, 0).section(u"  (次回"_s, 0, 0));
                return out;
            };
            if (running) {
                copy.setProcessEnvironment(env);
                copy.start(folder + u"/rekuda31"_s);
                QTRY_VERIFY_WITH_TIMEOUT(FileLock(folder).holder() == copy.processId(), 5000);
            }
            run({u"add"_s, u"2099-01-15 09:30"_s, u"会議"_s});
            run({u"add"_s, u"daily"_s, u"09:30"_s, u"薬"_s});
            run({u"add"_s, u"--sound"_s, u"weekly mon,fri 08:15"_s, u"--"_s, u"-朝会"_s});
            run({u"add"_s, u"2001-01-01 10:00"_s, u"x"_s});
            run({u"add"_s, u"2099-02-29 07:00"_s, u"x"_s});
            const QJsonArray memos = QJsonDocument::fromJson(run({u"list"_s, u"--json"_s}).toUtf8()).array();
            run({u"remove"_s, u"--id"_s, memos.at(1)[u"id"_s].toString()});
            run({u"remove"_s, u"9"_s});
            run({u"remove"_s, u"3"_s});
            run({u"list"_s});
            bytes[running] = readBytes(folder + u"/rekuda31.dat"_s);
        }
        copy.terminate();
        bus.terminate();
        QVERIFY(copy.waitForFinished() && bus.waitForFinished());
        QCOMPARE(said[1], said[0]);
        QCOMPARE(said[0],
            QStringList({u"0 設定しました: 2099年1月15日9時30分　会議"_s, u"0 設定しました: 毎日　9時30分　薬"_s,
                u"0 設定しました: (月)(金)8時15分　-朝会"_s, u"1 過去の時間を設定しました。再設定してください。"_s,
                u"2 日時「2099-02-29 07:00」を読めません: 2099-02-29 という日付はありません"_s, u"0 ["_s,
                u"0 削除しました: 毎日　9時30分　薬"_s, u"1 9 番のメモはありません (メモは 3 件)。"_s,
                u"0 削除しました: 2099年12月26日12時0分　既存"_s, u"0 1. (月)(金)8時15分　-朝会"_s}));
        QCOMPARE(bytes[1], bytes[0]);
        QCOMPARE(bytes[0],
            dataFileOf({memoLine(15, 8, 0, 0, 0, u"-朝会"_s, 1, 34), memoLine(30, 9, 15, 1, 2099, u"会議"_s)}));
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
