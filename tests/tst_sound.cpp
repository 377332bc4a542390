// The alarm's sound and the beep: which calls a due memo makes, and players
// that never hold up the program.
#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"
#include "platform/qt_beeper.h"
#include "platform/qt_sound_player.h"

#include <QElapsedTimer>
#include <QtTest>

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

    void playerReturnsAtOnceAndLetsGo_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: no file
        QTest::addColumn<Ending>("ending");
        QTest::newRow("16-bit stereo") << waveFile(WaveEncoding::Pcm, 16, 2, 44100) << Ending::Finished;
        // Files QSoundEffect refuses; users drop them in all the same.
        QTest::newRow("8-bit mono") << waveFile(WaveEncoding::Pcm, 8, 1, 22050) << Ending::Finished;
        QTest::newRow("24-bit extensible") << waveFile(WaveEncoding::Pcm, 24, 2, 48000, true) << Ending::Finished;
        QTest::newRow("32-bit float") << waveFile(WaveEncoding::Float, 32, 1, 44100) << Ending::Finished;
        QTest::newRow("no file") << QByteArray() << Ending::Failed;
    }
    void playerReturnsAtOnceAndLetsGo()
    {
        QFETCH(QByteArray, file);
        QFETCH(Ending, ending);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rekuda31.wav"));
        QVERIFY(file.isEmpty() || writeBytes(path, file));
        MediaSoundPlayer player;
        QList<Ending> endings;
        player.ended = [&endings](Ending how) { endings << how; };
        QElapsedTimer call;
        call.start();
        player.play(path);
        QVERIFY2(call.elapsed() < 500, "play() must not wait for the sound");
        if (file.isEmpty())
            QCOMPARE(endings, QList<Ending> {Ending::Failed});
        QTRY_VERIFY_WITH_TIMEOUT(!player.isPlaying(), 10000);
        QCOMPARE(endings, QList<Ending> {ending});
    }

    void laterPlayStopsTheSoundStillPlaying()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tone.wav"));
        QVERIFY(writeBytes(path, waveFile(WaveEncoding::Pcm, 16, 1, 22050, false, 3.0)));
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
    }

    void beeperWithoutSoundFileReturnsAtOnce()
    {
        QTemporaryDir dir;
        SystemBeeper beeper({dir.filePath(QStringLiteral("missing/bell.oga"))});
        QCOMPARE(beeper.soundFile(), QString());
        QElapsedTimer timer;
        timer.start();
        beeper.beep();
        QCOMPARE_LT(timer.elapsed(), 1000);
        QCOMPARE(beeper.activeSounds(), 0);
    }
};

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
