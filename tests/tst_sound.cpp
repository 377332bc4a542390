// The wave player and the bell against a PulseAudio server of our own and against none. Catches: a format played
// short or not at all; a damaged, missing or FIFO file that hangs or crashes; a play() that blocks; an exit bell cut
// off, or no display bell in its stead; a sound the next does not stop; a server's end that ends more than the sound;
// rekuda31 --check saying otherwise of the file or the server.
#include "fakes/memo_fixtures.h"

#include "platform/sound_services.h"
#include "platform/system_check_probes.h"

#include <QtTest>

#include <sndfile.h>
#include <sys/stat.h>

using Outcome = SoundStreams::Outcome;

class TestSound : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_socket = m_dir.filePath(QStringLiteral("pulse/native"));
    const QByteArray m_pulse[2] = {"unix:/nonexistent", "unix:" + QFile::encodeName(m_socket)};
    QProcess m_server, m_listener;
    QList<Outcome> m_outcomes; // how each sound of m_player ended
    WavePlayer m_player;

    QByteArray wave(int format, int channels, int rate, double seconds = 0.3)
    {
        SF_INFO info = {0, rate, channels, format, 0, 0};
        const QList<float> silence(qsizetype(rate * seconds) * channels);
        SNDFILE *file = sf_open(QFile::encodeName(m_dir.filePath("silence.wav")), SFM_WRITE, &info);
        const bool written = file && sf_write_float(file, silence.data(), silence.size()) == silence.size();
        return written && sf_close(file) == 0 ? readBytes(m_dir.filePath("silence.wav")) : QByteArray();
    }

private slots:
    void initTestCase()
    {
        m_player.streams.ended = [this](Outcome how) { m_outcomes << how; };
        m_server.setEnvironment({"HOME=" + m_dir.path(), "XDG_RUNTIME_DIR=" + m_dir.path()});
        m_server.start("pulseaudio",
            {"-n", "--load=module-null-sink sink_name=nul", "--load=module-native-protocol-unix auth-anonymous=1"});
        QVERIFY2(QTest::qWaitFor([this] { return QFile::exists(m_socket); }, 10000), "no PulseAudio server");
        // A null sink nobody listens to runs in two-second blocks; a sound card does not.
        m_listener.start("parec", {"--server=" + m_pulse[1], "-d", "nul.monitor", "--latency-msec=20", "/dev/null"});
    }

    void waveFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "|": a FIFO; none: no file
        QTest::addColumn<int>("ms"); // of sound; 0: unreadable
        QTest::addColumn<QString>("facts"); // what --check finds: format, problem, channels, rate, seconds
        const auto row = [](const char *name, const QByteArray &bytes, int ms, const char *facts) {
            QTest::newRow(name) << bytes << ms << QString::fromUtf8(facts);
        };
        row("PCM 8-bit mono 8 kHz", wave(SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 8000), 300,
            "WAVE、PCM 8 ビット  1 8000 0.3");
        row("float, 6 channels 37 kHz", wave(SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 6, 37000), 300,
            "WAVE 拡張、浮動小数点 32 ビット  6 37000 0.3");
        row("1000 channels", wave(SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, 8000).replace(22, 2, "\xe8\x03"), 0,
            "WAVE、µ-law チャンネル数 1000 は再生できません (1〜32) 1000 8000 0.00025");
        row("no sound in it", wave(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 22050, 0), 0,
            "WAVE、PCM 16 ビット 音が入っていません 2 22050 0");
        row("not a wave", QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) + QByteArray(4000, '\x7f'), 0,
            " libsndfile が読める音声ではありません 0 0 0");
        row("FIFO", "|", 0, " 普通のファイルではありません 0 0 0");
        row("missing", {}, 0, "no file");
    }
    void waveFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, ms);
        QFETCH(QString, facts);
        const QString path = m_dir.filePath(QTest::currentDataTag());
        QVERIFY(bytes.isEmpty() || (bytes == "|" ? !::mkfifo(QFile::encodeName(path), 0600) : writeBytes(path, bytes)));
        const check::WaveFacts f = SystemCheckProbes().wave(path);
        const QStringList found {
            f.format, f.problem, QString::number(f.channels), QString::number(f.rate), QString::number(f.seconds)};
        QCOMPARE(f.exists ? found.join(u' ') : QStringLiteral("no file"), facts);
        for (const bool server : {true, false}) {
            qputenv("PULSE_SERVER", m_pulse[server]);
            QCOMPARE(SystemCheckProbes().soundServer().answers, server);
            m_outcomes.clear();
            QElapsedTimer clock;
            clock.start();
            m_player.play(path);
            QCOMPARE_LT(clock.elapsed(), 100); // returns at once, long before the sound ends
            QVERIFY(QTest::qWaitFor([this] { return !m_outcomes.isEmpty(); }, 10000));
            QCOMPARE(m_outcomes[0], ms == 0 ? Outcome::Unreadable : server ? Outcome::Played : Outcome::NoServer);
            QVERIFY(server ? clock.restart() >= ms * 9 / 10 : clock.restart() < 1000);
            int bells = 0;
            auto beeper = std::make_unique<BellBeeper>(QStringList {path});
            beeper->displayBell = [&bells] { ++bells; };
            beeper->beep();
            beeper.reset(); // dropped, as at the exit: it rings out, or the display's bell stands in
            QVERIFY(server && ms > 0 ? bells == 0 && clock.elapsed() >= ms * 9 / 10 : bells == 1);
        }
    }

    void laterSoundStopsTheLastAndServerGoingAwayEndsOnlyTheSound() // last: it takes the server away
    {
        const QString path = m_dir.filePath(QStringLiteral("long.wav"));
        QVERIFY(writeBytes(path, wave(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 3.0)));
        qputenv("PULSE_SERVER", m_pulse[1]);
        m_outcomes.clear();
        m_player.play(path);
        QTest::qWait(300);
        m_player.play(path);
        QTRY_COMPARE_WITH_TIMEOUT(m_outcomes, QList<Outcome> {Outcome::Stopped}, 300);
        QTest::qWait(500); // a busy machine may still be connecting the second sound
        m_server.kill();
        QTRY_COMPARE_WITH_TIMEOUT(m_outcomes.value(1), Outcome::Broken, 2000);
        m_player.play(path);
        QTRY_COMPARE_WITH_TIMEOUT(m_outcomes.value(2), Outcome::NoServer, 2000);
    }
};

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
