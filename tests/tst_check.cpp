// `rekuda31 --check` and what it is built on. Catches: a missing item not NG with its fix and status 1, a notice
// counted against the machine, a display misread; the next memo on the wrong day.
#include "platform/system_check_probes.h"
#include "scheduler/next_occasion.h"
#include "shell/check_report.h"

#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>

#include <functional>

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

class TestCheck : public QObject
{
    Q_OBJECT
private slots:
    // Each row takes some things away and names every line's mark and what some lines say.
    void report_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QStringList>("says"); // "item: part of its text"
        const auto row = [](const char *name, Fault fault, const char *marks, const QStringList &says) {
            QTest::newRow(name) << fault << QString::fromLatin1(marks) << says;
        };
        row("everything there", [](FakeProbes &) {}, "OOOOOOOOOOOO",
            {u"データファイル: メモ 2 件、次は 2026/12/25 (金) 15:00「b」"_s});
        // The tray cannot be asked without a display.
        row("no display", [](FakeProbes &p) { p.displayFacts = DisplayFacts(DisplayKind::Unreachable, u":9"_s); },
            "XX!OOOOOOOOO", {u"画面: :9 につながりません"_s});
        row("Wayland only", [](FakeProbes &p) { p.displayFacts = DisplayFacts(DisplayKind::WaylandOnly, u"w-0"_s); },
            "XXOOOOOOOOOO", {u"最前面表示: xwayland を入れて"_s});
        row("no Japanese font, no sound server, data folder not writable",
            [](FakeProbes &p) { p.font.clear(), p.sound = SoundServerFacts(), p.folder.writable = false; },
            "OOOXXOOXOOOO",
            {u"日本語フォント: fonts-noto-cjk"_s, u"サウンドサーバ: pulseaudio"_s, u"データフォルダ: 権限"_s});
        row("window manager without keeping above", [](FakeProbes &p) { p.wm.keepsAbove = false; }, "OXOOOOOOOOOO",
            {u"最前面表示: Openbox は最前面表示 (_NET_WM_STATE_ABOVE) に対応していない"_s});
        const auto notices = [](FakeProbes &p) {
            p.waveFacts.problem = u"音が入っていません"_s, p.bell.clear(), p.running = 4242, p.start.switchedOff = true;
        };
        row("unplayable wave, no bell, copy running, autostart off", notices, "OOOOO!!OOO!O",
            {u"音声ファイル: 1 チャンネル、22050 Hz、1.50 秒) は再生できません: 音が入っていません"_s,
                u"ベルの音: sound-theme-freedesktop"_s, u"動作中のコピー: プロセス 4242"_s,
                u"ログイン時の起動: 止められています"_s});
        row("no wave file, damaged data file, no input method",
            [](FakeProbes &p) { p.waveFacts = WaveFacts(), p.data.bytes = "2\r\n1,", p.im = InputMethodFacts(); },
            "OOOOO!OO!OO!",
            {u"音声ファイル: /home/u/memo/rekuda31.wav がない"_s, u"データファイル: rekuda31.dat.bad に移され"_s,
                u"日本語入力: QT_IM_MODULE=fcitx"_s});
    }
    void report()
    {
        QFETCH(Fault, fault);
        QFETCH(QStringList, says);
        FakeProbes probes;
        fault(probes);
        const check_report::Report report = check_report::build(probes, kNow);
        QStringList items, lines;
        QString marks; // O OK, ! notice, X NG
        for (const check_report::Line &line : report.lines) {
            items << line.item;
            lines << line.item + u": "_s + line.text;
            marks += line.mark == Mark::Ok ? u'O' : line.mark == Mark::Notice ? u'!' : u'X';
        }
        QCOMPARE(items,
            QString(u"画面 最前面表示 通知領域 日本語フォント サウンドサーバ 音声ファイル ベルの音 データフォルダ "
                    u"データファイル 動作中のコピー ログイン時の起動 日本語入力"_s)
                .split(u' '));
        QTEST(marks, "marks");
        QCOMPARE(report.status, marks.contains(u'X') ? 1 : 0);
        for (const QString &say : says) {
            const QString item = say.section(u": "_s, 0, 0), part = say.section(u": "_s, 1);
            QVERIFY2(lines[items.indexOf(item)].contains(part), qPrintable(lines[items.indexOf(item)]));
        }
    }

    // The display question asked of sockets the test makes: a Wayland compositor that answers, and one that does not.
    void displayProbe()
    {
        QTemporaryDir dir;
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {AF_UNIX, {}};
        qstrncpy(address.sun_path, QFile::encodeName(dir.filePath(u"wl"_s)).constData(), sizeof address.sun_path);
        QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
            && ::listen(listener, 4) == 0);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
        qputenv("DBUS_SESSION_BUS_ADDRESS", "");
        const QString none = dir.filePath(u"none"_s);
        QStringList displays;
        for (const auto &[x, wayland] : QList<std::pair<QByteArray, QString>> {
                 {"", dir.filePath(u"wl"_s)}, {"", u"wl"_s}, {":9999", none}, {"", none}}) {
            qputenv("DISPLAY", x);
            qputenv("WAYLAND_DISPLAY", QFile::encodeName(wayland));
            SystemCheckProbes machine;
            const DisplayFacts f = machine.display();
            displays << u"%1 %2 %3"_s.arg(int(f.kind)).arg(f.name.section(u'/', -1)).arg(int(machine.tray()));
        }
        ::close(listener);
        QCOMPARE(displays, QStringList({u"3 wl 0"_s, u"3 wl 0"_s, u"0 :9999 0"_s, u"0 none 0"_s}));
    }

    void next_data()
    {
        QTest::addColumn<QList<int>>("memo"); // min, hour, day, month, year, week
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("expected"); // invalid: never
        const auto at = [](int y, int mo, int d, int h, int mi, int s = 0) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
        };
        const auto row = [](const char *name, const QList<int> &memo, const QDateTime &now, const QDateTime &when) {
            QTest::newRow(name) << memo << now << when;
        };
        row("one-off of an earlier year is shown at once", {0, 9, 1, 3, 2025, 0}, kNow, at(2025, 3, 1, 9, 0));
        row("one-off on 30 February never", {0, 9, 30, 2, 2027, 0}, kNow, QDateTime());
        row("daily within its minute", {0, 14, 0, 0, 0, 0}, at(2026, 12, 25, 14, 0, 59), kNow);
        row("daily after its minute", {0, 14, 0, 0, 0, 0}, at(2026, 12, 25, 14, 1, 0), at(2026, 12, 26, 14, 0));
        row("daily at hour 24 never", {0, 24, 0, 0, 0, 0}, kNow, QDateTime());
        row("monthly 29th skips a short February", {0, 9, 29, 0, 0, 0}, at(2027, 2, 1, 0, 0), at(2027, 3, 29, 9, 0));
        row("monthly 32nd never", {0, 9, 32, 0, 0, 0}, kNow, QDateTime());
        row("weekly Sunday and Wednesday from a Friday", {0, 9, 0, 0, 0, 1 | 8}, kNow, at(2026, 12, 27, 9, 0));
        row("weekly Friday passed today is next week", {0, 9, 0, 0, 0, 32}, kNow, at(2027, 1, 1, 9, 0));
        row("weekly mask naming no day never", {0, 9, 0, 0, 0, 128}, kNow, QDateTime());
    }
    void next()
    {
        QFETCH(QList<int>, memo);
        QFETCH(QDateTime, now);
        const auto when = next_occasion::next(Memo {qint16(memo[0]), qint16(memo[1]), qint16(memo[2]), qint16(memo[3]),
                                                  qint16(memo[4]), {}, 0, qint16(memo[5])},
            now);
        QTEST(when.value_or(QDateTime()), "expected");
    }
};

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"
