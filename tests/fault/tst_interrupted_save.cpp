// A save killed at any moment leaves the old file or the new one, never a mix.
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>

class TestInterruptedSave : public QObject
{
    Q_OBJECT
private slots:
    void killedSavesLeaveOldOrNew();
};

void TestInterruptedSave::killedSavesLeaveOldOrNew()
{
    QTemporaryDir dir;
    QByteArray small = "1\r\n30,14,25,12,2026,\"abc\",1,0\r\n";
    QByteArray large = "20\r\n";
    for (int i = 0; i < 20; ++i)
        large += QByteArray::number(i) + ",12,1,1,2027,\"" + QByteArray(200, 'x') + "\",0,0\r\n";
    const QString a = dir.filePath(QStringLiteral("a")), b = dir.filePath(QStringLiteral("b"));
    const QString target = dir.filePath(QStringLiteral("rekuda31.dat"));
    for (const auto &[name, bytes] : {std::pair {a, small}, std::pair {b, large}}) {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QFile::copy(a, target);

    auto *random = QRandomGenerator::global();
    int sawSmall = 0, sawLarge = 0;
    for (int round = 0; round < 200; ++round) {
        QProcess saver;
        saver.start(QStringLiteral(SAVE_LOOP), {target, a, b});
        QVERIFY(saver.waitForReadyRead(5000));
        QTest::qSleep(static_cast<int>(random->bounded(1, 15)));
        ::kill(static_cast<pid_t>(saver.processId()), SIGKILL);
        QVERIFY(saver.waitForFinished(5000));
        QCOMPARE(saver.exitStatus(), QProcess::CrashExit);

        QFile f(target);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray now = f.readAll();
        if (now == small)
            ++sawSmall;
        else if (now == large)
            ++sawLarge;
        else
            QFAIL(qPrintable(
                QStringLiteral("round %1: file holds %2 bytes of neither content").arg(round).arg(now.size())));
        // Temporary files of a killed save may remain; they never replace the data file.
        for (const QString &name : QDir(dir.path()).entryList({"rekuda31.dat.tmp-*"}, QDir::Files))
            QFile::remove(dir.filePath(name));
    }
    QVERIFY(sawSmall > 0);
    QVERIFY(sawLarge > 0);
}

QTEST_GUILESS_MAIN(TestInterruptedSave)
#include "tst_interrupted_save.moc"
