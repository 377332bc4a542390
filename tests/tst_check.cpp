// The report of `rekuda31 --check` and what it is built on. Catches: a missing font, sound server, display or
// writable data folder, or a window manager that cannot keep the alarm above, not marked NG with its fix or not
// giving status 1; no window manager, no tray, a bad wave file, a running copy or a missing autostart entry counted
// against the machine; the next memo to fall due on the wrong day (a weekday mask read from the wrong end, a month
// without the day, a minute over before the tick's three seconds are); a probe for a running copy that makes a file
// or is fooled by another folder's lock.
#include "platform/qt_services.h"
#include "scheduler/next_occasion.h"
#include "shell/check_report.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include <unistd.h>

using check_report::Mark;
using namespace check;
using namespace Qt::Literals::StringLiterals;

namespace {

// A machine with everything a reminder needs, which each row then takes something from.
struct FakeProbes : CheckProbes
{
    DisplayFacts display() override { return displayFacts; }
    WindowManagerFacts windowManager() override { return wm; }
    TrayKind tray() override { return trayKind; }
    QString japaneseFont(const QString &) override { return font; }
    SoundServerFacts soundServer() override { return sound; }
    WaveFacts wave(const QString &) override { return waveFacts; }
    QString bellSound() override { return bell; }
    DataFolderFacts dataFolder() override { return folder; }
    DataFileFacts dataFile(const QString &) override { return data; }
    qint64 runningCopy(const QString &) override { return running; }
    AutostartFacts autostart() override { return start; }
    InputMethodFacts inputMethod() override { return im; }

    DisplayFacts displayFacts {DisplayKind::X11, QStringLiteral(":0")};
    WindowManagerFacts wm {true, QStringLiteral("Openbox"), true};
    TrayKind trayKind = TrayKind::XEmbed;
    QString font = QStringLiteral("IPAGothic");
    SoundServerFacts sound {true, QStringLiteral("/run/user/1000/pulse/native")};
    WaveFacts waveFacts {true, {}, QStringLiteral("WAVE、PCM 16 ビット"), 1, 22050, 1.5};
    QString bell = QStringLiteral("/usr/share/sounds/freedesktop/stereo/bell.oga");
    DataFolderFacts folder {QStringLiteral("/home/u/memo"), FolderReason::BesideProgram, true, true};
    DataFileFacts data {true, true, QByteArrayLiteral("2\r\n0,10,26,12,2026,\"a\",0,0\r\n0,15,0,0,0,\"b\",0,0\r\n")};
    qint64 running = 0;
    AutostartFacts start {QStringLiteral("/etc/xdg/autostart/rekuda31.desktop"), false};
    InputMethodFacts im {QStringLiteral("fcitx"), true};
};
using Fault = std::function<void(FakeProbes &)>;

const QDateTime kNow(QDate(2026, 12, 25), QTime(14, 0)); // a Friday

} // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Mark)

class TestCheck : public QObject
{
    Q_OBJECT
private slots:
    void report_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("item");
        QTest::addColumn<Mark>("mark");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QStringList>("problems");
        const auto none = QStringList();
        const auto row = [](const char *name, Fault fault, const char16_t *item, Mark mark, const char16_t *says,
                             const QStringList &problems) {
            QTest::newRow(name) << fault << QString::fromUtf16(item) << mark << QString::fromUtf16(says) << problems;
        };
        row(
            "everything there", [](FakeProbes &) {}, u"データファイル", Mark::Ok,
            u"メモ 2 件、次は 2026/12/25 (金) 15:00「b」", none);
        row("no Japanese font", [](FakeProbes &p) { p.font.clear(); }, u"日本語フォント", Mark::Problem,
            u"fonts-noto-cjk か fonts-ipafont-gothic", {u"日本語フォント"_s});
        row("no sound server",
            [](FakeProbes &p) {
                p.sound = {false, u"unix:/nonexistent"_s};
            },
            u"サウンドサーバ", Mark::Problem, u"PULSE_SERVER=unix:/nonexistent を確かめるか、pulseaudio",
            {u"サウンドサーバ"_s});
        row("data folder cannot be written", [](FakeProbes &p) { p.folder.writable = false; }, u"データフォルダ",
            Mark::Problem, u"書き込めない", {u"データフォルダ"_s});
        row("no display",
            [](FakeProbes &p) {
                p.displayFacts = {DisplayKind::Unreachable, u":9"_s};
            },
            u"画面", Mark::Problem, u":9 につながりません", {u"画面"_s, u"最前面表示"_s});
        row("Wayland only",
            [](FakeProbes &p) {
                p.displayFacts = {DisplayKind::WaylandOnly, u"wayland-0"_s};
            },
            u"最前面表示", Mark::Problem, u"xwayland を入れて", {u"画面"_s, u"最前面表示"_s});
        row(
            "XWayland", [](FakeProbes &p) { p.displayFacts.kind = DisplayKind::XWayland; }, u"画面", Mark::Ok,
            u"XWayland", none);
        row("window manager without keeping above", [](FakeProbes &p) { p.wm.keepsAbove = false; }, u"最前面表示",
            Mark::Problem, u"Openbox は最前面表示 (_NET_WM_STATE_ABOVE) に対応していない", {u"最前面表示"_s});
        row(
            "no window manager", [](FakeProbes &p) { p.wm = {}; }, u"最前面表示", Mark::Ok, u"覆うものもない", none);
        row(
            "no tray host", [](FakeProbes &p) { p.trayKind = TrayKind::None; }, u"通知領域", Mark::Notice,
            u"画面の隅の常駐表示", none);
        row(
            "StatusNotifier host", [](FakeProbes &p) { p.trayKind = TrayKind::StatusNotifier; }, u"通知領域", Mark::Ok,
            u"StatusNotifier", none);
        row(
            "no wave file", [](FakeProbes &p) { p.waveFacts = {}; }, u"音声ファイル", Mark::Notice,
            u"/home/u/memo/rekuda31.wav がない", none);
        row(
            "wave that cannot be played", [](FakeProbes &p) { p.waveFacts.problem = u"音が入っていません"_s; },
            u"音声ファイル", Mark::Notice, u"1 チャンネル、22050 Hz、1.50 秒) は再生できません: 音が入っていません",
            none);
        row(
            "no theme bell", [](FakeProbes &p) { p.bell.clear(); }, u"ベルの音", Mark::Notice,
            u"sound-theme-freedesktop", none);
        row(
            "copy running", [](FakeProbes &p) { p.running = 4242; }, u"動作中のコピー", Mark::Ok, u"プロセス 4242",
            none);
        row(
            "damaged data file", [](FakeProbes &p) { p.data.bytes = "2\r\n1,"; }, u"データファイル", Mark::Notice,
            u"rekuda31.dat.bad に移され", none);
        row(
            "autostart switched off", [](FakeProbes &p) { p.start.switchedOff = true; }, u"ログイン時の起動",
            Mark::Notice, u"止められています", none);
        row(
            "no input method", [](FakeProbes &p) { p.im = {}; }, u"日本語入力", Mark::Notice, u"QT_IM_MODULE=fcitx",
            none);
    }
    void report()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, item);
        QFETCH(QString, says);
        FakeProbes probes;
        fault(probes);
        const check_report::Report report = check_report::build(probes, kNow);
        QStringList problems;
        int seen = 0;
        for (const check_report::Line &line : report.lines) {
            if (line.mark == Mark::Problem)
                problems << line.item;
            if (line.item != item)
                continue;
            ++seen;
            QTEST(line.mark, "mark");
            QVERIFY2(line.text.contains(says), qPrintable(line.text));
        }
        QCOMPARE(seen, 1);
        QTEST(problems, "problems");
        QCOMPARE(report.status, problems.isEmpty() ? 0 : 1);
        QCOMPARE(report.lines.size(), 12);
    }

    void next_data()
    {
        QTest::addColumn<QList<int>>("memo"); // min, hour, day, month, year, week
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("expected"); // invalid: never
        const auto at = [](int y, int mo, int d, int h, int mi, int s = 0) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
        };
        QTest::newRow("one-off later today") << QList {30, 14, 25, 12, 2026, 0} << kNow << at(2026, 12, 25, 14, 30);
        QTest::newRow("one-off passed this year is shown at once")
            << QList {0, 9, 1, 3, 2026, 0} << kNow << at(2026, 3, 1, 9, 0);
        QTest::newRow("one-off of an earlier year never") << QList {0, 9, 1, 3, 2025, 0} << kNow << QDateTime();
        QTest::newRow("one-off next year") << QList {0, 0, 1, 1, 2027, 0} << kNow << at(2027, 1, 1, 0, 0);
        QTest::newRow("one-off on 30 February never") << QList {0, 9, 30, 2, 2027, 0} << kNow << QDateTime();
        QTest::newRow("daily passed today is tomorrow")
            << QList {59, 13, 0, 0, 0, 0} << kNow << at(2026, 12, 26, 13, 59);
        QTest::newRow("daily within the tick's three seconds")
            << QList {0, 14, 0, 0, 0, 0} << at(2026, 12, 25, 14, 0, 2) << kNow;
        QTest::newRow("daily after the tick's three seconds")
            << QList {0, 14, 0, 0, 0, 0} << at(2026, 12, 25, 14, 0, 3) << at(2026, 12, 26, 14, 0);
        QTest::newRow("daily at hour 24 never") << QList {0, 24, 0, 0, 0, 0} << kNow << QDateTime();
        QTest::newRow("monthly 30th skips February")
            << QList {0, 9, 30, 0, 0, 0} << at(2027, 1, 31, 10, 0) << at(2027, 3, 30, 9, 0);
        QTest::newRow("monthly 29th skips a short February")
            << QList {0, 9, 29, 0, 0, 0} << at(2027, 2, 1, 0, 0) << at(2027, 3, 29, 9, 0);
        QTest::newRow("monthly 32nd never") << QList {0, 9, 32, 0, 0, 0} << kNow << QDateTime();
        QTest::newRow("weekly Sunday and Wednesday from a Friday")
            << QList {0, 9, 0, 0, 0, 1 | 8} << kNow << at(2026, 12, 27, 9, 0);
        QTest::newRow("weekly Friday in a mask above 127")
            << QList {0, 15, 0, 0, 0, 128 | 32} << kNow << at(2026, 12, 25, 15, 0);
        QTest::newRow("weekly Friday passed today is next week")
            << QList {0, 9, 0, 0, 0, 32} << kNow << at(2027, 1, 1, 9, 0);
        QTest::newRow("weekly mask naming no day never") << QList {0, 9, 0, 0, 0, 128} << kNow << QDateTime();
    }
    void next()
    {
        QFETCH(QList<int>, memo);
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, expected);
        const auto when = next_occasion::next(Memo {qint16(memo[0]), qint16(memo[1]), qint16(memo[2]), qint16(memo[3]),
                                                  qint16(memo[4]), {}, 0, qint16(memo[5])},
            now);
        QCOMPARE(when.value_or(QDateTime()), expected);
    }

    void runningCopy()
    {
        QTemporaryDir runtime, cache, data, other;
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR"), savedCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
        FileLock running(data.path()), neighbour(other.path());
        const qint64 before = running.holder();
        const QStringList madeByAsking = QDir(runtime.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        const bool acquired = running.acquire() && neighbour.acquire();
        const qint64 held = FileLock(data.path()).holder();
        const bool stillHeld = !FileLock(data.path()).acquire();
        running.release();
        // Its lock file stays behind, unlocked, while the neighbour's is held.
        const qint64 released = FileLock(data.path()).holder();
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
        qputenv("XDG_CACHE_HOME", savedCache);
        QCOMPARE(before, 0);
        QCOMPARE(madeByAsking, QStringList());
        QVERIFY(acquired);
        QCOMPARE(held, qint64(::getpid()));
        QVERIFY(stillHeld);
        QCOMPARE(released, 0);
    }
};

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"
