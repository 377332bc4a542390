// Twenty copies of the program started at the same moment on one data folder, twenty rounds. Catches: a lock taken
// too late, or one that racing starts both win, so that two instances run, or all lose, so that none does.
#include <QtTest>

#include <algorithm>
#include <array>

class TestInstanceRace : public QObject
{
    Q_OBJECT
private slots:
    void exactlyOneStays()
    {
        QTemporaryDir dir;
        const QString binary = dir.filePath(QStringLiteral("rekuda31"));
        QVERIFY(QFile::copy(QStringLiteral(REKUDA31_BINARY), binary));
        for (int round = 0; round < 20; ++round) {
            std::array<QProcess, 20> copies;
            for (QProcess &copy : copies)
                copy.start(binary, {});
            const auto alive = [&] { return 20 - std::ranges::count(copies, QProcess::NotRunning, &QProcess::state); };
            // Every copy but one ends by itself, with status 0; the one that stays keeps running.
            QTRY_VERIFY_WITH_TIMEOUT(alive() <= 1, 20000);
            QTest::qWait(300);
            QVERIFY2(alive() == 1, qPrintable(QStringLiteral("round %1").arg(round)));
            QCOMPARE(std::ranges::count(copies, 0, &QProcess::exitCode), 20);
            for (QProcess &copy : copies)
                copy.close();
        }
    }
};

QTEST_GUILESS_MAIN(TestInstanceRace)
#include "tst_instance_race.moc"
