// The wave player and the bell against a PulseAudio server of our own and against none. Catches: a format played
// short or not at all; a damaged, missing or FIFO file that hangs or crashes; a play() that blocks; an exit bell cut
// off, or no display bell in its stead; a sound the next does not stop; a server's end that ends more than the sound.
#include "fakes/memo_fixtures.h"

#include "platform/sound_services.h"

#include <QtTest>

#include <sndfile.h>
#include <sys/stat.h>

#include <cmath>

using Outcome = SoundStreams::Outcome;

class TestSound : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_socket = m_dir.filePath(QStringLiteral("native"));
    const QByteArray m_pulse[2] = {"unix:/nonexistent", "unix:" + QFile::encodeName(m_socket)};
    QProcess m_server, m_listener;

    QByteArray tone(int format, int channels, int rate, double seconds = 0.3)
    {
        SF_INFO info = {0, rate, channels, format, 0, 0};
        QList<float> samples(qsizetype(rate * seconds) * channels);
        for (qsizetype i = 0; i < samples.size(); ++i)
            samples[i] = float(0.5 * std::sin(2 * M_PI * 660 * double(i / channels) / rate));
        SNDFILE *file = sf_open(QFile::encodeName(m_dir.filePath("tone.wav")), SFM_WRITE, &info);
        const bool written = file && sf_write_float(file, samples.data(), samples.size()) == samples.size();
        return written && sf_close(file) == 0 ? readBytes(m_dir.filePath("tone.wav")) : QByteArray();
    }

private slots:
    void initTestCase()
    {
        m_server.setEnvironment({"HOME=" + m_dir.path(), "XDG_RUNTIME_DIR=" + m_dir.path()});
        m_server.start(QStringLiteral("pulseaudio"),
            {"-n", "--load=module-null-sink sink_name=nul",
                "--load=module-native-protocol-unix auth-anonymous=1 socket=" + m_socket});
        QVERIFY2(QTest::qWaitFor([this] { return QFile::exists(m_socket); }, 10000), "no PulseAudio server");
        // A null sink nobody listens to runs in two-second blocks; a sound card does not.
        m_listener.setStandardOutputFile(QProcess::nullDevice());
        m_listener.start(QStringLiteral("parec"), {"--server=" + m_pulse[1], "-d", "nul.monitor", "--latency-msec=20"});
    }

    void waveFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "|": a FIFO; none: no file
        QTest::addColumn<int>("ms"); // of sound; 0: unreadable
        QTest::newRow("PCM 8-bit mono 8 kHz") << tone(SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 8000) << 300;
        QTest::newRow("float, 6 channels 37 kHz") << tone(SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 6, 37000) << 300;
        QTest::newRow("1000 channels") << tone(SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, 8000).replace(22, 2, "\xe8\x03") << 0;
        QTest::newRow("not a wave") << QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) + QByteArray(4000, '\x7f') << 0;
        QTest::newRow("FIFO") << QByteArray("|") << 0;
        QTest::newRow("missing") << QByteArray() << 0;
    }
    // play() returns at once; a sound takes its length, or ends at once without a server. A bell rung and dropped, as
    // at the exit, rings out, or the display's bell stands in.
    void waveFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, ms);
        const QString path = m_dir.filePath(QTest::currentDataTag());
        QVERIFY(bytes.isEmpty() || (bytes == "|" ? !::mkfifo(QFile::encodeName(path), 0600) : writeBytes(path, bytes)));
        for (const bool server : {true, false}) {
            qputenv("PULSE_SERVER", m_pulse[server]);
            WavePlayer player;
            QList<Outcome> outcomes;
            player.streams.ended = [&outcomes](Outcome how) { outcomes << how; };
            QElapsedTimer clock;
            clock.start();
            player.play(path);
            QCOMPARE_LT(clock.elapsed(), 20);
            QVERIFY(QTest::qWaitFor([&outcomes] { return !outcomes.isEmpty(); }, 10000));
            QCOMPARE(outcomes[0], ms == 0 ? Outcome::Unreadable : server ? Outcome::Played : Outcome::NoServer);
            QVERIFY(server ? clock.elapsed() >= ms * 9 / 10 : clock.elapsed() < 1000);
            int bells = 0;
            clock.restart();
            auto beeper = std::make_unique<BellBeeper>(QStringList {path});
            beeper->displayBell = [&bells] { ++bells; };
            beeper->beep();
            beeper.reset();
            QVERIFY(server && ms > 0 ? bells == 0 && clock.elapsed() >= ms * 9 / 10 : bells == 1);
        }
    }

    // Last, as it takes the server away: the program outlives it.
    void laterSoundStopsTheLastAndServerGoingAwayEndsOnlyTheSound()
    {
        const QString path = m_dir.filePath(QStringLiteral("long.wav"));
        QVERIFY(writeBytes(path, tone(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 3.0)));
        qputenv("PULSE_SERVER", m_pulse[1]);
        WavePlayer player;
        QList<Outcome> outcomes;
        player.streams.ended = [&outcomes](Outcome how) { outcomes << how; };
        player.play(path);
        QTest::qWait(300);
        player.play(path);
        QTRY_COMPARE_WITH_TIMEOUT(outcomes, QList<Outcome> {Outcome::Stopped}, 300);
        m_server.kill();
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.value(1), Outcome::Broken, 2000);
        player.play(path);
        QTRY_COMPARE_WITH_TIMEOUT(outcomes.value(2), Outcome::NoServer, 2000);
    }
};

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
