#include "platform/qt_beeper.h"

#include <QtTest>

#include <cmath>
#include <memory>

// Qt's PulseAudio service keeps the context of its failed connection (no sound
// server runs under the unit tests) to the end of the process; that is not ours.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libpulse.so\n";
}

namespace {
// A plain PCM wave file of a tone, long enough to tell a beep that waits for
// its sound from one that returns at once.
bool writeTone(const QString &path, int seconds)
{
    const quint32 rate = 22050;
    const quint32 samples = rate * quint32(seconds);
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << rate * 2 << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << samples * 2;
    for (quint32 i = 0; i < samples; ++i)
        out << qint16(8000 * std::sin(2 * M_PI * 660 * i / rate));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

class TestBeep : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void themeSoundsPreferTheBell();
    void missingSoundFallsBackToQtBeep();
    void playsWithoutWaitingAndReleasesThePlayer();
    void unplayableSoundIsReleased();
    void endOfProgramWaitsOnlyBriefly();

private:
    QTemporaryDir m_folder;
    QString m_tone;
};

void TestBeep::initTestCase()
{
    QVERIFY(m_folder.isValid());
    m_tone = m_folder.filePath(QStringLiteral("tone.wav"));
    QVERIFY(writeTone(m_tone, 3));
    // The first player loads the media back end, which may take a while;
    // the timings below are about the beep, not about that.
    SystemBeeper warmUp({m_tone});
    warmUp.beep();
    QTRY_COMPARE_WITH_TIMEOUT(warmUp.activeSounds(), 1, 100);
}

void TestBeep::themeSoundsPreferTheBell()
{
    const QString user = m_folder.filePath(QStringLiteral("user"));
    const QString system = m_folder.filePath(QStringLiteral("system"));
    const QString theme = system + QLatin1String("/sounds/freedesktop/stereo/");
    QVERIFY(writeFile(theme + QLatin1String("complete.oga"), "x"));
    QVERIFY(writeFile(theme + QLatin1String("dialog-warning.oga"), "x"));
    QVERIFY(QDir().mkpath(user));
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", QFile::encodeName(user));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(system));

    const QString withoutBell = SystemBeeper().soundFile();
    QVERIFY(writeFile(theme + QLatin1String("bell.oga"), "x"));
    const QStringList withBell = SystemBeeper::themeSounds();

    qputenv("XDG_DATA_HOME", savedHome);
    qputenv("XDG_DATA_DIRS", savedDirs);
    QCOMPARE(withoutBell, theme + QLatin1String("complete.oga"));
    QCOMPARE(withBell,
        QStringList({theme + QLatin1String("bell.oga"), theme + QLatin1String("complete.oga"),
            theme + QLatin1String("dialog-warning.oga")}));
}

void TestBeep::missingSoundFallsBackToQtBeep()
{
    SystemBeeper beeper({m_folder.filePath(QStringLiteral("missing/bell.oga"))});
    QCOMPARE(beeper.soundFile(), QString());
    QElapsedTimer timer;
    timer.start();
    QVERIFY_THROWS_NO_EXCEPTION(beeper.beep());
    QVERIFY_THROWS_NO_EXCEPTION(beeper.beep());
    QCOMPARE_LT(timer.elapsed(), 500);
    QCOMPARE(beeper.activeSounds(), 0);
}

void TestBeep::playsWithoutWaitingAndReleasesThePlayer()
{
    SystemBeeper beeper({m_folder.filePath(QStringLiteral("missing.oga")), m_tone});
    QCOMPARE(beeper.soundFile(), m_tone);
    QElapsedTimer timer;
    timer.start();
    QVERIFY_THROWS_NO_EXCEPTION(beeper.beep());
    QCOMPARE_LT(timer.elapsed(), 1000);
    QCOMPARE(beeper.activeSounds(), 1);
    // Heard to its end, or failed for want of an audio device: either way gone.
    QTRY_COMPARE_WITH_TIMEOUT(beeper.activeSounds(), 0, 15000);
}

void TestBeep::unplayableSoundIsReleased()
{
    const QString broken = m_folder.filePath(QStringLiteral("broken/bell.oga"));
    QVERIFY(writeFile(broken, QByteArray("OggS but not really", 19)));
    SystemBeeper beeper({broken});
    QVERIFY_THROWS_NO_EXCEPTION(beeper.beep());
    QTRY_COMPARE_WITH_TIMEOUT(beeper.activeSounds(), 0, 15000);
}

void TestBeep::endOfProgramWaitsOnlyBriefly()
{
    auto beeper = std::make_unique<SystemBeeper>(QStringList {m_tone});
    beeper->beep();
    QElapsedTimer timer;
    timer.start();
    beeper.reset();
    QCOMPARE_LT(timer.elapsed(), 3000);
}

QTEST_MAIN(TestBeep)
#include "tst_beep.moc"
