// The alarm's sound and the beep: which calls a due memo makes, and players
// that never hold up the program, whatever the sound file holds.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"
#include "platform/qt_beeper.h"
#include "platform/qt_sound_player.h"

#include <QElapsedTimer>
#include <QtTest>

#include <memory>

// Qt's PulseAudio service keeps the context of its failed connection (no sound
// server runs under the unit tests) to the end of the process; that is not ours.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libpulse.so\n";
}

using Ending = MediaSoundPlayer::Ending;

class TestSound : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void soundPlayCallsInOrder_data();
    void soundPlayCallsInOrder();
    void playsEveryWaveFormatAndLetsGo_data();
    void playsEveryWaveFormatAndLetsGo();
    void laterPlayStopsTheSoundStillPlaying();
    void themeSoundsPreferTheBell();
    void beepNeverWaits_data();
    void beepNeverWaits();
    void endOfProgramWaitsOnlyBriefly();

private:
    QTemporaryDir m_folder;
    QString m_tone;
};

void TestSound::initTestCase()
{
    QVERIFY(m_folder.isValid());
    // Long enough to tell a beep that waits for its sound from one that returns at once.
    m_tone = m_folder.filePath(QStringLiteral("tone.wav"));
    QVERIFY(writeBytes(m_tone, waveFile(WaveEncoding::Pcm, 16, 1, 22050, false, 3.0)));
    // The first player loads the media back end, which may take a while;
    // the timings below are about the beep, not about that.
    SystemBeeper warmUp({m_tone});
    warmUp.beep();
    QTRY_COMPARE_WITH_TIMEOUT(warmUp.activeSounds(), 1, 100);
}

void TestSound::soundPlayCallsInOrder_data()
{
    QTest::addColumn<int>("sound");
    QTest::newRow("memo with sound") << 1;
    QTest::newRow("memo without sound") << 0;
}

void TestSound::soundPlayCallsInOrder()
{
    QFETCH(int, sound);
    TestProgram program;
    QVERIFY(
        program.start({memoLine(30, 14, 25, 12, 2026, "鳴る", sound)}, QDateTime(QDate(2026, 12, 25), QTime(14, 30))));
    program.beeper->log = &program.sound->calls;
    program.tick();

    QVERIFY(forms().Display().isVisible());
    const QStringList played {"close", "play " + program.folder.filePath("rekuda31.wav"), "beep"};
    QCOMPARE(program.sound->calls, sound ? played : QStringList {});
}

void TestSound::playsEveryWaveFormatAndLetsGo_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Ending>("ending");
    using enum WaveEncoding;
    QTest::newRow("PCM 8-bit mono") << true << waveFile(Pcm, 8, 1, 11025) << Ending::Finished;
    QTest::newRow("PCM 16-bit stereo") << true << waveFile(Pcm, 16, 2, 44100) << Ending::Finished;
    QTest::newRow("PCM 24-bit mono") << true << waveFile(Pcm, 24, 1, 48000) << Ending::Finished;
    QTest::newRow("PCM 32-bit stereo") << true << waveFile(Pcm, 32, 2, 22050) << Ending::Finished;
    QTest::newRow("IEEE float 32-bit mono") << true << waveFile(Float, 32, 1, 44100) << Ending::Finished;
    QTest::newRow("IEEE float 64-bit stereo") << true << waveFile(Float, 64, 2, 48000) << Ending::Finished;
    QTest::newRow("extensible PCM 24-bit mono") << true << waveFile(Pcm, 24, 1, 96000, true) << Ending::Finished;
    QTest::newRow("extensible float 32-bit stereo") << true << waveFile(Float, 32, 2, 48000, true) << Ending::Finished;
    QTest::newRow("not a wave file") << true << QByteArray("RIFF? no, a note\r\n") << Ending::Failed;
    QTest::newRow("empty file") << true << QByteArray() << Ending::Failed;
    QTest::newRow("no file") << false << QByteArray() << Ending::Failed;
}

void TestSound::playsEveryWaveFormatAndLetsGo()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, file);
    QFETCH(Ending, ending);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rekuda31.wav"));
    QVERIFY(!present || writeBytes(path, file));
    MediaSoundPlayer player;
    QList<Ending> endings;
    player.ended = [&endings](Ending how) { endings << how; };

    QElapsedTimer call;
    call.start();
    player.play(path);
    QVERIFY2(call.elapsed() < 500, "play() must not wait for the sound");
    if (!present)
        QCOMPARE(endings, QList<Ending> {Ending::Failed});

    // The player and its stream are let go when the sound has ended.
    QTRY_VERIFY_WITH_TIMEOUT(!player.isPlaying(), 10000);
    QCOMPARE(endings, QList<Ending> {ending});
}

void TestSound::laterPlayStopsTheSoundStillPlaying()
{
    const QString &path = m_tone;
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

void TestSound::themeSoundsPreferTheBell()
{
    const QString user = m_folder.filePath(QStringLiteral("user"));
    const QString system = m_folder.filePath(QStringLiteral("system"));
    const QString theme = system + QLatin1String("/sounds/freedesktop/stereo/");
    QVERIFY(writeBytes(theme + QLatin1String("complete.oga"), "x"));
    QVERIFY(writeBytes(theme + QLatin1String("dialog-warning.oga"), "x"));
    QVERIFY(QDir().mkpath(user));
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", QFile::encodeName(user));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(system));

    const QString withoutBell = SystemBeeper().soundFile();
    QVERIFY(writeBytes(theme + QLatin1String("bell.oga"), "x"));
    const QStringList withBell = SystemBeeper::themeSounds();

    qputenv("XDG_DATA_HOME", savedHome);
    qputenv("XDG_DATA_DIRS", savedDirs);
    QCOMPARE(withoutBell, theme + QLatin1String("complete.oga"));
    QCOMPARE(withBell, QStringList({theme + "bell.oga", theme + "complete.oga", theme + "dialog-warning.oga"}));
}

void TestSound::beepNeverWaits_data()
{
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<QString>("chosen");
    const QString missing = m_folder.filePath(QStringLiteral("missing/bell.oga"));
    const QString broken = m_folder.filePath(QStringLiteral("broken/bell.oga"));
    QVERIFY(writeBytes(broken, QByteArray("OggS but not really", 19)));
    QTest::newRow("no sound file: Qt's beep") << QStringList {missing} << QString();
    QTest::newRow("the first file that exists") << QStringList {missing, m_tone} << m_tone;
    QTest::newRow("a file that cannot be played") << QStringList {broken} << broken;
}

void TestSound::beepNeverWaits()
{
    QFETCH(QStringList, candidates);
    QFETCH(QString, chosen);
    SystemBeeper beeper(candidates);
    QCOMPARE(beeper.soundFile(), chosen);
    QElapsedTimer timer;
    timer.start();
    beeper.beep();
    QCOMPARE_LT(timer.elapsed(), 1000);
    if (chosen.isEmpty())
        QCOMPARE(beeper.activeSounds(), 0);
    else if (chosen == m_tone)
        QCOMPARE(beeper.activeSounds(), 1);
    // Heard to its end, or failed for want of an audio device: either way let go.
    QTRY_COMPARE_WITH_TIMEOUT(beeper.activeSounds(), 0, 15000);
}

void TestSound::endOfProgramWaitsOnlyBriefly()
{
    auto beeper = std::make_unique<SystemBeeper>(QStringList {m_tone});
    beeper->beep();
    QElapsedTimer timer;
    timer.start();
    beeper.reset();
    QCOMPARE_LT(timer.elapsed(), 3000);
}

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
