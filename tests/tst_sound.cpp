// The alarm's sound and the bell: which calls a due memo makes, and the real
// players against a private PulseAudio null sink and against no server at
// all, over every wave format a user may drop in and files that are not.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"
#include "platform/sound_services.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <sndfile.h>
#include <sys/stat.h>

#include <cmath>
#include <vector>

using Outcome = SoundStreams::Outcome;

namespace {

// Longer than any call on the user-interface thread may take.
constexpr qint64 kUiBudgetMs = 20;
constexpr double kSeconds = 0.3;

// A 660 Hz tone written by libsndfile in the given format.
bool writeTone(const QString &path, int format, int channels, int rate, double seconds = kSeconds)
{
    SF_INFO info = {};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    const int frames = int(rate * seconds);
    std::vector<float> samples(size_t(frames) * channels);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            samples[size_t(f) * channels + c] = float(0.5 * std::sin(2 * M_PI * 660 * f / rate));
    const bool whole = sf_writef_float(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && whole;
}

enum class Damage { None, Truncated, HugeDataSize, ThousandChannels, Garbage, Empty, Directory, Fifo, Missing };

// Writes the file for one corpus row; false if it could not be made.
bool makeFile(const QString &path, int format, int channels, int rate, Damage damage)
{
    switch (damage) {
    case Damage::Garbage:
        return writeBytes(path, QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) + QByteArray(4000, '\x7f'));
    case Damage::Empty:
        return writeBytes(path, {});
    case Damage::Directory:
        return QDir().mkpath(path);
    case Damage::Fifo:
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    case Damage::Missing:
        return true;
    default:
        break;
    }
    if (!writeTone(path, format, channels, rate))
        return false;
    QByteArray bytes = readBytes(path);
    const qsizetype data = bytes.indexOf("data");
    if (damage == Damage::Truncated)
        bytes.truncate(data + 8 + (bytes.size() - data - 8) / 2);
    else if (damage == Damage::HugeDataSize)
        bytes.replace(data + 4, 4, QByteArray("\xf0\xff\xff\xff", 4));
    else if (damage == Damage::ThousandChannels)
        bytes.replace(22, 2, QByteArray("\xe8\x03", 2));
    return writeBytes(path, bytes);
}

// A PulseAudio server of the test's own with a null sink as its only output.
class PulseServer
{
public:
    bool start()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (daemon.isEmpty() || !m_dir.isValid())
            return false;
        socket = m_dir.filePath(QStringLiteral("native"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        m_process.setProcessEnvironment(env);
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(daemon,
            {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "--use-pid-file=no",
                "--load=module-null-sink sink_name=nul",
                "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket});
        if (!m_process.waitForStarted() || !QTest::qWaitFor([this] { return QFile::exists(socket); }, 10000))
            return false;
        // A null sink nobody listens to runs in two-second blocks, so a new
        // stream would wait that long for its first request; a listener keeps
        // it on short ones, as a sound card is.
        m_listener.setProcessEnvironment(env);
        m_listener.setStandardOutputFile(QProcess::nullDevice());
        m_listener.start(
            QStringLiteral("parec"), {"--server=unix:" + socket, "-d", "nul.monitor", "--latency-msec=20", "--raw"});
        return m_listener.waitForStarted();
    }
    void kill()
    {
        for (QProcess *process : {&m_listener, &m_process}) {
            process->kill();
            process->waitForFinished();
        }
    }
    ~PulseServer() { kill(); }
    QString socket;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QProcess m_listener;
};

void useServer(const QString &socket)
{
    qputenv("PULSE_SERVER", QFile::encodeName(socket.isEmpty() ? "unix:/nonexistent" : "unix:" + socket));
}

} // namespace

class TestSound : public QObject
{
    Q_OBJECT
    PulseServer m_server;
    QTemporaryDir m_dir;

    // Plays path on a fresh player; its outcome and the time from play() to it
    // (-1: none came). play() itself must return within the budget.
    QPair<Outcome, qint64> playToEnd(const QString &path)
    {
        WavePlayer player;
        QList<Outcome> outcomes;
        player.streams.ended = [&outcomes](Outcome how) { outcomes << how; };
        QElapsedTimer clock;
        clock.start();
        player.play(path);
        if (clock.elapsed() >= kUiBudgetMs)
            return {Outcome::Broken, -1};
        (void)QTest::qWaitFor([&outcomes] { return !outcomes.isEmpty(); }, 10000);
        return {outcomes.value(0, Outcome::Broken), outcomes.isEmpty() ? -1 : clock.elapsed()};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), "no PulseAudio server to play to (scripts/deps.sh installs one)");
    }

    void soundPlayCallsInOrder_data()
    {
        QTest::addColumn<int>("sound");
        QTest::newRow("memo with sound") << 1;
        QTest::newRow("memo without sound") << 0;
    }
    void soundPlayCallsInOrder()
    {
        QFETCH(int, sound);
        TestProgram program;
        QVERIFY(program.start(
            {memoLine(30, 14, 25, 12, 2026, "鳴る", sound)}, QDateTime(QDate(2026, 12, 25), QTime(14, 30))));
        program.beeper->log = &program.sound->calls;
        program.tick();
        QVERIFY(forms().Display().isVisible());
        const QStringList played {"close", "play " + program.folder.filePath("rekuda31.wav"), "beep"};
        QCOMPARE(program.sound->calls, sound ? played : QStringList {});
    }

    void exitLetsGoOfTheInstanceBeforeTheBell()
    {
        TestProgram program;
        QVERIFY(program.start());
        QStringList calls;
        program.lock->log = &calls;
        program.beeper->log = &calls;
        program.app->exitProgram();
        QCOMPARE(calls, QStringList({"release lock", "beep"}));
    }

    void everyWaveFormatPlaysAndBadFilesNeverHurt_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<Damage>("damage");
        QTest::addColumn<double>("seconds"); // of sound in the file; 0: not playable
        const int wav = SF_FORMAT_WAV, wavex = SF_FORMAT_WAVEX;
        const auto tone = [](const char *name, int format, int channels, int rate, Damage damage = Damage::None,
                              double seconds = kSeconds) {
            QTest::newRow(name) << format << channels << rate << damage << seconds;
        };
        tone("PCM 8-bit mono 8 kHz", wav | SF_FORMAT_PCM_U8, 1, 8000);
        tone("PCM 16-bit stereo 44.1 kHz", wav | SF_FORMAT_PCM_16, 2, 44100);
        tone("PCM 24-bit extensible 48 kHz", wavex | SF_FORMAT_PCM_24, 2, 48000);
        tone("PCM 32-bit 96 kHz", wav | SF_FORMAT_PCM_32, 1, 96000);
        tone("float 32 extensible", wavex | SF_FORMAT_FLOAT, 2, 44100);
        tone("float 64", wav | SF_FORMAT_DOUBLE, 1, 22050);
        tone("A-law", wav | SF_FORMAT_ALAW, 1, 8000);
        tone("mu-law", wav | SF_FORMAT_ULAW, 1, 8000);
        tone("IMA ADPCM", wav | SF_FORMAT_IMA_ADPCM, 1, 22050);
        tone("MS ADPCM stereo 11.025 kHz", wav | SF_FORMAT_MS_ADPCM, 2, 11025);
        tone("GSM 6.10", wav | SF_FORMAT_GSM610, 1, 8000);
        tone("6 channels 37 kHz", wavex | SF_FORMAT_PCM_16, 6, 37000);
        tone("cut off halfway", wav | SF_FORMAT_PCM_16, 1, 22050, Damage::Truncated, kSeconds / 2);
        tone("data size far past the end", wav | SF_FORMAT_PCM_16, 1, 22050, Damage::HugeDataSize);
        tone("1000 channels claimed", wav | SF_FORMAT_PCM_16, 1, 22050, Damage::ThousandChannels, 0);
        tone("not a wave", 0, 0, 0, Damage::Garbage, 0);
        tone("empty", 0, 0, 0, Damage::Empty, 0);
        tone("directory", 0, 0, 0, Damage::Directory, 0);
        tone("FIFO", 0, 0, 0, Damage::Fifo, 0);
        tone("missing", 0, 0, 0, Damage::Missing, 0);
    }
    void everyWaveFormatPlaysAndBadFilesNeverHurt()
    {
        QFETCH(int, format);
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(Damage, damage);
        QFETCH(double, seconds);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_'));
        QVERIFY(makeFile(path, format, channels, rate, damage));

        useServer(m_server.socket);
        const auto [outcome, ms] = playToEnd(path);
        QVERIFY2(ms >= 0, "play() held up its caller or no outcome came");
        QCOMPARE(outcome, seconds > 0 ? Outcome::Played : Outcome::Unreadable);
        // It really went through the server: not sooner than its length.
        QCOMPARE_GE(ms, qint64(seconds * 900));

        useServer({});
        const auto [alone, msAlone] = playToEnd(path);
        QVERIFY(msAlone >= 0);
        QCOMPARE(alone, seconds > 0 ? Outcome::NoServer : Outcome::Unreadable);
        QCOMPARE_LT(msAlone, 1000);
    }

    void bellFallsBackToTheDisplayBell_data()
    {
        QTest::addColumn<bool>("themeSound");
        QTest::addColumn<bool>("server");
        QTest::addColumn<int>("displayBells");
        QTest::newRow("theme sound, server") << true << true << 0;
        QTest::newRow("theme sound, no server") << true << false << 1;
        QTest::newRow("no theme sound") << false << true << 1;
    }
    void bellFallsBackToTheDisplayBell()
    {
        QFETCH(bool, themeSound);
        QFETCH(bool, server);
        QFETCH(int, displayBells);
        const QString bell = m_dir.filePath(QStringLiteral("bell.wav"));
        QVERIFY(writeTone(bell, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 0.15));
        useServer(server ? m_server.socket : QString());
        int bells = 0;
        QElapsedTimer clock;
        clock.start();
        {
            // Rung and dropped at once, as at exit: it still rings out, or falls back.
            BellBeeper beeper({themeSound ? bell : m_dir.filePath(QStringLiteral("missing.oga"))});
            beeper.displayBell = [&bells] { ++bells; };
            beeper.beep();
        }
        QCOMPARE(bells, displayBells);
        QCOMPARE_GE(clock.elapsed(), themeSound && server ? 140 : 0);
    }

    // Last: it takes the server away.
    void laterPlayStopsTheLastAndServerGoingAwayEndsOnlyTheSound()
    {
        useServer(m_server.socket);
        const QString path = m_dir.filePath(QStringLiteral("long.wav"));
        QVERIFY(writeTone(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 3.0));
        WavePlayer player;
        QList<Outcome> outcomes;
        player.streams.ended = [&outcomes](Outcome how) { outcomes << how; };
        player.play(path);
        QTest::qWait(300);
        player.play(path);
        QTRY_COMPARE_WITH_TIMEOUT(outcomes, QList<Outcome> {Outcome::Stopped}, 300);
        QCOMPARE(player.streams.active(), 1);
        m_server.kill();
        // Still running here means no SIGPIPE on the broken connection.
        QTRY_COMPARE_WITH_TIMEOUT(outcomes, QList<Outcome>({Outcome::Stopped, Outcome::Broken}), 2000);
        player.play(path);
        QTRY_COMPARE_WITH_TIMEOUT(
            outcomes, QList<Outcome>({Outcome::Stopped, Outcome::Broken, Outcome::NoServer}), 2000);
    }
};

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
