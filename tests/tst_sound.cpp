#include "fakes/fake_platform.h"

#include "alarm/display_form.h"
#include "entry/form1.h"
#include "platform/qt_sound_player.h"

#include <QElapsedTimer>
#include <QtEndian>
#include <QtTest>

#include <cmath>

namespace {

using Ending = MediaSoundPlayer::Ending;

// Sound and beep calls in the order they happen.
class RecordingSound : public SoundPlayer
{
public:
    explicit RecordingSound(QStringList &log)
        : m_log(log)
    { }
    void close() override { m_log << QStringLiteral("close"); }
    void play(const QString &path) override { m_log << QStringLiteral("play ") + path; }

private:
    QStringList &m_log;
};

class RecordingBeeper : public Beeper
{
public:
    explicit RecordingBeeper(QStringList &log)
        : m_log(log)
    { }
    void beep() override { m_log << QStringLiteral("beep"); }

private:
    QStringList &m_log;
};

enum class Encoding { Pcm, Float };

template <class T> void put(QByteArray &out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

// A RIFF wave file holding a 660 Hz tone, as the usual editors write them.
QByteArray waveFile(Encoding encoding, int bits, int channels, int rate, bool extensible, double seconds = 0.25)
{
    const int blockAlign = channels * bits / 8;
    const int frames = static_cast<int>(rate * seconds);
    QByteArray samples;
    for (int f = 0; f < frames; ++f) {
        const double v = 0.5 * std::sin(2 * M_PI * 660 * f / rate);
        for (int c = 0; c < channels; ++c) {
            if (encoding == Encoding::Float && bits == 32)
                put(samples, static_cast<float>(v));
            else if (encoding == Encoding::Float)
                put(samples, v);
            else if (bits == 8)
                samples.append(static_cast<char>(static_cast<quint8>(128 + std::lround(v * 127))));
            else {
                const qint64 s = std::llround(v * double((qint64(1) << (bits - 1)) - 1));
                for (int b = 0; b < bits / 8; ++b)
                    samples.append(static_cast<char>((s >> (8 * b)) & 0xFF));
            }
        }
    }

    const quint16 tag = encoding == Encoding::Float ? 3 : 1;
    QByteArray fmt;
    put<quint16>(fmt, extensible ? 0xFFFE : tag);
    put<quint16>(fmt, quint16(channels));
    put<quint32>(fmt, quint32(rate));
    put<quint32>(fmt, quint32(rate * blockAlign));
    put<quint16>(fmt, quint16(blockAlign));
    put<quint16>(fmt, quint16(bits));
    if (extensible) {
        put<quint16>(fmt, 22);
        put<quint16>(fmt, quint16(bits));
        put<quint32>(fmt, channels == 1 ? 0x4 : 0x3);
        put<quint32>(fmt, tag);
        fmt.append(QByteArray::fromHex("00001000800000aa00389b71"));
    }

    QByteArray out("RIFF");
    put<quint32>(out, quint32(4 + 8 + fmt.size() + 8 + samples.size()));
    out += "WAVEfmt ";
    put<quint32>(out, quint32(fmt.size()));
    out += fmt + "data";
    put<quint32>(out, quint32(samples.size()));
    return out + samples;
}

QString writeFile(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("rekuda31.wav"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

} // namespace

class TestSound : public QObject
{
    Q_OBJECT
private slots:
    void soundPlayCallsInOrder_data();
    void soundPlayCallsInOrder();
    void playsEveryWaveFormatAndLetsGo_data();
    void playsEveryWaveFormatAndLetsGo();
    void missingFileReturnsAtOnce();
    void laterPlayStopsTheSoundStillPlaying();
};

void TestSound::soundPlayCallsInOrder_data()
{
    QTest::addColumn<int>("sound");
    QTest::addColumn<bool>("played");

    QTest::newRow("memo with sound") << 1 << true;
    QTest::newRow("memo without sound") << 0 << false;
}

void TestSound::soundPlayCallsInOrder()
{
    QFETCH(int, sound);
    QFETCH(bool, played);

    TestProgram program;
    program.writeDataFile(
        cp932Lines({QStringLiteral("1"), QStringLiteral("30,14,25,12,2026,\"鳴る\",%1,0").arg(sound)}));
    program.clock->set(2026, 12, 25, 14, 30, 0);
    QVERIFY(program.start());
    QStringList log;
    App::instance().os.sound = std::make_unique<RecordingSound>(log);
    App::instance().os.beeper = std::make_unique<RecordingBeeper>(log);

    program.tick();

    QVERIFY(forms().Display().isVisible());
    const QStringList expected = played
        ? QStringList {QStringLiteral("close"), QStringLiteral("play ") + program.folder.filePath("rekuda31.wav"),
            QStringLiteral("beep")}
        : QStringList {};
    QCOMPARE(log, expected);
}

void TestSound::playsEveryWaveFormatAndLetsGo_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Ending>("ending");

    QTest::newRow("PCM 8-bit mono") << waveFile(Encoding::Pcm, 8, 1, 11025, false) << Ending::Finished;
    QTest::newRow("PCM 16-bit stereo") << waveFile(Encoding::Pcm, 16, 2, 44100, false) << Ending::Finished;
    QTest::newRow("PCM 24-bit mono") << waveFile(Encoding::Pcm, 24, 1, 48000, false) << Ending::Finished;
    QTest::newRow("PCM 32-bit stereo") << waveFile(Encoding::Pcm, 32, 2, 22050, false) << Ending::Finished;
    QTest::newRow("IEEE float 32-bit mono") << waveFile(Encoding::Float, 32, 1, 44100, false) << Ending::Finished;
    QTest::newRow("IEEE float 64-bit stereo") << waveFile(Encoding::Float, 64, 2, 48000, false) << Ending::Finished;
    QTest::newRow("extensible PCM 16-bit stereo") << waveFile(Encoding::Pcm, 16, 2, 44100, true) << Ending::Finished;
    QTest::newRow("extensible PCM 24-bit mono") << waveFile(Encoding::Pcm, 24, 1, 96000, true) << Ending::Finished;
    QTest::newRow("extensible float 32-bit stereo")
        << waveFile(Encoding::Float, 32, 2, 48000, true) << Ending::Finished;
    QTest::newRow("not a wave file") << QByteArray("RIFF? no, a note\r\n") << Ending::Failed;
    QTest::newRow("empty file") << QByteArray() << Ending::Failed;
}

void TestSound::playsEveryWaveFormatAndLetsGo()
{
    QFETCH(QByteArray, file);
    QFETCH(Ending, ending);

    QTemporaryDir dir;
    const QString path = writeFile(dir, file);
    QVERIFY(!path.isEmpty());
    MediaSoundPlayer player;
    QList<Ending> endings;
    player.ended = [&endings](Ending how) { endings << how; };

    QElapsedTimer call;
    call.start();
    player.play(path);
    QVERIFY2(call.elapsed() < 500, "play() must not wait for the sound");

    // The player and its stream are let go when the sound has ended.
    QTRY_VERIFY_WITH_TIMEOUT(!player.isPlaying(), 10000);
    QCOMPARE(endings, QList<Ending> {ending});
}

void TestSound::missingFileReturnsAtOnce()
{
    QTemporaryDir dir;
    MediaSoundPlayer player;
    QList<Ending> endings;
    player.ended = [&endings](Ending how) { endings << how; };

    QElapsedTimer call;
    call.start();
    player.play(dir.filePath(QStringLiteral("rekuda31.wav")));
    QVERIFY(call.elapsed() < 100);
    QVERIFY(!player.isPlaying());
    QCOMPARE(endings, QList<Ending> {Ending::Failed});
}

void TestSound::laterPlayStopsTheSoundStillPlaying()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, waveFile(Encoding::Pcm, 16, 1, 22050, false, 5.0));
    QVERIFY(!path.isEmpty());
    MediaSoundPlayer player;
    QList<Ending> endings;
    player.ended = [&endings](Ending how) { endings << how; };

    player.play(path);
    QVERIFY(player.isPlaying());
    QTest::qWait(300);
    QCOMPARE(endings, QList<Ending> {});

    player.play(path);
    QCOMPARE(endings, QList<Ending> {Ending::Closed});
    QVERIFY(player.isPlaying());

    player.close();
    QCOMPARE(endings, QList<Ending>({Ending::Closed, Ending::Closed}));
    QVERIFY(!player.isPlaying());
    player.close();
    QCOMPARE(endings.size(), 2);
}

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
